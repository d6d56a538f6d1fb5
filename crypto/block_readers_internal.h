// Readers of one object's bytes (a decoded PEM block or a whole DER file), shared by the one-object
// readers and the reader of every block of a PEM file. Each records its failure as the path readers do.
#pragma once

#include "crypto/p7_records_internal.h"
#include "crypto/pem_block_internal.h"

#include <memory>

namespace kx {

std::unique_ptr<Cert> cert_from_der(const unsigned char* data, std::size_t len);  // the certificate part only
std::unique_ptr<Cert> req_from_der(const unsigned char* data, std::size_t len);
std::unique_ptr<CRL> crl_from_der(const unsigned char* data, std::size_t len);
// A private-key block of any label the key readers know (a body in clear is wiped once read); `path`
// names the file when a pass phrase is asked.
std::unique_ptr<Key> key_from_block(const char* path, PemBlock& block);
std::unique_ptr<P7Records> p7_from_der(const unsigned char* data, std::size_t len);
std::unique_ptr<P12> p12_from_der(const char* path, const unsigned char* data, std::size_t len);

// Whether some reader takes blocks of this PEM label.
bool pem_label_read(const std::string& label);

}  // namespace kx
