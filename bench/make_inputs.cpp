// Makes the benchmark's inputs in a scratch folder: a three-certificate chain with its RSA key, a CRL
// of a million entries, a DER PKCS#7 bundle of 10,000 certificates, folders of single DER files, and a
// Java key store (JKS) of 1,000 trusted certificates.
// Uses the OpenSSL API directly: the command line would take minutes for the large inputs.
#include "crypto/openssl_ptr.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kBundleCerts = 10'000;     // the PKCS#7 bundle: one CA and 9,999 certificates it signed
constexpr int kManyFilesLarge = 10'000;  // the folder of single certificate files ...
constexpr int kManyFilesSmall = 1'000;   // ... and the small one the large one is measured against
constexpr long kCrlEntries = 1'000'000;
constexpr int kTrustStoreCerts = 1'000;  // the JKS trust store
constexpr const char* kTrustStorePass = "bench1";

using kx::BioPtr;
using kx::PkeyPtr;
using kx::X509Ptr;
using CrlPtr = kx::X509CrlPtr;
using NamePtr = kx::X509NamePtr;
using P7Ptr = kx::Pkcs7Ptr;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "make_inputs: %s failed\n", what.c_str());
    std::exit(1);
}

void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

// A small deterministic generator, so that serial numbers look random yet every run makes the same ones.
struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

NamePtr make_name(const std::string& commonName) {
    NamePtr name(X509_NAME_new());
    check(name != nullptr, "X509_NAME_new");
    auto add = [&](const char* field, const std::string& value) {
        check(X509_NAME_add_entry_by_txt(name.get(), field, MBSTRING_UTF8,
                                         reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1, 0) == 1,
              "X509_NAME_add_entry_by_txt");
    };
    add("C", "ZZ");
    add("O", "Quillon Bench");
    add("CN", commonName);
    return name;
}

// A random 16-byte positive serial number, as public CAs issue them.
void set_serial(ASN1_INTEGER* target, SplitMix64& rng) {
    unsigned char bytes[16];
    for (int i = 0; i < 16; i += 8) {
        std::uint64_t v = rng.next();
        std::memcpy(bytes + i, &v, 8);
    }
    bytes[0] &= 0x7F;
    bytes[0] |= 0x01;
    BIGNUM* bn = BN_bin2bn(bytes, sizeof bytes, nullptr);
    check(bn != nullptr && BN_to_ASN1_INTEGER(bn, target) != nullptr, "serial number");
    BN_free(bn);
}

void add_ext(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    check(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "certificate extension");
    X509_EXTENSION_free(ext);
}

// A certificate for `key` named `subject`, signed by `signer` (self-signed when `issuer` is null).
X509Ptr make_cert(const X509_NAME* subject, EVP_PKEY* key, X509* issuer, EVP_PKEY* signer, bool ca, SplitMix64& rng) {
    X509Ptr cert(X509_new());
    check(cert != nullptr, "X509_new");
    check(X509_set_version(cert.get(), X509_VERSION_3) == 1, "X509_set_version");
    set_serial(X509_get_serialNumber(cert.get()), rng);
    check(X509_set_subject_name(cert.get(), subject) == 1, "X509_set_subject_name");
    check(X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : subject) == 1,
          "X509_set_issuer_name");
    check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0) != nullptr, "notBefore");
    check(X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600) != nullptr, "notAfter");
    check(X509_set_pubkey(cert.get(), key) == 1, "X509_set_pubkey");
    X509* issuerCert = issuer ? issuer : cert.get();
    add_ext(cert.get(), issuerCert, NID_basic_constraints, ca ? "critical,CA:TRUE" : "critical,CA:FALSE");
    add_ext(cert.get(), issuerCert, NID_key_usage,
            ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature,keyEncipherment");
    add_ext(cert.get(), issuerCert, NID_subject_key_identifier, "hash");
    if (issuer) add_ext(cert.get(), issuerCert, NID_authority_key_identifier, "keyid:always");
    check(X509_sign(cert.get(), signer, EVP_sha256()) > 0, "X509_sign");
    return cert;
}

PkeyPtr make_rsa_key() {
    PkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(2048)));
    check(key != nullptr, "RSA key generation");
    return key;
}

PkeyPtr make_ec_key() {
    PkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    check(key != nullptr, "EC key generation");
    return key;
}

BioPtr open_out(const fs::path& path) {
    BioPtr bio(BIO_new_file(path.c_str(), "wb"));
    if (!bio) fail("creating " + path.string());
    return bio;
}

void write_pem_cert(const fs::path& path, std::initializer_list<X509*> certs) {
    BioPtr bio = open_out(path);
    for (X509* cert : certs) check(PEM_write_bio_X509(bio.get(), cert) == 1, "PEM_write_bio_X509");
}

void write_der_cert(const fs::path& path, X509* cert) {
    BioPtr bio = open_out(path);
    check(i2d_X509_bio(bio.get(), cert) == 1, "i2d_X509_bio");
}

// The chain for the PKCS#12 and single-certificate cases: root, intermediate, user, all RSA-2048,
// and the user's key as a traditional unencrypted RSA PEM file.
void make_chain(const fs::path& dir, SplitMix64& rng) {
    PkeyPtr rootKey = make_rsa_key(), interKey = make_rsa_key(), userKey = make_rsa_key();
    NamePtr rootName = make_name("Bench Root CA"), interName = make_name("Bench Intermediate CA"),
            userName = make_name("bench user");
    X509Ptr root = make_cert(rootName.get(), rootKey.get(), nullptr, rootKey.get(), true, rng);
    X509Ptr inter = make_cert(interName.get(), interKey.get(), root.get(), rootKey.get(), true, rng);
    X509Ptr user = make_cert(userName.get(), userKey.get(), inter.get(), interKey.get(), false, rng);
    write_pem_cert(dir / "root.pem", {root.get()});
    write_pem_cert(dir / "inter.pem", {inter.get()});
    write_pem_cert(dir / "user.pem", {user.get()});
    write_pem_cert(dir / "chain.pem", {user.get(), inter.get(), root.get()});
    BioPtr keyOut = open_out(dir / "user-key.pem");
    check(PEM_write_bio_PrivateKey_traditional(keyOut.get(), userKey.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "writing the RSA key");
}

// A CA (EC P-256, to keep generation fast) and the certificates it signs, all sharing one key pair.
struct Issuer {
    PkeyPtr key;
    X509Ptr cert;
};

Issuer make_issuing_ca(SplitMix64& rng) {
    Issuer ca{make_ec_key(), nullptr};
    NamePtr name = make_name("Bench Bundle CA");
    ca.cert = make_cert(name.get(), ca.key.get(), nullptr, ca.key.get(), true, rng);
    return ca;
}

std::vector<X509Ptr> make_leaves(const Issuer& ca, int count, SplitMix64& rng) {
    PkeyPtr leafKey = make_ec_key();
    std::vector<X509Ptr> leaves;
    leaves.reserve(count);
    char cn[64];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(cn, sizeof cn, "bench leaf %05d", i);
        NamePtr name = make_name(cn);
        leaves.push_back(make_cert(name.get(), leafKey.get(), ca.cert.get(), ca.key.get(), false, rng));
    }
    return leaves;
}

// Certificates-only SignedData in DER: the leaves, then their CA last, so that finding the top
// has to look through the whole bundle.
void make_bundle(const fs::path& path, const Issuer& ca, const std::vector<X509Ptr>& leaves) {
    P7Ptr p7(PKCS7_new());
    check(p7 != nullptr && PKCS7_set_type(p7.get(), NID_pkcs7_signed) == 1, "PKCS7_set_type");
    check(PKCS7_content_new(p7.get(), NID_pkcs7_data) == 1, "PKCS7_content_new");
    for (const X509Ptr& leaf : leaves) check(PKCS7_add_certificate(p7.get(), leaf.get()) == 1, "PKCS7_add_certificate");
    check(PKCS7_add_certificate(p7.get(), ca.cert.get()) == 1, "PKCS7_add_certificate");
    BioPtr bio = open_out(path);
    check(i2d_PKCS7_bio(bio.get(), p7.get()) == 1, "i2d_PKCS7_bio");
}

// One DER certificate per file, the CA first (f00000.der) so that a run over the sorted names keeps a
// two-certificate chain while every later file is read, arranged and cleaned away again.
void make_file_folder(const fs::path& dir, const Issuer& ca, const std::vector<X509Ptr>& leaves, int count) {
    fs::create_directories(dir);
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "f%05d.der", i);
        write_der_cert(dir / name, i == 0 ? ca.cert.get() : leaves[i - 1].get());
    }
}

// A version 2 CRL of `entries` revoked serial numbers, every fourth with a reason code, signed by the CA.
void make_crl(const fs::path& path, const Issuer& ca, long entries, SplitMix64& rng) {
    CrlPtr crl(X509_CRL_new());
    check(crl != nullptr, "X509_CRL_new");
    check(X509_CRL_set_version(crl.get(), X509_CRL_VERSION_2) == 1, "X509_CRL_set_version");
    check(X509_CRL_set_issuer_name(crl.get(), X509_get_subject_name(ca.cert.get())) == 1, "CRL issuer");
    ASN1_TIME* now = X509_gmtime_adj(nullptr, 0);
    ASN1_TIME* next = X509_gmtime_adj(nullptr, 7L * 24 * 3600);
    ASN1_TIME* revoked = X509_gmtime_adj(nullptr, -3600);
    check(now && next && revoked, "CRL times");
    check(X509_CRL_set1_lastUpdate(crl.get(), now) == 1 && X509_CRL_set1_nextUpdate(crl.get(), next) == 1,
          "CRL update times");
    ASN1_ENUMERATED* reason = ASN1_ENUMERATED_new();
    check(reason != nullptr && ASN1_ENUMERATED_set(reason, CRL_REASON_KEY_COMPROMISE) == 1, "reason code");
    for (long i = 0; i < entries; ++i) {
        X509_REVOKED* entry = X509_REVOKED_new();
        check(entry != nullptr, "X509_REVOKED_new");
        ASN1_INTEGER* serial = ASN1_INTEGER_new();
        check(serial != nullptr, "ASN1_INTEGER_new");
        set_serial(serial, rng);
        check(X509_REVOKED_set_serialNumber(entry, serial) == 1, "revoked serial");
        ASN1_INTEGER_free(serial);
        check(X509_REVOKED_set_revocationDate(entry, revoked) == 1, "revocation date");
        if (i % 4 == 0) check(X509_REVOKED_add1_ext_i2d(entry, NID_crl_reason, reason, 0, 0) == 1, "reason");
        check(X509_CRL_add0_revoked(crl.get(), entry) == 1, "X509_CRL_add0_revoked");
    }
    ASN1_ENUMERATED_free(reason);
    ASN1_TIME_free(now);
    ASN1_TIME_free(next);
    ASN1_TIME_free(revoked);
    ASN1_INTEGER* number = ASN1_INTEGER_new();
    check(number != nullptr && ASN1_INTEGER_set(number, 42) == 1, "CRL number");
    check(X509_CRL_add1_ext_i2d(crl.get(), NID_crl_number, number, 0, 0) == 1, "CRL number extension");
    ASN1_INTEGER_free(number);
    check(X509_CRL_sign(crl.get(), ca.key.get(), EVP_sha256()) > 0, "X509_CRL_sign");
    BioPtr bio = open_out(path);
    check(i2d_X509_CRL_bio(bio.get(), crl.get()) == 1, "i2d_X509_CRL_bio");
}

// A JKS (version 2) of trusted-certificate entries, the CA first, as keytool writes one: big-endian
// counts, each alias and the type in Java's modified UTF-8 (plain ASCII here), and last the SHA-1 of the
// pass phrase as UTF-16BE, the words "Mighty Aphrodite" and everything before the digest.
void make_trust_jks(const fs::path& path, const Issuer& ca, const std::vector<X509Ptr>& leaves, int count) {
    std::vector<unsigned char> out;
    auto u32 = [&out](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
    };
    auto utf = [&out](const std::string& text) {
        out.push_back(static_cast<unsigned char>(text.size() >> 8));
        out.push_back(static_cast<unsigned char>(text.size() & 0xFF));
        out.insert(out.end(), text.begin(), text.end());
    };
    u32(0xFEEDFEED);
    u32(2);
    u32(static_cast<std::uint32_t>(count));
    char alias[32];
    for (int i = 0; i < count; ++i) {
        u32(2);  // a trusted certificate
        std::snprintf(alias, sizeof alias, "cert%04d", i);
        utf(alias);
        u32(0);  // the date it was added, in milliseconds: two words
        u32(0);
        utf("X.509");
        unsigned char* der = nullptr;
        const int len = i2d_X509(i == 0 ? ca.cert.get() : leaves[i - 1].get(), &der);
        check(len > 0, "i2d_X509");
        u32(static_cast<std::uint32_t>(len));
        out.insert(out.end(), der, der + len);
        OPENSSL_free(der);
    }
    std::vector<unsigned char> keyed;
    for (const char* c = kTrustStorePass; *c; ++c) keyed.insert(keyed.end(), {0, static_cast<unsigned char>(*c)});
    const std::string whitener = "Mighty Aphrodite";
    keyed.insert(keyed.end(), whitener.begin(), whitener.end());
    keyed.insert(keyed.end(), out.begin(), out.end());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLen = 0;
    check(EVP_Digest(keyed.data(), keyed.size(), digest, &digestLen, EVP_sha1(), nullptr) == 1, "EVP_Digest");
    out.insert(out.end(), digest, digest + digestLen);
    BioPtr bio = open_out(path);
    check(BIO_write(bio.get(), out.data(), static_cast<int>(out.size())) == static_cast<int>(out.size()), "BIO_write");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\nWrites the benchmark inputs into DIR (made if missing).\n", argv[0]);
        return 2;
    }
    const fs::path dir = argv[1];
    std::error_code ec;
    fs::create_directories(dir / "chain", ec);
    if (ec) fail("creating " + dir.string());

    SplitMix64 rng{0x51CE};
    make_chain(dir / "chain", rng);
    Issuer ca = make_issuing_ca(rng);
    std::vector<X509Ptr> leaves = make_leaves(ca, kBundleCerts - 1, rng);
    make_bundle(dir / "bundle-10k.p7b", ca, leaves);
    make_file_folder(dir / "files-1k", ca, leaves, kManyFilesSmall);
    make_file_folder(dir / "files-10k", ca, leaves, kManyFilesLarge);
    make_trust_jks(dir / "trust-1k.jks", ca, leaves, kTrustStoreCerts);
    leaves.clear();
    make_crl(dir / "crl-1m.der", ca, kCrlEntries, rng);
    return 0;
}
