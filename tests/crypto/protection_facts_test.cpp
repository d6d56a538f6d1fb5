// The protection facts of every protected input kind, read without a pass phrase: files made with
// OpenSSL's API and by the openssl command, and crafted ones whose counts would take hours to derive.
#include <gtest/gtest.h>

#include <functional>

#include "crypto/kx_protection.h"
#include "crypto/openssl_includes.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

std::string Show(const KxPbe& e) {
    return e.scheme + "/" + e.cipher + "/" + e.kdf_digest + "/" + std::to_string(e.iterations);
}

// One line per file: the MAC, each safe and its bags, the key file's encryption. A local key id shows
// as its length when it is lower-case hex.
std::string Show(const KxProtection& p) {
    static const char* const kinds[] = {"key", "cert", "crl", "other"};
    std::vector<std::string> parts;
    if (!p.safes.empty())
        parts.push_back(p.mac ? "mac " + p.mac->digest + "/" + std::to_string(p.mac->iterations) : "no mac");
    for (const KxSafeFacts& safe : p.safes) {
        std::string s = "safe " + (safe.encryption ? "enc " + Show(*safe.encryption) : std::string("plain"));
        if (safe.bags) {
            s += " [";
            for (const KxBagFacts& bag : *safe.bags) {
                s += std::string(s.back() == '[' ? "" : ", ") + kinds[static_cast<int>(bag.kind)];
                if (bag.encryption) s += "(" + Show(*bag.encryption) + ")";
                if (bag.friendly_name) s += " '" + *bag.friendly_name + "'";
                if (bag.local_key_id) {
                    const bool hex = bag.local_key_id->find_first_not_of("0123456789abcdef") == std::string::npos;
                    s += " id" + (hex ? std::to_string(bag.local_key_id->size()) : std::string("?"));
                }
            }
            s += "]";
        }
        parts.push_back(s);
    }
    if (p.key) parts.push_back("key " + Show(*p.key));
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : " | ") + part;
    return out;
}

Bytes Pem(const char* label, const Bytes& der) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio(bio, label, "", der.data(), static_cast<long>(der.size()));
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    Bytes out(data, data + n);
    BIO_free(bio);
    return out;
}

Bytes ScryptP8(EVP_PKEY* key) {
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(key);
    X509_ALGOR* pbe = PKCS5_pbe2_set_scrypt(EVP_aes_256_cbc(), nullptr, 0, nullptr, 1024, 8, 1);
    X509_SIG* sig = PKCS8_set0_pbe("pw", 2, p8, pbe);
    unsigned char* der = nullptr;
    const int n = sig ? i2d_X509_SIG(sig, &der) : 0;
    Bytes out(der, der + (n > 0 ? n : 0));
    OPENSSL_free(der);
    X509_SIG_free(sig);
    if (!sig) X509_ALGOR_free(pbe);
    PKCS8_PRIV_KEY_INFO_free(p8);
    return out;
}

// A PKCS#12 of one plain safe holding `count` copies of the certificate, without a MAC.
Bytes P12WithCopies(X509* cert, std::size_t count) {
    STACK_OF(PKCS12_SAFEBAG)* bags = sk_PKCS12_SAFEBAG_new_null();
    for (std::size_t i = 0; i < count; ++i) sk_PKCS12_SAFEBAG_push(bags, PKCS12_SAFEBAG_create_cert(cert));
    STACK_OF(PKCS7)* safes = sk_PKCS7_new_null();
    sk_PKCS7_push(safes, PKCS12_pack_p7data(bags));
    PKCS12* p12 = PKCS12_add_safes(safes, 0);
    unsigned char* der = nullptr;
    const int n = p12 ? i2d_PKCS12(p12, &der) : 0;
    Bytes out(der, der + (n > 0 ? n : 0));
    OPENSSL_free(der);
    PKCS12_free(p12);
    sk_PKCS7_pop_free(safes, PKCS7_free);
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    return out;
}

TEST(ProtectionFacts, EachProtectedKindStatesItsSchemesWithoutAPassPhrase) {
    TempDir dir;
    Pkey key = rsa_key();
    CertPtr cert = make_self_signed(cn("Facts"), key);
    P12Options aes;
    aes.name = "Zoë";
    aes.key_pbe = aes.cert_pbe = NID_aes_256_cbc;
    P12Options open;
    open.name = "open";
    open.key_pbe = open.cert_pbe = -1;
    open.mac = false;
    const auto file = [&](const std::function<void(const std::filesystem::path&)>& make) {
        make(dir.file("f"));
        return read_bytes(dir.file("f"));
    };
    const std::string aes_p12 =
        "mac sha256/2048 | safe enc pbes2/aes-256-cbc/sha256/2048 | safe plain [key(pbes2/aes-256-cbc/sha256/2048) "
        "'Zoë' id40]";

    std::string at_cap = "no mac | safe plain [cert";
    for (std::size_t i = 1; i < KX_MAX_BUNDLE_ENTRIES; ++i) at_cap += ", cert";
    at_cap += "]";

    const struct {
        const char* name;
        std::function<Bytes()> bytes;
        std::string facts;
    } rows[] = {
        {"PKCS#12 under AES", [&] { return make_p12(key.get(), cert.get(), {}, aes); }, aes_p12},
        {"PKCS#12 in PEM armour", [&] { return Pem("PKCS12", make_p12(key.get(), cert.get(), {}, aes)); }, aes_p12},
        {"PKCS#12 without MAC or encryption", [&] { return make_p12(key.get(), cert.get(), {}, open); },
         "no mac | safe plain [cert 'open' id40] | safe plain [key 'open' id40]"},
        {"openssl pkcs12 -export -legacy",
         [&] {
             write_cert(dir.file("c.pem"), cert.get(), Form::Pem);
             write_p8(dir.file("k.pem"), key.get(), Form::Pem);
             const std::string cmd = "openssl pkcs12 -export -legacy -name cmd -passout pass:x -in " +
                                     dir.file("c.pem").string() + " -inkey " + dir.file("k.pem").string() + " -out " +
                                     dir.file("l.p12").string();
             EXPECT_EQ(run_command(cmd).status, 0);
             return read_bytes(dir.file("l.p12"));
         },
         "mac sha1/2048 | safe enc pkcs12-pbe/rc2-40-cbc/sha1/2048 | safe plain "
         "[key(pkcs12-pbe/des-ede3-cbc/sha1/2048) 'cmd' id40]"},
        // Counts that would take hours to derive come back at once: nothing is derived.
        {"PKCS#12 asking 2e9 MAC iterations", [] { return p12_with_huge_iterations(HugeP12Part::Mac, 2'000'000'000); },
         "mac sha1/2000000000 | safe plain [cert]"},
        {"PKCS#12 asking 2e9 for its key",
         [] { return p12_with_huge_iterations(HugeP12Part::ShroudedKey, 2'000'000'000); },
         "mac sha1/1 | safe plain [cert, key(pkcs12-pbe/des-ede3-cbc/sha1/2000000000)]"},
        {"PKCS#12 asking 2e9 for a safe",
         [] { return p12_with_huge_iterations(HugeP12Part::EncryptedSafe, 2'000'000'000); },
         "mac sha1/1 | safe enc pkcs12-pbe/des-ede3-cbc/sha1/2000000000"},
        {"PKCS#8 DER, PBES1", [] { return p8_encrypted_with_iterations(NID_pbeWithMD5AndDES_CBC, 2048); },
         "key pbes1/des-cbc/md5/2048"},
        {"PKCS#8 PEM, PBES2",
         [&] {
             return file([&](auto& f) { write_p8_encrypted(f, key.get(), "pw", Form::Pem, -1, "AES-256-CBC", 1000); });
         },
         "key pbes2/aes-256-cbc/sha256/1000"},
        {"PKCS#8 DER, PBES2 with scrypt", [&] { return ScryptP8(key.get()); }, "key pbes2/aes-256-cbc/scrypt/1024"},
        {"traditional PEM key, AES",
         [&] { return file([&](auto& f) { write_traditional_key(f, key.get(), "AES-256-CBC", "pw"); }); },
         "key pem/aes-256-cbc/md5/1"},
        {"certificate, then a traditional 3DES key",
         [&] {
             Bytes out = pem_of(cert.get());
             const Bytes k = file([&](auto& f) { write_traditional_key(f, key.get(), "DES-EDE3-CBC", "pw"); });
             out.insert(out.end(), k.begin(), k.end());
             return out;
         },
         "key pem/des-ede3-cbc/md5/1"},
        {"PKCS#12 at the bundle cap", [&] { return P12WithCopies(cert.get(), KX_MAX_BUNDLE_ENTRIES); }, at_cap},
        {"PKCS#12 beyond the bundle cap", [&] { return P12WithCopies(cert.get(), KX_MAX_BUNDLE_ENTRIES + 1); }, ""},
        {"certificate", [&] { return pem_of(cert.get()); }, ""},
        {"unencrypted PKCS#8", [&] { return file([&](auto& f) { write_p8(f, key.get(), Form::Pem); }); }, ""},
        {"traditional key in the clear", [&] { return file([&](auto& f) { write_traditional_key(f, key.get()); }); },
         ""},
        {"nothing",
         [] {
             return Bytes{0x30, 0x03, 0x02, 0x01};
         },
         ""},
    };
    for (const auto& row : rows) EXPECT_EQ(Show(KX_read_protection(row.bytes())), row.facts) << row.name;
}

}  // namespace
