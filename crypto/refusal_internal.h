// Telling what an input is when no reader takes it, so that the refusal can say so.
#pragma once

#include "crypto/kx.h"

#include <optional>
#include <string>
#include <vector>

namespace kx {

// What a PEM block is when it was not read: `body` is its decoded body, null when the armour is damaged.
// Damaged when a reader knows the label, else a kind that is not read here (a public key, an SSH key
// ...); none when the label says nothing more.
std::optional<KxReadError> refusal_of_block(const std::string& label, const std::vector<unsigned char>* body);
// What a whole file is, from its bytes; none when they say nothing more than "not recognised".
std::optional<KxReadError> refusal_of_bytes(const unsigned char* data, std::size_t len);

}  // namespace kx
