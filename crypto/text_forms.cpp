// Text forms of certificates and keys, made in memory.
#include "crypto/kx_internal.h"
#include "crypto/kx_text.h"

#include <new>

namespace {

template <class Fill>
std::optional<std::string> bio_text(BIO* bio, Fill fill) {
    if (!bio || !fill(bio)) return std::nullopt;
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    if (n <= 0 || !data) return std::nullopt;
    return std::string(data, static_cast<std::size_t>(n));
}

}  // namespace

std::optional<std::string> CERT_pem_text(const std::vector<unsigned char>& der) {
    ERR_set_mark();
    const unsigned char* p = der.data();
    kx::X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    kx::BioPtr bio(BIO_new(BIO_s_mem()));
    std::optional<std::string> text;
    // The bytes themselves, not a new encoding of the parsed certificate: a server sends what was read.
    if (cert && p == der.data() + der.size())
        text = bio_text(bio.get(), [&](BIO* b) {
            return PEM_write_bio(b, PEM_STRING_X509, "", der.data(), static_cast<long>(der.size())) > 0;
        });
    ERR_pop_to_mark();
    return text;
}

std::optional<SecretString> KEY_p8_pem_text(const Key& key) {
    EVP_PKEY* pkey = kx::pkey_of(key.number);
    if (!pkey) return std::nullopt;
    ERR_set_mark();
    // Secure memory: the buffer is wiped when it is freed.
    kx::BioPtr bio(BIO_new(BIO_s_secmem()));
    std::optional<SecretString> text;
    try {
        if (std::optional<std::string> pem = bio_text(bio.get(), [&](BIO* b) {
                return PEM_write_bio_PrivateKey(b, pkey, nullptr, nullptr, 0, nullptr, nullptr) == 1;
            }))
            text.emplace(std::move(*pem));
    } catch (const std::bad_alloc&) {
        text.reset();
    }
    ERR_pop_to_mark();
    return text;
}

SecretString KX_base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return SecretString(std::move(out));
}

std::string CERT_common_name(const std::vector<unsigned char>& der) {
    std::string name;
    ERR_set_mark();
    const unsigned char* p = der.data();
    kx::X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    const X509_NAME* subject = cert ? X509_get_subject_name(cert.get()) : nullptr;
    int at = -1;
    for (int i = subject ? X509_NAME_get_index_by_NID(subject, NID_commonName, -1) : -1; i >= 0;
         i = X509_NAME_get_index_by_NID(subject, NID_commonName, i))
        at = i;
    unsigned char* utf8 = nullptr;
    const int n = at >= 0 ? ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at))) : -1;
    if (n > 0) name.assign(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(n));
    OPENSSL_free(utf8);
    ERR_pop_to_mark();
    return name;
}

std::u16string KX_utf16_of(const std::string& utf8) { return kx::utf8_to_u16(utf8); }
