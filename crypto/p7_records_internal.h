// What the OpenSSL side of the PKCS#7 readers (p7_readers.cpp) hands to the layer's record
// (p7_record.cpp): the two never meet in one file, since both name a type PKCS7.
#pragma once

#include "crypto/kx.h"

#include <memory>
#include <vector>

namespace kx {

// The certificates and CRLs of a PKCS#7 bundle, in file order.
struct P7Records {
    std::vector<std::unique_ptr<Cert>> certs;
    std::vector<std::unique_ptr<CRL>> crls;
};

// The bundle in a PEM / DER file, or null (the reason is recorded in the input).
std::unique_ptr<P7Records> read_p7_pem(KxInput& in);
std::unique_ptr<P7Records> read_p7_der(KxInput& in);

// Move every record of `records` to the end of `container` as bags, in file order (the certificates,
// then the CRLs); `records` is left empty.
void append_records(P12* container, P7Records& records);

}  // namespace kx
