// Opening a Java key store's private-key entry: the EncryptedPrivateKeyInfo read, the key decrypted to
// PKCS#8 and made an OpenSSL key. The plain key bytes are wiped as soon as the key is made.
#include "crypto/jks_crypto_internal.h"
#include "crypto/kx_internal.h"

#include <algorithm>
#include <cstring>

namespace kx::jks {
namespace {

// JKS's own key protection (a SHA-1 keystream), and Sun's PBEWithMD5AndTripleDES of JCEKS.
const char* const kJksKeyProtectorOid = "1.3.6.1.4.1.42.2.17.1.1";
const char* const kMd5TripleDesOid = "1.3.6.1.4.1.42.2.19.1";

constexpr std::size_t kSha1Size = 20;
constexpr std::size_t kPbeSaltSize = 8;

using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX, EVP_MD_CTX_free>>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, Freer<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;

std::string oid_text(const ASN1_OBJECT* obj) {
    char buf[128];
    int n = OBJ_obj2txt(buf, sizeof buf, obj, 1);
    return n > 0 && n < static_cast<int>(sizeof buf) ? std::string(buf) : std::string();
}

// SHA-1 (or MD5) over the given parts, into `out` (of the digest's size).
bool digest(const EVP_MD* md, EVP_MD_CTX* ctx,
            std::initializer_list<std::pair<const unsigned char*, std::size_t>> parts, unsigned char* out) {
    if (EVP_DigestInit_ex(ctx, md, nullptr) != 1) return false;
    for (const auto& [p, n] : parts)
        if (EVP_DigestUpdate(ctx, p, n) != 1) return false;
    return EVP_DigestFinal_ex(ctx, out, nullptr) == 1;
}

// The plain PKCS#8 bytes made an OpenSSL key; Damaged when they are no PKCS#8 key at all.
KeyOpen key_from_pkcs8(const SecretBytes& plain, PkeyPtr& out, std::string& detail) {
    const unsigned char* p = plain.bytes.data();
    const long len = static_cast<long>(plain.bytes.size());
    P8InfoPtr info(d2i_PKCS8_PRIV_KEY_INFO(nullptr, &p, len));
    if (!info || p != plain.bytes.data() + len) return KeyOpen::Damaged;
    out.reset(EVP_PKCS82PKEY(info.get()));
    if (out) return KeyOpen::Ok;
    const ASN1_OBJECT* alg = nullptr;
    PKCS8_pkey_get0(&alg, nullptr, nullptr, nullptr, info.get());
    detail = alg ? oid_text(alg) : std::string();
    return KeyOpen::Unsupported;
}

// JKS: salt (20 bytes), the key XORed with SHA-1(password || salt), SHA-1(password || previous) ...,
// then SHA-1(password || plain key) as the check.
KeyOpen open_jks(const ProtectedKey& key, const SecretString& pass, PkeyPtr& out, std::string& detail) {
    const std::size_t size = key.data.size() - 2 * kSha1Size;
    const unsigned char* salt = key.data.data();
    const unsigned char* enc = salt + kSha1Size;
    const unsigned char* check = enc + size;
    SecretBytes pw, plain;
    password_utf16be(pass, pw);
    plain.bytes.resize(size);
    MdCtxPtr ctx(EVP_MD_CTX_new());
    if (!ctx) return KeyOpen::Unsupported;
    unsigned char stream[kSha1Size];
    std::memcpy(stream, salt, kSha1Size);
    for (std::size_t at = 0; at < size; at += kSha1Size) {
        if (!digest(EVP_sha1(), ctx.get(), {{pw.bytes.data(), pw.bytes.size()}, {stream, kSha1Size}}, stream))
            return KeyOpen::Unsupported;
        for (std::size_t i = 0; i < kSha1Size && at + i < size; ++i) plain.bytes[at + i] = enc[at + i] ^ stream[i];
    }
    OPENSSL_cleanse(stream, sizeof stream);
    unsigned char mine[kSha1Size];
    if (!digest(EVP_sha1(), ctx.get(), {{pw.bytes.data(), pw.bytes.size()}, {plain.bytes.data(), size}}, mine))
        return KeyOpen::Unsupported;
    if (CRYPTO_memcmp(mine, check, kSha1Size) != 0) return KeyOpen::WrongPassword;
    return key_from_pkcs8(plain, out, detail);
}

// PBEWithMD5AndTripleDES: each half of the salt, hashed `iterations` times with the password (MD5 over
// the previous result and the password), gives 16 bytes; together the 24-byte key and the 8-byte IV.
// When both halves are equal, the first is reversed (so the two halves of the key differ).
bool derive_md5_3des(const ProtectedKey& key, const std::string& pw, unsigned char (&out)[32]) {
    unsigned char salt[kPbeSaltSize];
    std::memcpy(salt, key.salt.data(), kPbeSaltSize);
    if (std::memcmp(salt, salt + 4, 4) == 0) std::reverse(salt, salt + 4);
    MdCtxPtr ctx(EVP_MD_CTX_new());
    EVP_MD* md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
    bool ok = ctx && md5;
    for (int half = 0; half < 2 && ok; ++half) {
        unsigned char* h = out + 16 * half;
        std::memcpy(h, salt + 4 * half, 4);
        std::size_t hlen = 4;
        const auto* p = reinterpret_cast<const unsigned char*>(pw.data());
        for (std::uint64_t i = 0; i < key.iterations && ok; ++i) {
            ok = digest(md5, ctx.get(), {{h, hlen}, {p, pw.size()}}, h);
            hlen = 16;
        }
    }
    EVP_MD_free(md5);
    return ok;
}

KeyOpen open_md5_3des(const ProtectedKey& key, const SecretString& pass, PkeyPtr& out, std::string& detail) {
    // Java's PBE keys take printable ASCII only: a pass phrase of anything else cannot be the password.
    for (unsigned char c : pass.str())
        if (c < 0x20 || c > 0x7E) return KeyOpen::WrongPassword;
    unsigned char kiv[32];
    CipherPtr cipher(EVP_CIPHER_fetch(nullptr, "DES-EDE3-CBC", nullptr));
    CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
    if (!cipher || !ctx) {
        detail = "des-ede3-cbc";
        return KeyOpen::Unsupported;
    }
    if (!derive_md5_3des(key, pass.str(), kiv)) {
        detail = "md5";
        return KeyOpen::Unsupported;
    }
    SecretBytes plain;
    plain.bytes.resize(key.data.size() + 8);
    int n = 0, tail = 0;
    const bool ok =
        EVP_DecryptInit_ex2(ctx.get(), cipher.get(), kiv, kiv + 24, nullptr) == 1 &&
        EVP_DecryptUpdate(ctx.get(), plain.bytes.data(), &n, key.data.data(), static_cast<int>(key.data.size())) == 1 &&
        EVP_DecryptFinal_ex(ctx.get(), plain.bytes.data() + n, &tail) == 1;
    OPENSSL_cleanse(kiv, sizeof kiv);
    if (!ok) return KeyOpen::WrongPassword;  // the padding did not come out
    plain.bytes.resize(static_cast<std::size_t>(n) + static_cast<std::size_t>(tail));
    // One wrong password in 256 leaves padding that looks right: its bytes then make no PKCS#8 key.
    const KeyOpen o = key_from_pkcs8(plain, out, detail);
    return o == KeyOpen::Damaged ? KeyOpen::WrongPassword : o;
}

}  // namespace

KeyOpen parse_protected_key(const unsigned char* der, std::size_t len, ProtectedKey& out, std::string& detail) {
    const unsigned char* p = der;
    X509SigPtr sig(d2i_X509_SIG(nullptr, &p, static_cast<long>(len)));
    if (!sig || p != der + len) return KeyOpen::Damaged;
    const X509_ALGOR* alg = nullptr;
    const ASN1_OCTET_STRING* data = nullptr;
    X509_SIG_get0(sig.get(), &alg, &data);
    const ASN1_OBJECT* obj = nullptr;
    int ptype = 0;
    const void* pval = nullptr;
    X509_ALGOR_get0(&obj, &ptype, &pval, alg);
    const std::string oid = oid_text(obj);
    out.data.assign(ASN1_STRING_get0_data(data), ASN1_STRING_get0_data(data) + ASN1_STRING_length(data));
    if (oid == kJksKeyProtectorOid) {
        out.scheme = KeyScheme::JksKeyProtector;
        return out.data.size() < 2 * kSha1Size ? KeyOpen::Damaged : KeyOpen::Ok;
    }
    if (oid != kMd5TripleDesOid) {
        detail = oid.empty() ? "an unknown key protection" : oid;
        return KeyOpen::Unsupported;
    }
    out.scheme = KeyScheme::Md5TripleDes;
    if (ptype != V_ASN1_SEQUENCE) return KeyOpen::Damaged;
    const auto* seq = static_cast<const ASN1_STRING*>(pval);
    const unsigned char* q = ASN1_STRING_get0_data(seq);
    std::unique_ptr<PBEPARAM, Freer<PBEPARAM, PBEPARAM_free>> params(
        d2i_PBEPARAM(nullptr, &q, ASN1_STRING_length(seq)));
    std::uint64_t iterations = 0;
    if (!params || ASN1_STRING_length(params->salt) != static_cast<int>(kPbeSaltSize) ||
        ASN1_INTEGER_get_uint64(&iterations, params->iter) != 1 || iterations == 0 || out.data.empty() ||
        out.data.size() % 8 != 0)
        return KeyOpen::Damaged;
    if (iterations > KX_MAX_PBE_ITERATIONS) return KeyOpen::TooCostly;
    out.salt.assign(ASN1_STRING_get0_data(params->salt), ASN1_STRING_get0_data(params->salt) + kPbeSaltSize);
    out.iterations = iterations;
    return KeyOpen::Ok;
}

KeyOpen open_protected_key(const ProtectedKey& key, const SecretString& pass, PkeyPtr& out, std::string& detail) {
    ERR_set_mark();
    const KeyOpen o = key.scheme == KeyScheme::JksKeyProtector ? open_jks(key, pass, out, detail)
                                                               : open_md5_3des(key, pass, out, detail);
    ERR_pop_to_mark();
    return o;
}

}  // namespace kx::jks
