// Writing an output file atomically: a temporary file beside the target, written, flushed to disk and
// renamed over it, so that a failure at any point leaves an existing target exactly as it was.
#pragma once

#include "crypto/kx_internal.h"

namespace kx {

// `secret`: the file holds a private key and is created 0600 whatever the umask; other files get
// 0666 less the umask. On failure records CannotWrite and removes the temporary file.
bool write_atomic(const char* path, const unsigned char* data, std::size_t len, bool secret);
// The contents of a memory BIO.
bool write_atomic(const char* path, BIO* mem, bool secret);

}  // namespace kx
