// Facts about certificates and keys for the chain's explanation: validity against the current time,
// CA and key-usage flags, signature checks, key sizes. Failures become "no" answers, never errors.
#include "crypto/kx_internal.h"

namespace {

using kx::X509Ptr;

X509Ptr ParseCert(const std::vector<unsigned char>& der) {
    const unsigned char* p = der.data();
    X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    return cert;
}

std::string TimeText(const ASN1_TIME* time) {
    std::string text;
    kx::BioPtr bio(BIO_new(BIO_s_mem()));
    if (!time || !bio || ASN1_TIME_print_ex(bio.get(), time, ASN1_DTFLGS_ISO8601) != 1) return text;
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    if (data && length > 0) text.assign(data, static_cast<std::size_t>(length));
    return text;
}

}  // namespace

KxKeyFacts KEY_facts(const KeyNumber& number) {
    KxKeyFacts facts;
    const EVP_PKEY* key = kx::pkey_of(number);
    if (!key) return facts;
    if (const char* name = EVP_PKEY_get0_type_name(key)) facts.type = name;
    facts.bits = EVP_PKEY_get_bits(key);
    return facts;
}

KxCertFacts CERT_facts(const std::vector<unsigned char>& der) {
    KxCertFacts facts;
    ERR_set_mark();
    X509Ptr cert = ParseCert(der);
    if (cert) {
        facts.parsed = true;
        const ASN1_TIME* notBefore = X509_get0_notBefore(cert.get());
        const ASN1_TIME* notAfter = X509_get0_notAfter(cert.get());
        // X509_cmp_current_time gives 0 for a time it cannot read; such a bound is not judged.
        facts.notYetValid = X509_cmp_current_time(notBefore) > 0;
        facts.expired = X509_cmp_current_time(notAfter) < 0;
        facts.notBefore = TimeText(notBefore);
        facts.notAfter = TimeText(notAfter);
        // X509_check_ca also counts old self-signed v1 roots as CAs; the check asked for is the flag itself.
        const uint32_t flags = X509_get_extension_flags(cert.get());
        facts.ca = (flags & EXFLAG_CA) != 0;
        facts.keyUsage = (flags & EXFLAG_KUSAGE) != 0;
        facts.keyCertSign = (X509_get_key_usage(cert.get()) & KU_KEY_CERT_SIGN) != 0;
    }
    ERR_pop_to_mark();
    return facts;
}

bool CERT_verifies_with(const std::vector<unsigned char>& der, const KeyNumber& signer) {
    EVP_PKEY* key = kx::pkey_of(signer);
    if (!key) return false;
    ERR_set_mark();
    X509Ptr cert = ParseCert(der);
    const bool verifies = cert && X509_verify(cert.get(), key) == 1;
    ERR_pop_to_mark();
    return verifies;
}
