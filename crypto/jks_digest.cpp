// A Java key store's integrity digest, and the pass phrase's bytes as Java's digests see them.
#include "crypto/jks_crypto_internal.h"
#include "crypto/kx_internal.h"

namespace kx::jks {

SecretBytes::~SecretBytes() { OPENSSL_cleanse(bytes.data(), bytes.size()); }

void password_utf16be(const SecretString& pass, SecretBytes& out) {
    std::u16string chars = utf8_to_u16(pass.str());
    out.bytes.resize(chars.size() * 2);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        out.bytes[2 * i] = static_cast<unsigned char>(chars[i] >> 8);
        out.bytes[2 * i + 1] = static_cast<unsigned char>(chars[i] & 0xFF);
    }
    OPENSSL_cleanse(chars.data(), chars.size() * sizeof(char16_t));
}

bool store_digest_matches(const unsigned char* data, std::size_t digest_offset, const SecretString& pass) {
    static const char kWhitener[] = "Mighty Aphrodite";
    SecretBytes pw;
    password_utf16be(pass, pw);
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    const bool done = ctx && EVP_DigestInit_ex2(ctx, EVP_sha1(), nullptr) == 1 &&
                      EVP_DigestUpdate(ctx, pw.bytes.data(), pw.bytes.size()) == 1 &&
                      EVP_DigestUpdate(ctx, kWhitener, sizeof kWhitener - 1) == 1 &&
                      EVP_DigestUpdate(ctx, data, digest_offset) == 1 && EVP_DigestFinal_ex(ctx, md, &n) == 1;
    EVP_MD_CTX_free(ctx);
    return done && n == 20 && CRYPTO_memcmp(md, data + digest_offset, n) == 0;
}

}  // namespace kx::jks
