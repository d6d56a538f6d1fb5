#include "tests/hostile/hostile_support.h"

#include <sys/stat.h>

namespace hostile {

const ChainMaterials& chain_materials() {
    static const ChainMaterials m = [] {
        ChainMaterials made;
        made.chain = qfix::make_chain(3, "Hostile", true);
        qfix::P12Options options;
        options.pass = kInputPass;
        options.name = "hostile leaf";
        made.p12 = qfix::make_p12(made.chain.keys[2].get(), made.chain.certs[2].get(),
                                  {made.chain.certs[1], made.chain.certs[0]}, options);
        return made;
    }();
    return m;
}

std::optional<std::string> cli_path() {
#ifdef QUILLON_CLI_PATH
    return std::string(QUILLON_CLI_PATH);
#else
    return std::nullopt;
#endif
}

ChildResult run_cli(const std::vector<std::string>& args, const ChildOptions& options) {
    std::vector<std::string> argv{cli_path().value()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, options);
}

Snapshot snapshot(const fs::path& dir) {
    Snapshot s;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        std::string rel = fs::relative(entry.path(), dir).string();
        if (entry.is_regular_file() && !entry.is_symlink())
            s[rel] = qfix::read_bytes(entry.path());
        else
            s[rel] = std::nullopt;
    }
    return s;
}

std::string reason_text(KxReadFailure kind) {
    switch (kind) {
    case KxReadFailure::NotRecognised: return "not a certificate, CRL, request, key, PKCS#7 or PKCS#12 file";
    case KxReadFailure::WrongPassPhrase: return "wrong pass phrase";
    case KxReadFailure::NoPassPhrase: return "no pass phrase";
    case KxReadFailure::UnsupportedAlgorithm: return "unsupported algorithm";
    case KxReadFailure::NotRegularFile: return "not a regular file";
    case KxReadFailure::TooLarge: return "too large";
    case KxReadFailure::Empty: return "empty file";
    case KxReadFailure::Damaged: return "damaged";
    case KxReadFailure::TooCostly: return "too costly to open";
    case KxReadFailure::OutOfMemory: return "not enough memory";
    case KxReadFailure::Unreadable:
    case KxReadFailure::OtherKind:
    case KxReadFailure::None: return "";
    }
    return "";
}

int count_bags(const CVortlaneDoc& doc, int type) {
    int n = 0;
    for (const P12Bag* b = doc.m_pBags ? doc.m_pBags->first.get() : nullptr; b; b = b->next.get())
        if (b->type == type) ++n;
    return n;
}

unsigned mode_bits(const fs::path& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return ~0u;
    return st.st_mode & 0777;
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

}  // namespace hostile
