// Writers of certs-only PKCS#7 SignedData (DER and PEM): the container's certificates leaf first,
// then its CRLs. Keys are never put into a PKCS#7 file.
#include "crypto/atomic_file_internal.h"
#include "crypto/bundle_order_internal.h"
#include "crypto/writer_common_internal.h"

#include <limits>

namespace {

bool add_records(PKCS7* p7, const kx::BundleBags& bags) {
    for (const P12Bag* bag : bags.certs) {
        const auto& der = bag->cert()->der;
        const unsigned char* p = der.data();
        kx::X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
        if (!x || PKCS7_add_certificate(p7, x.get()) != 1) return false;
    }
    for (const P12Bag* bag : bags.crls) {
        const auto& der = bag->crl()->der;
        const unsigned char* p = der.data();
        kx::X509CrlPtr c(d2i_X509_CRL(nullptr, &p, static_cast<long>(der.size())));
        if (!c || PKCS7_add_crl(p7, c.get()) != 1) return false;
    }
    return true;
}

KxWriteOutcome write_p7(const P12* container, const KxWriteSettings& settings, bool pem) {
    const kx::WriteCall call;
    kx::BundleBags bags = kx::bundle_bags(container);
    kx::Pkcs7Ptr p7(PKCS7_new());
    kx::BioPtr bio = kx::memory_bio();
    ERR_set_mark();
    bool ok = p7 && bio && PKCS7_set_type(p7.get(), NID_pkcs7_signed) && PKCS7_content_new(p7.get(), NID_pkcs7_data) &&
              add_records(p7.get(), bags) &&
              (pem ? PEM_write_bio_PKCS7(bio.get(), p7.get()) : i2d_PKCS7_bio(bio.get(), p7.get())) > 0;
    ERR_pop_to_mark();
    if (!ok) return call.failed(KxWriteFailure::Encoding);
    return kx::write_atomic(settings, bio.get(), false);
}

}  // namespace

KxWriteOutcome P7s_write_file(const P12* container, const KxWriteSettings& settings) {
    return write_p7(container, settings, false);
}
KxWriteOutcome PEM_write_p7(const P12* container, const KxWriteSettings& settings) {
    return write_p7(container, settings, true);
}
