// Writers of single records: DER bytes as they are, and certificates, CRLs and requests in PEM made
// straight from their stored DER (no re-encoding, so the bytes stay exactly as read).
#include "crypto/atomic_file_internal.h"
#include "crypto/writer_common_internal.h"

#include <limits>

namespace {

KxWriteOutcome write_pem(const std::vector<unsigned char>* der, const char* label, const KxWriteSettings& settings) {
    const kx::WriteCall call;
    if (!der || der->empty() || der->size() > static_cast<std::size_t>(std::numeric_limits<long>::max()))
        return call.failed(KxWriteFailure::Encoding);
    // Streamed into the file: a big CRL is not held a second time as its PEM text.
    return kx::write_atomic(
        settings,
        [&](BIO* out) { return PEM_write_bio(out, label, "", der->data(), static_cast<long>(der->size())) > 0; },
        false);
}

}  // namespace

KxWriteOutcome ASN1_write_der(const std::vector<unsigned char>& der, const KxWriteSettings& settings) {
    return kx::write_atomic(settings, der.data(), der.size(), false);
}

KxWriteOutcome PEM_write_cert(const Cert* cert, const KxWriteSettings& settings) {
    return write_pem(cert ? &cert->der : nullptr, PEM_STRING_X509, settings);
}

KxWriteOutcome PEM_write_crl(const CRL* crl, const KxWriteSettings& settings) {
    return write_pem(crl ? &crl->der : nullptr, PEM_STRING_X509_CRL, settings);
}

KxWriteOutcome PEM_write_req(const Cert* req, const KxWriteSettings& settings) {
    return write_pem(req ? &req->der : nullptr, PEM_STRING_X509_REQ, settings);
}
