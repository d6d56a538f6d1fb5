// The crypto layer's PKCS#7 record and the calls that give or take it. OpenSSL's headers name a
// structure PKCS7 too, so this header stays apart from kx.h: a file that includes OpenSSL never
// includes it, and the readers' OpenSSL side hands its findings over through p7_records_internal.h.
#pragma once

#include "crypto/kx.h"

#include <memory>
#include <vector>

// What a PKCS#7 reader returns: the certificates and CRLs it holds, in file order.
struct PKCS7 {
    std::vector<std::unique_ptr<Cert>> certs;
    std::vector<std::unique_ptr<CRL>> crls;
};

// Move every record of `source` to the end of `container` as bags, in file order (the certificates,
// then the CRLs). The source is left empty; the caller releases it.
int P12_mov_p12bags(P12* container, PKCS7* source);
void P7_free(std::unique_ptr<PKCS7> p7);

// Readers: the record, or null when the file is not a PKCS#7 bundle holding a certificate or a CRL.
std::unique_ptr<PKCS7> PEM_read_p7(KxInput& in);
std::unique_ptr<PKCS7> P7s_read_file(KxInput& in);
