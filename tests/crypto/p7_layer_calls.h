// The layer's DER PKCS#7 reader for test files that also call OpenSSL: OpenSSL's headers and the
// layer's record both name a type PKCS7, so only the file behind this header sees the record.
#pragma once

#include <optional>
#include <vector>

// The DER of each certificate P7s_read_file took from the file, in its order; none when it refused it.
std::optional<std::vector<std::vector<unsigned char>>> LayerP7CertDers(const char* path);
