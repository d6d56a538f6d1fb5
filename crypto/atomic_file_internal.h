// Writing an output file atomically: an unnamed temporary file in the target's folder (a named, hidden
// one where the file system has no unnamed files), written and then linked or renamed into place, so that
// a failure at any point leaves an existing target exactly as it was. The data is not flushed to disk
// first: the new file appears whole or not at all to every program, but durability across a power
// failure is left to the file system.
#pragma once

#include "crypto/kx_internal.h"

#include <functional>

namespace kx {

// `secret`: the file holds a private key and is created 0600 whatever the umask; other files get
// 0666 less the umask. On failure records CannotWrite with the system's reason and removes the temporary
// file. A target that exists and is not a regular file is refused before anything is written; a symbolic
// link is written through. Our own named temporaries of the same target left by a writer that died more
// than an hour ago are removed.
bool write_atomic(const char* path, const unsigned char* data, std::size_t len, bool secret);
// Streamed: `fill` writes the contents into the BIO it is given (buffered, over the temporary file)
// and returns false on any failure.
bool write_atomic(const char* path, const std::function<bool(BIO*)>& fill, bool secret);
// The contents of a memory BIO.
bool write_atomic(const char* path, BIO* mem, bool secret);

}  // namespace kx
