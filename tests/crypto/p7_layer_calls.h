// The layer's DER PKCS#7 reader for test files that also call OpenSSL: OpenSSL's headers and the
// layer's record both name a type PKCS7, so only the file behind this header sees the record.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

struct LayerP7 {
    std::vector<std::vector<unsigned char>> certs;  // the DER of each certificate, in the file's order
    std::size_t crls = 0;
};

// What P7s_read_file took from the file; none when it refused it.
std::optional<LayerP7> LayerP7Read(const char* path);
