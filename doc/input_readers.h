// Reading one input file: the readers are tried in a fixed order, the first that takes the file decides,
// and the read returns everything it found as one value.
#pragma once

#include "crypto/kx.h"
#include "crypto/kx_protection.h"

#include <memory>
#include <string>
#include <vector>

struct ReadResult {
    std::unique_ptr<P12> bags;  // the records read, in file order; null when no reader took the file
    std::string reader;         // the row of the reader that took it ("pem-cert", "p12" ...); empty when refused
    KxReadError refusal;        // why no reader took it; None when one did
    KxProtection protection;    // what protects the file, when it looks encrypted or PKCS#12
    // For a PEM file of several blocks: what became of each block (read, or why not); else empty.
    std::vector<KxBlockOutcome> blocks;
    // For a Java key store: the entries that were not read, and why; else empty.
    std::vector<JksSkipped> skippedEntries;

    bool accepted() const { return !reader.empty(); }
};

// Reads the file at `path`, asking `passSource` for its pass phrases. An allocation that fails is a
// refusal (OutOfMemory), not an exception.
ReadResult ReadInputFile(const char* path, const PassProvider& passSource);
