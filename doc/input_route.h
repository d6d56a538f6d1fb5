// The route of one input file, as the window, the command line, the tests and the fuzz targets take
// it: the document reads the file and, when a reader took it, the chain is rebuilt over the whole
// container. A caller that reads several files before it arranges the chain once calls ReadInput for
// each and then the document's BuildChain.
#pragma once

#include "crypto/kx.h"
#include "doc/VortlaneDoc.h"

#include <string>
#include <vector>

struct InputOutcome {
    bool accepted = false;
    KxReadError failure;     // why no reader took the file; empty when accepted
    std::string outputName;  // derived from the path for the document's output form; empty when refused
    // For a PEM file of several blocks: what became of each block (read, or why not); else empty.
    std::vector<KxBlockOutcome> blocks;
    std::vector<JksSkipped> skippedEntries;  // for a Java key store: the entries not read, and why
    std::string reader;                      // the row of the reader that took the file; empty when refused
    KxProtection protection;                 // what protects the file, when it looks encrypted or PKCS#12
};

// Reads the file into the document's container as a dropped file is read. A refused file leaves the
// container as it was.
InputOutcome ReadInput(CVortlaneDoc& doc, const std::string& path);

// The whole route: ReadInput, then, when the file was accepted, the chain rebuilt over the whole
// container and `log` (may be null) rewritten with what it found.
InputOutcome OpenInput(CVortlaneDoc& doc, const std::string& path, CString* log);
