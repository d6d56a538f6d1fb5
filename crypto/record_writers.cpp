// Writers of single records: DER bytes as they are, and certificates, CRLs and requests in PEM made
// straight from their stored DER (no re-encoding, so the bytes stay exactly as read).
#include "crypto/atomic_file_internal.h"
#include "crypto/errors_internal.h"
#include "crypto/writer_common_internal.h"

#include <limits>

namespace {

int write_pem(const std::vector<unsigned char>& der, const char* label, const char* path) {
    kx::write_started();
    if (der.empty() || der.size() > static_cast<std::size_t>(std::numeric_limits<long>::max()))
        return kx::write_failed(KxWriteFailure::Encoding);
    // Streamed into the file: a big CRL is not held a second time as its PEM text.
    return kx::write_atomic(
               path,
               [&](BIO* out) { return PEM_write_bio(out, label, "", der.data(), static_cast<long>(der.size())) > 0; },
               false)
               ? 1
               : 0;
}

}  // namespace

int ASN1_write_der(const std::vector<unsigned char>& der, const char* path) {
    kx::write_started();
    return kx::write_atomic(path, der.data(), der.size(), false) ? 1 : 0;
}

int PEM_write_cert(const Cert* cert, const char* path) {
    if (!cert) return kx::write_failed(KxWriteFailure::Encoding);
    return write_pem(cert->der, PEM_STRING_X509, path);
}

int PEM_write_crl(const CRL* crl, const char* path) {
    if (!crl) return kx::write_failed(KxWriteFailure::Encoding);
    return write_pem(crl->der, PEM_STRING_X509_CRL, path);
}

int PEM_write_req(const Cert* req, const char* path) {
    if (!req) return kx::write_failed(KxWriteFailure::Encoding);
    return write_pem(req->der, PEM_STRING_X509_REQ, path);
}
