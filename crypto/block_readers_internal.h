// Readers of one object's bytes (a decoded PEM block or a whole DER file), shared by the one-object
// readers and the reader of every block of a PEM file. Each records its failure in the input, as the
// path readers do.
#pragma once

#include "crypto/input_internal.h"
#include "crypto/p7_records_internal.h"
#include "crypto/pem_block_internal.h"

#include <memory>

namespace kx {

std::unique_ptr<Cert> cert_from_der(KxInput& in, const unsigned char* data,
                                    std::size_t len);  // the certificate part only
std::unique_ptr<Cert> req_from_der(KxInput& in, const unsigned char* data, std::size_t len);
std::unique_ptr<CRL> crl_from_der(KxInput& in, const unsigned char* data, std::size_t len);
// A private-key block of any label the key readers know (a body in clear is wiped once read); a pass
// phrase is asked of the input's source.
std::unique_ptr<Key> key_from_block(KxInput& in, PemBlock& block);
std::unique_ptr<P7Records> p7_from_der(KxInput& in, const unsigned char* data, std::size_t len);
std::unique_ptr<P12> p12_from_der(KxInput& in, const unsigned char* data, std::size_t len);

// Whether some reader takes blocks of this PEM label.
bool pem_label_read(const std::string& label);

}  // namespace kx
