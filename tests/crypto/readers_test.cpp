// Every input kind, in PEM and DER, plain and encrypted, is read by its own reader and refused by
// every other one, with and without an input scope; encrypted kinds ask for exactly one pass phrase.
#include <gtest/gtest.h>

#include <functional>

#include "crypto/kx.h"
#include "crypto/kx_pkcs7.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

const char* const kPass = "correct horse";

// The readers in the order a document tries them; DER ones go through ASN1_read_der.
struct Reader {
    const char* name;
    // The key number of what was read (certificates and keys), or an empty number; nullopt: refused.
    std::function<std::optional<KeyNumber>(KxInput&)> read;
};

template <class R>
std::optional<KeyNumber> number_of(const std::unique_ptr<R>& r) {
    if (!r) return std::nullopt;
    if constexpr (std::is_same_v<R, Cert>)
        return r->pubkey.number;
    else if constexpr (std::is_same_v<R, Key>)
        return r->number;
    else
        return KeyNumber{};
}

template <class R>
std::function<std::optional<KeyNumber>(KxInput&)> by_path(std::unique_ptr<R> (*f)(KxInput&)) {
    return [f](KxInput& in) { return number_of(f(in)); };
}

template <class R>
std::function<std::optional<KeyNumber>(KxInput&)> by_bytes(std::unique_ptr<R> (*f)(const std::vector<unsigned char>&)) {
    return [f](KxInput& in) -> std::optional<KeyNumber> {
        auto der = ASN1_read_der(in);
        if (!der) return std::nullopt;
        return number_of(f(*der));
    };
}

std::optional<KeyNumber> p7_number(std::unique_ptr<PKCS7> p7) {
    if (!p7) return std::nullopt;
    return p7->certs.empty() ? KeyNumber{} : p7->certs.front()->pubkey.number;
}

std::optional<KeyNumber> p12_number(std::unique_ptr<P12> p12) {
    if (!p12) return std::nullopt;
    for (P12Bag* b = p12->first.get(); b; b = b->next.get())
        if (b->key()) return b->key()->number;
    return KeyNumber{};
}

const std::vector<Reader>& readers() {
    static const std::vector<Reader> all = {
        {"PEM_read_cert", by_path(PEM_read_cert)},
        {"PEM_read_crl", by_path(PEM_read_crl)},
        {"PEM_read_req", by_path(PEM_read_req)},
        {"PEM_read_rsaprv", by_path(PEM_read_rsaprv)},
        {"PEM_read_dsaprv", by_path(PEM_read_dsaprv)},
        {"PEM_read_ecprv", by_path(PEM_read_ecprv)},
        {"PEM_read_p8", by_path(PEM_read_p8)},
        {"PEM_read_p8enc", by_path(PEM_read_p8enc)},
        {"P8_read_file", by_path(P8_read_file)},
        {"P8enc_read_file", by_path(P8enc_read_file)},
        {"PEM_read_p7", [](KxInput& in) { return p7_number(PEM_read_p7(in)); }},
        {"P7s_read_file", [](KxInput& in) { return p7_number(P7s_read_file(in)); }},
        {"P12_read_file", [](KxInput& in) { return p12_number(P12_read_file(in)); }},
        {"ASN1_read_cert", by_bytes(ASN1_read_cert)},
        {"ASN1_read_crl", by_bytes(ASN1_read_crl)},
        {"ASN1_read_req", by_bytes(ASN1_read_req)},
        {"ASN1_read_dsaprv", by_bytes(ASN1_read_dsaprv)},
    };
    return all;
}

struct Case {
    std::string label;
    std::string reader;
    bool encrypted = false;
    Pkey key;  // the key whose public half the record must carry (null: no key to compare)
    std::function<void(const std::filesystem::path&)> make;
};

std::vector<Case> cases() {
    Pkey rsa = rsa_key(0), ec = ec_key(), dsa = dsa_key(), ed = ed25519_key();
    CertPtr cert = make_self_signed({{"C", "JP"}, {"CN", "table"}}, rsa);
    CrlPtr crl = make_crl({{"CN", "table"}}, rsa, {7, 8});
    ReqPtr req = make_req({{"CN", "request"}}, ec);
    Chain chain = make_chain(2);
    const int md5des = NID_pbeWithMD5AndDES_CBC, rc2_40 = NID_pbe_WithSHA1And40BitRC2_CBC;
    P12Options empty_pass;
    empty_pass.pass = "";
    P12Options with_pass;
    with_pass.pass = kPass;
    with_pass.name = "table key";
    P12Options legacy = with_pass;
    legacy.cert_pbe = NID_pbe_WithSHA1And40BitRC2_CBC;
    legacy.key_pbe = NID_pbe_WithSHA1And40BitRC2_CBC;
    P12Options no_mac = with_pass;
    no_mac.mac = false;
    return {
        {"cert pem", "PEM_read_cert", false, rsa, [=](auto p) { write_cert(p, cert.get(), Form::Pem); }},
        {"cert der", "ASN1_read_cert", false, rsa, [=](auto p) { write_cert(p, cert.get(), Form::Der); }},
        {"crl pem", "PEM_read_crl", false, nullptr, [=](auto p) { write_crl(p, crl.get(), Form::Pem); }},
        {"crl der", "ASN1_read_crl", false, nullptr, [=](auto p) { write_crl(p, crl.get(), Form::Der); }},
        {"req pem", "PEM_read_req", false, ec, [=](auto p) { write_req(p, req.get(), Form::Pem); }},
        {"req der", "ASN1_read_req", false, ec, [=](auto p) { write_req(p, req.get(), Form::Der); }},
        {"rsa pem", "PEM_read_rsaprv", false, rsa, [=](auto p) { write_traditional_key(p, rsa.get()); }},
        {"rsa pem 3des", "PEM_read_rsaprv", true, rsa,
         [=](auto p) { write_traditional_key(p, rsa.get(), "DES-EDE3-CBC", kPass); }},
        {"rsa pem des", "PEM_read_rsaprv", true, rsa,
         [=](auto p) { write_traditional_key(p, rsa.get(), "DES-CBC", kPass); }},
        {"rsa pem aes", "PEM_read_rsaprv", true, rsa,
         [=](auto p) { write_traditional_key(p, rsa.get(), "AES-128-CBC", kPass); }},
        {"dsa pem", "PEM_read_dsaprv", false, dsa, [=](auto p) { write_traditional_key(p, dsa.get()); }},
        {"dsa pem 3des", "PEM_read_dsaprv", true, dsa,
         [=](auto p) { write_traditional_key(p, dsa.get(), "DES-EDE3-CBC", kPass); }},
        {"dsa der", "ASN1_read_dsaprv", false, dsa, [=](auto p) { write_dsa_der(p, dsa.get()); }},
        {"ec pem", "PEM_read_ecprv", false, ec, [=](auto p) { write_traditional_key(p, ec.get()); }},
        {"ec pem 3des", "PEM_read_ecprv", true, ec,
         [=](auto p) { write_traditional_key(p, ec.get(), "DES-EDE3-CBC", kPass); }},
        {"p8 pem rsa", "PEM_read_p8", false, rsa, [=](auto p) { write_p8(p, rsa.get(), Form::Pem); }},
        {"p8 pem ed25519", "PEM_read_p8", false, ed, [=](auto p) { write_p8(p, ed.get(), Form::Pem); }},
        {"p8 der dsa", "P8_read_file", false, dsa, [=](auto p) { write_p8(p, dsa.get(), Form::Der); }},
        {"p8 der ec", "P8_read_file", false, ec, [=](auto p) { write_p8(p, ec.get(), Form::Der); }},
        {"p8enc pem md5-des", "PEM_read_p8enc", true, rsa,
         [=](auto p) { write_p8_encrypted(p, rsa.get(), kPass, Form::Pem, md5des); }},
        {"p8enc pem rc2-40", "PEM_read_p8enc", true, ec,
         [=](auto p) { write_p8_encrypted(p, ec.get(), kPass, Form::Pem, rc2_40); }},
        {"p8enc der pbes2", "P8enc_read_file", true, ec,
         [=](auto p) { write_p8_encrypted(p, ec.get(), kPass, Form::Der, -1, "AES-256-CBC"); }},
        {"p8enc der md5-des", "P8enc_read_file", true, dsa,
         [=](auto p) { write_p8_encrypted(p, dsa.get(), kPass, Form::Der, md5des); }},
        {"p7 pem", "PEM_read_p7", false, chain.keys[0], [=](auto p) { write_p7(p, chain.certs, {crl}, Form::Pem); }},
        {"p7 der", "P7s_read_file", false, chain.keys[0], [=](auto p) { write_p7(p, chain.certs, {}, Form::Der); }},
        {"p7 der crl only", "P7s_read_file", false, nullptr, [=](auto p) { write_p7(p, {}, {crl}, Form::Der); }},
        {"p12 3des", "P12_read_file", true, rsa,
         [=](auto p) { write_p12(p, rsa.get(), cert.get(), chain.certs, with_pass); }},
        {"p12 rc2-40", "P12_read_file", true, rsa, [=](auto p) { write_p12(p, rsa.get(), cert.get(), {}, legacy); }},
        {"p12 no mac", "P12_read_file", true, rsa, [=](auto p) { write_p12(p, rsa.get(), cert.get(), {}, no_mac); }},
        {"p12 empty pass", "P12_read_file", false, rsa,
         [=](auto p) { write_p12(p, rsa.get(), cert.get(), {}, empty_pass); }},
    };
}

void check_case(const Case& c, const std::filesystem::path& file, bool scoped) {
    SCOPED_TRACE(c.label + (scoped ? " (scoped)" : ""));
    std::deque<std::optional<std::string>> answers(40, std::string(kPass));
    ScriptedPassProvider provider(answers);
    std::optional<KxInput> shared;
    if (scoped) shared.emplace(input_of(file));
    std::vector<std::string> accepted;
    std::optional<KeyNumber> number;
    for (const auto& r : readers()) {
        std::optional<KxInput> own;
        KxInput& in = shared ? *shared : own.emplace(input_of(file));
        auto result = r.read(in);
        if (result) {
            accepted.push_back(r.name);
            number = result;
        }
    }
    EXPECT_EQ(accepted, std::vector<std::string>{c.reader});
    EXPECT_EQ(provider.requests().size(), c.encrypted ? 1u : 0u);
    for (const auto& req : provider.requests()) {
        EXPECT_EQ(req.purpose, PassPurpose::OpenInput);
        EXPECT_EQ(req.path, file.string());
        EXPECT_FALSE(req.retry);
    }
    if (c.key && number) {
        auto probe = ASN1_read_cert(der_of(make_self_signed(cn("probe"), c.key).get()));
        ASSERT_TRUE(probe);
        EXPECT_EQ(LN_cmp(*number, probe->pubkey.number), 0) << "the record holds another key";
    }
}

TEST(Readers, EachKindIsReadByItsOwnReaderOnly) {
    TempDir dir;
    int i = 0;
    for (const auto& c : cases()) {
        auto file = dir.file("input" + std::to_string(i++));
        c.make(file);
        check_case(c, file, false);
        check_case(c, file, true);
    }
}

TEST(Readers, KeyTypesAreNamed) {
    TempDir dir;
    struct Row {
        Pkey key;
        int type;
    };
    const Row rows[] = {
        {rsa_key(0), KEY_RSA_PRV}, {dsa_key(), KEY_DSA_PRV}, {ec_key(), KEY_EC_PRV}, {ed25519_key(), KEY_OTHER_PRV}};
    for (const auto& row : rows) {
        write_p8(dir.file("k.p8"), row.key.get(), Form::Der);
        auto key = read_path(P8_read_file, dir.file("k.p8"));
        ASSERT_TRUE(key);
        EXPECT_EQ(key->type, row.type);
    }
}

TEST(Readers, PemFileWithCertificateThenKeyIsACertificate) {
    TempDir dir;
    Pkey rsa = rsa_key(0);
    CertPtr cert = make_self_signed(cn("both"), rsa);
    write_traditional_key(dir.file("key.pem"), rsa.get());
    Bytes both = pem_of(cert.get());
    Bytes key = read_bytes(dir.file("key.pem"));
    both.insert(both.end(), key.begin(), key.end());
    write_bytes(dir.file("both.pem"), both);
    auto c = read_path(PEM_read_cert, dir.file("both.pem"));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->der, der_of(cert.get()));
    // A PEM reader finds its block anywhere in the file, as OpenSSL's own readers do.
    EXPECT_TRUE(read_path(PEM_read_rsaprv, dir.file("both.pem")));
}

TEST(Readers, PemWithCrLfLinesAndTextAroundIt) {
    TempDir dir;
    CertPtr cert = make_self_signed(cn("crlf"), ec_key());
    Bytes pem = pem_of(cert.get());
    std::string text = "Subject: crlf\r\nSome notes before the block\r\n";
    for (unsigned char c : pem) {
        if (c == '\n') text += '\r';
        text += static_cast<char>(c);
    }
    text += "trailing words\r\n";
    write_text(dir.file("crlf.pem"), text);
    auto c = read_path(PEM_read_cert, dir.file("crlf.pem"));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->der, der_of(cert.get()));
}

TEST(Readers, KeepTheExactDerOfWhatTheyRead) {
    TempDir dir;
    Chain chain = make_chain(3);
    CrlPtr crl = make_crl(chain.names[1], chain.keys[1], {1, 2, 3});
    write_p7(dir.file("b.p7b"), {chain.certs[2], chain.certs[0], chain.certs[1]}, {crl}, Form::Der);
    auto p7 = read_path(P7s_read_file, dir.file("b.p7b"));
    ASSERT_TRUE(p7);
    ASSERT_EQ(p7->certs.size(), 3u);
    EXPECT_EQ(p7->certs[0]->der, der_of(chain.certs[2].get()));  // file order kept
    EXPECT_EQ(p7->certs[1]->der, der_of(chain.certs[0].get()));
    ASSERT_EQ(p7->crls.size(), 1u);
    EXPECT_EQ(p7->crls[0]->der, der_of(crl.get()));
    EXPECT_EQ(p7->crls[0]->issuer, "O=Quillon Tests, CN=Level 1");
}

TEST(Readers, Pkcs12KeepsEveryBagInOrderWithFriendlyNames) {
    TempDir dir;
    Chain chain = make_chain(3, "P12", true);
    P12Options o;
    o.pass = kPass;
    o.name = "Ключ ☃";
    write_p12(dir.file("x.p12"), chain.keys[2].get(), chain.certs[2].get(), {chain.certs[1], chain.certs[0]}, o);
    ScriptedPassProvider provider({std::string(kPass)});
    auto p12 = read_path(P12_read_file, dir.file("x.p12"));
    ASSERT_TRUE(p12);
    std::vector<int> types;
    std::vector<std::u16string> names;
    for (P12Bag* b = p12->first.get(); b; b = b->next.get()) {
        types.push_back(b->type);
        names.push_back(b->friendly_name.value_or(u"-"));
        EXPECT_EQ(b->mark, MARK_NONE);
    }
    // PKCS12_create puts the certificates (own first) in one safe and the key in the next.
    EXPECT_EQ(types, (std::vector<int>{BAG_CERT, BAG_CERT, BAG_CERT, BAG_KEY}));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Ключ ☃", u"-", u"-", u"Ключ ☃"}));
    EXPECT_EQ(p12->first->cert()->der, der_of(chain.certs[2].get()));
}

TEST(Readers, EmptyBundlesAreNotInputs) {
    TempDir dir;
    write_p7(dir.file("empty.p7b"), {}, {}, Form::Der);
    KxInput in = input_of(dir.file("empty.p7b"));
    EXPECT_FALSE(P7s_read_file(in));
    EXPECT_EQ(in.refusal().kind, KxReadFailure::NotRecognised);
}

}  // namespace
