// Fixture generation with OpenSSL's API.
#include "tests/support/fixtures.h"

#include "crypto/openssl_includes.h"

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

namespace qfix {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what) {
    ERR_print_errors_fp(stderr);
    throw std::runtime_error("fixture: " + what);
}

void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

// Legacy ciphers (DES, RC2) for making old-style fixtures; loaded once, with the default provider.
void legacy_ciphers() {
    static std::once_flag once;
    static OSSL_PROVIDER* def = nullptr;
    static OSSL_PROVIDER* legacy = nullptr;
    std::call_once(once, [] {
        def = OSSL_PROVIDER_load(nullptr, "default");
        legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        check(def && legacy, "legacy provider");
        // Released before OpenSSL's own clean-up, so that leak checkers see nothing left.
        std::atexit([] {
            OSSL_PROVIDER_unload(legacy);
            OSSL_PROVIDER_unload(def);
        });
    });
}

Pkey own(EVP_PKEY* k) {
    check(k != nullptr, "key generation");
    return Pkey(k, EVP_PKEY_free);
}

Pkey keygen(const char* alg, EVP_PKEY* params, int rsa_bits) {
    EVP_PKEY_CTX* ctx = params ? EVP_PKEY_CTX_new_from_pkey(nullptr, params, nullptr)
                               : EVP_PKEY_CTX_new_from_name(nullptr, alg, nullptr);
    check(ctx && EVP_PKEY_keygen_init(ctx) > 0, "keygen init");
    if (rsa_bits) check(EVP_PKEY_CTX_set_rsa_keygen_bits(ctx, rsa_bits) > 0, "rsa bits");
    if (std::string(alg) == "EC") check(EVP_PKEY_CTX_set_group_name(ctx, "P-256") > 0, "ec group");
    EVP_PKEY* key = nullptr;
    check(EVP_PKEY_keygen(ctx, &key) > 0, "keygen");
    EVP_PKEY_CTX_free(ctx);
    return own(key);
}

X509_NAME* build_name(const Name& name) {
    X509_NAME* n = X509_NAME_new();
    for (const auto& [spelled, value] : name) {
        std::string field = spelled;
        int type = MBSTRING_UTF8;
        if (field.ends_with("/printable")) {
            field.resize(field.size() - 10);
            type = V_ASN1_PRINTABLESTRING;
        }
        check(X509_NAME_add_entry_by_txt(n, field.c_str(), type, reinterpret_cast<const unsigned char*>(value.data()),
                                         static_cast<int>(value.size()), -1, 0) == 1,
              "name entry");
    }
    return n;
}

void add_ext(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    check(ext && X509_add_ext(cert, ext, -1), "extension");
    X509_EXTENSION_free(ext);
}

// The identifier "keyid" would take from the issuer's certificate: SHA-1 of its public key's bits.
void add_authority_key_id(X509* cert, EVP_PKEY* issuer_key) {
    X509_PUBKEY* pub = nullptr;
    check(X509_PUBKEY_set(&pub, issuer_key) == 1, "issuer public key");
    const unsigned char* bits = nullptr;
    int len = 0;
    X509_PUBKEY_get0_param(nullptr, &bits, &len, nullptr, pub);
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int md_len = 0;
    check(EVP_Digest(bits, static_cast<size_t>(len), md, &md_len, EVP_sha1(), nullptr) == 1, "key id");
    AUTHORITY_KEYID* akid = AUTHORITY_KEYID_new();
    akid->keyid = ASN1_OCTET_STRING_new();
    ASN1_OCTET_STRING_set(akid->keyid, md, static_cast<int>(md_len));
    check(X509_add1_ext_i2d(cert, NID_authority_key_identifier, akid, 0, X509V3_ADD_DEFAULT) == 1, "aki");
    AUTHORITY_KEYID_free(akid);
    X509_PUBKEY_free(pub);
}

const EVP_MD* digest_for(EVP_PKEY* key) {
    int id = EVP_PKEY_get_base_id(key);
    return (id == EVP_PKEY_ED25519 || id == EVP_PKEY_ED448) ? nullptr : EVP_sha256();
}

template <class T, int (*I2d)(const T*, unsigned char**)>
Bytes to_der(const T* obj) {
    unsigned char* out = nullptr;
    int n = I2d(obj, &out);
    check(n > 0, "der encoding");
    Bytes b(out, out + n);
    OPENSSL_free(out);
    return b;
}

Bytes bio_bytes(BIO* bio) {
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    return Bytes(data, data + n);
}

template <class Write>
Bytes pem_with(Write write) {
    BIO* bio = BIO_new(BIO_s_mem());
    check(write(bio) == 1, "pem encoding");
    Bytes b = bio_bytes(bio);
    BIO_free(bio);
    return b;
}

}  // namespace

// ---- Keys ------------------------------------------------------------------------------------

Pkey rsa_key(int slot) {
    static std::mutex m;
    static std::map<int, Pkey> cache;
    std::lock_guard lock(m);
    auto& k = cache[slot];
    if (!k) k = keygen("RSA", nullptr, 2048);
    return k;
}

Pkey new_rsa_key(int bits) { return keygen("RSA", nullptr, bits); }
Pkey ec_key() { return keygen("EC", nullptr, 0); }
Pkey ed25519_key() { return keygen("ED25519", nullptr, 0); }

Pkey dsa_key() {
    static std::once_flag once;
    static Pkey params;
    std::call_once(once, [] {
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "DSA", nullptr);
        check(ctx && EVP_PKEY_paramgen_init(ctx) > 0, "dsa paramgen init");
        check(EVP_PKEY_CTX_set_dsa_paramgen_bits(ctx, 1024) > 0, "dsa bits");
        check(EVP_PKEY_CTX_set_dsa_paramgen_q_bits(ctx, 160) > 0, "dsa q bits");
        EVP_PKEY* p = nullptr;
        check(EVP_PKEY_paramgen(ctx, &p) > 0, "dsa paramgen");
        EVP_PKEY_CTX_free(ctx);
        params = own(p);
    });
    return keygen("DSA", params.get(), 0);
}

// ---- Names, certificates, requests, CRLs -----------------------------------------------------------

Name cn(const std::string& common_name) { return {{"CN", common_name}}; }

CertPtr make_cert(const Name& subject, const Pkey& subject_key, const Name& issuer, const Pkey& issuer_key,
                  CertOptions options) {
    X509* x = X509_new();
    check(x && X509_set_version(x, 2), "cert version");
    ASN1_INTEGER_set(X509_get_serialNumber(x), options.serial);
    X509_gmtime_adj(X509_getm_notBefore(x), 60L * 60 * 24 * options.from_days);
    X509_gmtime_adj(X509_getm_notAfter(x), 60L * 60 * 24 * options.days);
    X509_NAME* s = build_name(subject);
    X509_NAME* i = build_name(issuer);
    X509_set_subject_name(x, s);
    X509_set_issuer_name(x, i);
    X509_NAME_free(s);
    X509_NAME_free(i);
    check(X509_set_pubkey(x, subject_key.get()) == 1, "cert pubkey");
    add_ext(x, x, NID_basic_constraints, options.ca ? "critical,CA:TRUE" : "CA:FALSE");
    add_ext(x, x, NID_subject_key_identifier, "hash");
    if (options.authority_key_id) add_authority_key_id(x, issuer_key.get());
    if (!options.ca_issuers.empty()) add_ext(x, x, NID_info_access, ("caIssuers;URI:" + options.ca_issuers).c_str());
    check(X509_sign(x, issuer_key.get(), digest_for(issuer_key.get())) > 0, "cert sign");
    return CertPtr(x, X509_free);
}

CertPtr make_self_signed(const Name& subject, const Pkey& key, CertOptions options) {
    options.ca = true;
    return make_cert(subject, key, subject, key, options);
}

ReqPtr make_req(const Name& subject, const Pkey& key) {
    X509_REQ* r = X509_REQ_new();
    check(r && X509_REQ_set_version(r, 0), "req version");
    X509_NAME* s = build_name(subject);
    X509_REQ_set_subject_name(r, s);
    X509_NAME_free(s);
    check(X509_REQ_set_pubkey(r, key.get()) == 1, "req pubkey");
    check(X509_REQ_sign(r, key.get(), digest_for(key.get())) > 0, "req sign");
    return ReqPtr(r, X509_REQ_free);
}

CrlPtr make_crl(const Name& issuer, const Pkey& issuer_key, const std::vector<long>& revoked_serials) {
    X509_CRL* c = X509_CRL_new();
    check(c && X509_CRL_set_version(c, 1), "crl version");
    X509_NAME* i = build_name(issuer);
    X509_CRL_set_issuer_name(c, i);
    X509_NAME_free(i);
    ASN1_TIME* now = X509_gmtime_adj(nullptr, 0);
    ASN1_TIME* next = X509_gmtime_adj(nullptr, 60L * 60 * 24 * 30);
    X509_CRL_set1_lastUpdate(c, now);
    X509_CRL_set1_nextUpdate(c, next);
    for (long serial : revoked_serials) {
        X509_REVOKED* r = X509_REVOKED_new();
        ASN1_INTEGER* sn = ASN1_INTEGER_new();
        ASN1_INTEGER_set(sn, serial);
        X509_REVOKED_set_serialNumber(r, sn);
        X509_REVOKED_set_revocationDate(r, now);
        // Every other entry says why, as in most published CRLs.
        if (serial % 2 == 0) {
            ASN1_ENUMERATED* reason = ASN1_ENUMERATED_new();
            ASN1_ENUMERATED_set(reason, CRL_REASON_KEY_COMPROMISE);
            X509_REVOKED_add1_ext_i2d(r, NID_crl_reason, reason, 0, 0);
            ASN1_ENUMERATED_free(reason);
        }
        X509_CRL_add0_revoked(c, r);
        ASN1_INTEGER_free(sn);
    }
    ASN1_TIME_free(now);
    ASN1_TIME_free(next);
    X509_CRL_sort(c);
    check(X509_CRL_sign(c, issuer_key.get(), digest_for(issuer_key.get())) > 0, "crl sign");
    return CrlPtr(c, X509_CRL_free);
}

Chain make_chain(int length, const std::string& prefix, bool rsa_leaf) {
    Chain chain;
    for (int i = 0; i < length; ++i) {
        Pkey key = (rsa_leaf && i == length - 1) ? rsa_key(0) : ec_key();
        Name name = {{"O", "Quillon Tests"}, {"CN", prefix + " " + std::to_string(i)}};
        CertOptions opt;
        opt.serial = 100 + i;
        opt.ca = i < length - 1;
        CertPtr cert = i == 0 ? make_self_signed(name, key, opt)
                              : make_cert(name, key, chain.names.back(), chain.keys.back(), opt);
        chain.keys.push_back(key);
        chain.certs.push_back(cert);
        chain.names.push_back(name);
    }
    return chain;
}

// ---- Encodings --------------------------------------------------------------------------------------

Bytes der_of(X509* cert) { return to_der<X509, i2d_X509>(cert); }
Bytes der_of(X509_CRL* crl) { return to_der<X509_CRL, i2d_X509_CRL>(crl); }
Bytes der_of(X509_REQ* req) { return to_der<X509_REQ, i2d_X509_REQ>(req); }
Bytes pem_of(X509* cert) {
    return pem_with([&](BIO* b) { return PEM_write_bio_X509(b, cert); });
}
Bytes pem_of(X509_CRL* crl) {
    return pem_with([&](BIO* b) { return PEM_write_bio_X509_CRL(b, crl); });
}
Bytes pem_of(X509_REQ* req) {
    return pem_with([&](BIO* b) { return PEM_write_bio_X509_REQ(b, req); });
}
Bytes public_der(EVP_PKEY* key) { return to_der<EVP_PKEY, i2d_PUBKEY>(key); }

std::string openssl_cli_subject(const fs::path& cert_pem_file) {
    auto r = run_command(
        "openssl x509 -noout -subject -nameopt utf8,sep_comma_plus_space,esc_2253,esc_ctrl,-esc_msb"
        " -in '" +
        cert_pem_file.string() + "'");
    check(r.status == 0, "openssl x509 -subject");
    std::string s = r.out;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const std::string prefix = "subject=";
    if (s.rfind(prefix, 0) == 0) s.erase(0, prefix.size());
    return s;
}

// ---- Files -------------------------------------------------------------------------------------------

void write_bytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    check(static_cast<bool>(f), "write file");
}

void write_text(const fs::path& path, const std::string& text) { write_bytes(path, Bytes(text.begin(), text.end())); }

Bytes read_bytes(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_cert(const fs::path& path, X509* cert, Form form) {
    write_bytes(path, form == Form::Pem ? pem_of(cert) : der_of(cert));
}
void write_crl(const fs::path& path, X509_CRL* crl, Form form) {
    write_bytes(path, form == Form::Pem ? pem_of(crl) : der_of(crl));
}
void write_req(const fs::path& path, X509_REQ* req, Form form) {
    write_bytes(path, form == Form::Pem ? pem_of(req) : der_of(req));
}

void write_p7(const fs::path& path, const std::vector<CertPtr>& certs, const std::vector<CrlPtr>& crls, Form form) {
    PKCS7* p7 = PKCS7_new();
    check(p7 && PKCS7_set_type(p7, NID_pkcs7_signed) && PKCS7_content_new(p7, NID_pkcs7_data), "p7 new");
    for (const auto& c : certs) check(PKCS7_add_certificate(p7, c.get()) == 1, "p7 cert");
    for (const auto& c : crls) check(PKCS7_add_crl(p7, c.get()) == 1, "p7 crl");
    Bytes out =
        form == Form::Pem ? pem_with([&](BIO* b) { return PEM_write_bio_PKCS7(b, p7); }) : to_der<PKCS7, i2d_PKCS7>(p7);
    PKCS7_free(p7);
    write_bytes(path, out);
}

void write_p8(const fs::path& path, EVP_PKEY* key, Form form) {
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(key);
    check(p8 != nullptr, "pkcs8");
    Bytes out = form == Form::Pem ? pem_with([&](BIO* b) { return PEM_write_bio_PKCS8_PRIV_KEY_INFO(b, p8); })
                                  : to_der<PKCS8_PRIV_KEY_INFO, i2d_PKCS8_PRIV_KEY_INFO>(p8);
    PKCS8_PRIV_KEY_INFO_free(p8);
    write_bytes(path, out);
}

void write_p8_encrypted(const fs::path& path, EVP_PKEY* key, const std::string& pass, Form form, int pbe_nid,
                        const char* cipher, int iterations) {
    legacy_ciphers();
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(key);
    check(p8 != nullptr, "pkcs8");
    EVP_CIPHER* c = cipher ? EVP_CIPHER_fetch(nullptr, cipher, nullptr) : nullptr;
    X509_SIG* sig = PKCS8_encrypt_ex(pbe_nid, c, pass.c_str(), static_cast<int>(pass.size()), nullptr, 0, iterations,
                                     p8, nullptr, nullptr);
    EVP_CIPHER_free(c);
    PKCS8_PRIV_KEY_INFO_free(p8);
    check(sig != nullptr, "pkcs8 encrypt");
    Bytes out = form == Form::Pem ? pem_with([&](BIO* b) { return PEM_write_bio_PKCS8(b, sig); })
                                  : to_der<X509_SIG, i2d_X509_SIG>(sig);
    X509_SIG_free(sig);
    write_bytes(path, out);
}

void write_traditional_key(const fs::path& path, EVP_PKEY* key, const char* cipher, const std::string& pass) {
    OSSL_ENCODER_CTX* ctx = OSSL_ENCODER_CTX_new_for_pkey(key, EVP_PKEY_KEYPAIR, "PEM", "type-specific", nullptr);
    check(ctx && OSSL_ENCODER_CTX_get_num_encoders(ctx) > 0, "traditional encoder");
    if (cipher) {
        legacy_ciphers();
        check(OSSL_ENCODER_CTX_set_cipher(ctx, cipher, nullptr) == 1, "encoder cipher");
        check(
            OSSL_ENCODER_CTX_set_passphrase(ctx, reinterpret_cast<const unsigned char*>(pass.data()), pass.size()) == 1,
            "encoder pass");
    }
    unsigned char* data = nullptr;
    size_t len = 0;
    check(OSSL_ENCODER_to_data(ctx, &data, &len) == 1, "traditional encode");
    Bytes out(data, data + len);
    OPENSSL_free(data);
    OSSL_ENCODER_CTX_free(ctx);
    write_bytes(path, out);
}

void write_dsa_der(const fs::path& path, EVP_PKEY* dsa) {
    OSSL_ENCODER_CTX* ctx = OSSL_ENCODER_CTX_new_for_pkey(dsa, EVP_PKEY_KEYPAIR, "DER", "type-specific", nullptr);
    check(ctx && OSSL_ENCODER_CTX_get_num_encoders(ctx) > 0, "dsa der encoder");
    unsigned char* data = nullptr;
    size_t len = 0;
    check(OSSL_ENCODER_to_data(ctx, &data, &len) == 1, "dsa der encode");
    Bytes out(data, data + len);
    OPENSSL_free(data);
    OSSL_ENCODER_CTX_free(ctx);
    write_bytes(path, out);
}

Bytes make_p12(EVP_PKEY* key, X509* cert, const std::vector<CertPtr>& extra, const P12Options& o) {
    legacy_ciphers();
    STACK_OF(X509)* ca = sk_X509_new_null();
    for (const auto& c : extra) sk_X509_push(ca, c.get());
    PKCS12* p12 = PKCS12_create_ex(o.pass.c_str(), o.name.empty() ? nullptr : o.name.c_str(), key, cert, ca, o.key_pbe,
                                   o.cert_pbe, o.iterations, o.mac ? o.mac_iterations : -1, 0, nullptr, nullptr);
    sk_X509_free(ca);
    check(p12 != nullptr, "pkcs12 create");
    Bytes out = to_der<PKCS12, i2d_PKCS12>(p12);
    PKCS12_free(p12);
    return out;
}

void write_p12(const fs::path& path, EVP_PKEY* key, X509* cert, const std::vector<CertPtr>& extra,
               const P12Options& options) {
    write_bytes(path, make_p12(key, cert, extra, options));
}

// ---- Helpers -------------------------------------------------------------------------------------------

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "quillon-test-XXXXXX").string();
    check(mkdtemp(tmpl.data()) != nullptr, "mkdtemp");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; open them up so that everything goes.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

namespace {
ScriptedPassProvider* g_scripted = nullptr;  // the innermost one alive
}  // namespace

ScriptedPassProvider::ScriptedPassProvider(std::deque<std::optional<std::string>> answers)
    : script_(std::make_shared<Script>()), outer_(g_scripted) {
    script_->answers = std::move(answers);
    g_scripted = this;
}

ScriptedPassProvider::~ScriptedPassProvider() { g_scripted = outer_; }

PassProvider ScriptedPassProvider::source() const {
    return [weak = std::weak_ptr<Script>(script_)](const PassRequest& request) -> std::optional<SecretString> {
        const std::shared_ptr<Script> script = weak.lock();
        if (!script) return std::nullopt;
        script->requests.push_back(request);
        if (script->answers.empty()) return std::nullopt;
        auto answer = std::move(script->answers.front());
        script->answers.pop_front();
        if (!answer) return std::nullopt;
        return SecretString(*answer);
    };
}

KxInput input_of(const std::filesystem::path& path) {
    return KxInput(path.c_str(), g_scripted ? g_scripted->source() : PassProvider{});
}

CommandResult run_command(const std::string& command) {
    CommandResult r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace qfix

namespace qfix {
namespace {

Bytes random_bytes(std::size_t n) {
    Bytes b(n);
    RAND_bytes(b.data(), static_cast<int>(n));
    return b;
}

X509_ALGOR* pbe_algor(int pbe_nid, long iterations) {
    if (pbe_nid != -1) return PKCS5_pbe_set(pbe_nid, static_cast<int>(iterations), nullptr, 0);
    EVP_CIPHER* c = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
    X509_ALGOR* a = PKCS5_pbe2_set_iv(c, static_cast<int>(iterations), nullptr, 0, nullptr, NID_hmacWithSHA256);
    EVP_CIPHER_free(c);
    return a;
}

X509_SIG* fake_encrypted_key(int pbe_nid, long iterations) {
    X509_SIG* sig = X509_SIG_new();
    X509_ALGOR* alg = nullptr;
    ASN1_OCTET_STRING* digest = nullptr;
    X509_SIG_getm(sig, &alg, &digest);
    X509_ALGOR* crafted = pbe_algor(pbe_nid, iterations);
    check(crafted != nullptr, "crafted pbe");
    X509_ALGOR_set0(alg, OBJ_dup(crafted->algorithm), crafted->parameter->type,
                    crafted->parameter->type == V_ASN1_SEQUENCE ? crafted->parameter->value.sequence : nullptr);
    crafted->parameter->value.sequence = nullptr;
    X509_ALGOR_free(crafted);
    Bytes junk = random_bytes(64);
    ASN1_OCTET_STRING_set(digest, junk.data(), static_cast<int>(junk.size()));
    return sig;
}

}  // namespace

Bytes p8_encrypted_with_iterations(int pbe_nid, long iterations) {
    X509_SIG* sig = fake_encrypted_key(pbe_nid, iterations);
    Bytes out = to_der<X509_SIG, i2d_X509_SIG>(sig);
    X509_SIG_free(sig);
    return out;
}

Bytes p12_with_huge_iterations(HugeP12Part part, long iterations) {
    const int pbe = NID_pbe_WithSHA1And3_Key_TripleDES_CBC;
    STACK_OF(PKCS7)* safes = sk_PKCS7_new_null();
    STACK_OF(PKCS12_SAFEBAG)* bags = sk_PKCS12_SAFEBAG_new_null();
    CertPtr cert = make_self_signed(cn("crafted"), ec_key());
    sk_PKCS12_SAFEBAG_push(bags, PKCS12_SAFEBAG_create_cert(cert.get()));
    if (part == HugeP12Part::ShroudedKey)
        sk_PKCS12_SAFEBAG_push(bags, PKCS12_SAFEBAG_create0_pkcs8(fake_encrypted_key(pbe, iterations)));
    PKCS7* p7 = nullptr;
    if (part == HugeP12Part::EncryptedSafe) {
        p7 = PKCS7_new();
        check(PKCS7_set_type(p7, NID_pkcs7_encrypted) == 1, "encrypted safe");
        PKCS7_ENC_CONTENT* ec = p7->d.encrypted->enc_data;
        X509_ALGOR_free(ec->algorithm);
        ec->algorithm = PKCS5_pbe_set(pbe, static_cast<int>(iterations), nullptr, 0);
        ec->enc_data = ASN1_OCTET_STRING_new();
        Bytes junk = random_bytes(256);
        ASN1_OCTET_STRING_set(ec->enc_data, junk.data(), static_cast<int>(junk.size()));
        ASN1_OBJECT_free(ec->content_type);
        ec->content_type = OBJ_nid2obj(NID_pkcs7_data);
    } else {
        p7 = PKCS12_pack_p7data(bags);
    }
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    sk_PKCS7_push(safes, p7);
    PKCS12* p12 = PKCS12_add_safes(safes, 0);
    check(p12 != nullptr, "crafted pkcs12");
    sk_PKCS7_pop_free(safes, PKCS7_free);
    check(PKCS12_set_mac(p12, "", 0, nullptr, 0, 1, EVP_sha1()) == 1, "crafted mac");
    Bytes out = to_der<PKCS12, i2d_PKCS12>(p12);
    PKCS12_free(p12);
    if (part != HugeP12Part::Mac) return out;
    // The MAC's iteration count is the last element of the file: rebuild MacData and the outer SEQUENCE.
    const unsigned char* p = out.data();
    long len = 0;
    int tag = 0, cls = 0;
    ASN1_get_object(&p, &len, &tag, &cls, static_cast<long>(out.size()));
    const unsigned char* content = p;
    const unsigned char* end = p + len;
    const unsigned char* mac_start = nullptr;
    while (p < end) {  // the last child is MacData
        mac_start = p;
        const unsigned char* q = p;
        ASN1_get_object(&q, &len, &tag, &cls, end - p);
        p = q + len;
    }
    const unsigned char* q = mac_start;
    ASN1_get_object(&q, &len, &tag, &cls, end - mac_start);
    const unsigned char* mac_end = q + len;
    Bytes mac_children;
    const unsigned char* c = q;
    for (int i = 0; i < 2; ++i) {  // DigestInfo, salt: kept as they are
        const unsigned char* h = c;
        ASN1_get_object(&h, &len, &tag, &cls, mac_end - c);
        mac_children.insert(mac_children.end(), c, h + len);
        c = h + len;
    }
    ASN1_INTEGER* iter = ASN1_INTEGER_new();
    ASN1_INTEGER_set(iter, iterations);
    Bytes iter_der = to_der<ASN1_INTEGER, i2d_ASN1_INTEGER>(iter);
    ASN1_INTEGER_free(iter);
    mac_children.insert(mac_children.end(), iter_der.begin(), iter_der.end());
    auto wrap = [](const Bytes& body) {
        Bytes h(8);
        unsigned char* hp = h.data();
        ASN1_put_object(&hp, 1, static_cast<int>(body.size()), V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL);
        h.resize(static_cast<std::size_t>(hp - h.data()));
        h.insert(h.end(), body.begin(), body.end());
        return h;
    };
    Bytes outer_body(content, mac_start);
    Bytes mac = wrap(mac_children);
    outer_body.insert(outer_body.end(), mac.begin(), mac.end());
    return wrap(outer_body);
}

}  // namespace qfix
