// The document's file tests start from the shared sample chain and take files through the input route.
#pragma once

#include "tests/support/sample_set.h"

#include "doc/VortlaneDoc.h"
#include "doc/input_route.h"

#include <filesystem>

namespace doc_test {

using qfix::kInterDn;
using qfix::kLeafDn;
using qfix::kRootDn;

// Takes one file through the input route: on success the chain is rebuilt and the log replaced.
inline bool Arrive(CVortlaneDoc& doc, const std::filesystem::path& path, CString* log) {
    return OpenInput(doc, path.string(), log).accepted;
}

}  // namespace doc_test
