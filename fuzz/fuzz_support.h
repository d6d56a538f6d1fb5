// What the fuzz targets share: the input route, a scratch directory, a fixed pass-phrase provider, and
// a Convert of every output form in both encodings that checks what must hold after any write.
#pragma once

#include "doc/VortlaneDoc.h"
#include "doc/input_route.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// This process's scratch directory, made on first use and removed at exit.
const std::string& ScratchDir();

// Empties the scratch directory, so that no file of an earlier input is taken for one of this input.
void ClearScratchDir();

// Writes the bytes to `name` in the scratch directory and returns the path.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);

// Inputs are opened with each pass phrase of the seed corpus in turn; outputs get one of their own.
// The source a document reads and writes with.
PassProvider SeedPassSource();

// Clicks the cipher button `choice` (modulo the number of buttons), then writes every form in DER and
// PEM into the scratch directory. Aborts when a write leaves a stray file, reports success without a
// file (or the reverse), or leaves a key file readable by others. `inputs` are the names that may stay.
void ConvertEveryForm(CVortlaneDoc& doc, unsigned choice, const std::vector<std::string>& inputs);

}  // namespace fuzz
