// Fuzz target: the input split at a separator line into several files, read one after another as
// files dropped together are, so that chain building runs across inputs; then every output form written.
#include "fuzz/fuzz_support.h"

#include <string_view>

namespace {
// Also in quillon.dict, so the fuzzer can make and move splits.
constexpr std::string_view kSeparator = "\n--next-file--\n";
constexpr size_t kMaxFiles = 8;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ClearScratchDir();
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    CVortlaneDoc doc;
    doc.m_passSource = fuzz::SeedPassSource();
    CString log;
    std::vector<std::string> names;
    while (names.size() < kMaxFiles) {
        size_t cut = names.size() + 1 == kMaxFiles ? rest.npos : rest.find(kSeparator);
        std::string_view part = rest.substr(0, cut);
        std::string name = "input" + std::to_string(names.size());
        const std::string path =
            fuzz::WriteScratchFile(name, reinterpret_cast<const uint8_t*>(part.data()), part.size());
        names.push_back(name);
        OpenInput(doc, path, &log);
        if (cut == rest.npos) break;
        rest.remove_prefix(cut + kSeparator.size());
    }
    fuzz::ConvertEveryForm(doc, static_cast<unsigned>(size), names);
    return 0;
}
