// Finding the first PEM block of given labels in an input, as OpenSSL's PEM_read_bio_* readers do.
#pragma once

#include "crypto/input_internal.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace kx {

struct PemBlock {
    std::string label;
    std::string header;  // "Proc-Type: ..." lines of traditional encrypted keys, else empty
    std::vector<unsigned char> data;
};

// The first block whose label is one of `labels`; false when there is none or the armour before it
// (or its own body) is damaged.
bool find_pem_block(const InputFile& in, std::initializer_list<const char*> labels, PemBlock& out);

// Decodes the one block that `data` begins with (armour, headers, body); false when it is damaged.
bool decode_pem_block(const unsigned char* data, std::size_t len, PemBlock& out);

}  // namespace kx
