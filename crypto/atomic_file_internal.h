// Writing an output file atomically: an unnamed temporary file in the target's folder (a named, hidden
// one where the file system has no unnamed files), written and then linked or renamed into place, so that
// a failure at any point leaves an existing target exactly as it was. The data is not flushed to disk
// first: the new file appears whole or not at all to every program, but durability across a power
// failure is left to the file system.
#pragma once

#include "crypto/kx_internal.h"

#include <functional>

namespace kx {

// Writes to `to.path`, or down `to.fd` when that is an open descriptor (then `to.path` only names it).
// `secret`: the file holds a private key and is created 0600 whatever the umask; other files get
// 0666 less the umask. On failure the outcome is CannotWrite with the system's reason, and the
// temporary file is gone. A target that exists and is not a regular file is refused before anything
// is written; a symbolic link is written through. Our own named temporaries of the same target left by
// a writer that died more than an hour ago are removed.
KxWriteOutcome write_atomic(const KxWriteSettings& to, const unsigned char* data, std::size_t len, bool secret);
// Streamed: `fill` writes the contents into the BIO it is given (buffered, over the temporary file)
// and returns false on any failure.
KxWriteOutcome write_atomic(const KxWriteSettings& to, const std::function<bool(BIO*)>& fill, bool secret);
// The contents of a memory BIO.
KxWriteOutcome write_atomic(const KxWriteSettings& to, BIO* mem, bool secret);

}  // namespace kx
