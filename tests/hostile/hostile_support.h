// Helpers shared by the hostile-input tables: the command-line program, snapshots of a directory and
// of a file, and the reason texts the command line gives for a skipped input.
#pragma once

#include "crypto/kx.h"
#include "doc/VortlaneDoc.h"
#include "tests/hostile/child_process.h"
#include "tests/support/fixtures.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hostile {

namespace fs = std::filesystem;

// A chain root → intermediate → leaf (RSA, with its key), made once per process, and a PKCS#12 of the
// leaf's key with the whole chain under kInputPass.
struct ChainMaterials {
    qfix::Chain chain;
    qfix::Bytes p12;
};
inline const std::string kInputPass = "in-Pass-7Qx";
inline const std::string kOutputPass = "out-Pass-9Zk";
const ChainMaterials& chain_materials();

// The built quillon-cli, or none when this build has no command line.
std::optional<std::string> cli_path();

// Runs quillon-cli with the arguments (the path comes first by itself).
ChildResult run_cli(const std::vector<std::string>& args, const ChildOptions& options = {});

// Every entry under `dir` (recursively), with its bytes for regular files.
using Snapshot = std::map<std::string, std::optional<qfix::Bytes>>;
Snapshot snapshot(const fs::path& dir);

// The text in "skipped: PATH (REASON)" for a reason; for an unreadable file only the start is fixed.
std::string reason_text(KxReadFailure kind);

// Counts the bags of the document's container, by type.
int count_bags(const CVortlaneDoc& doc, int type);

// The mode bits (rwx for user, group, others) of a file.
unsigned mode_bits(const fs::path& path);

// True when `haystack` contains `needle` anywhere (binary safe).
bool contains(const std::string& haystack, const std::string& needle);

}  // namespace hostile
