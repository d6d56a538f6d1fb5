#include "fuzz/fuzz_support.h"

#include "doc/cipher_buttons.h"
#include "doc/output_forms.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace fuzz {
namespace {

constexpr const char* kOutputName = "out";

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz invariant broken: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool HoldsKey(int form) { return kOutputFormRules[form].needsPrivateKey; }

void CheckNoStrayFiles(const std::vector<std::string>& inputs) {
    std::set<std::string> allowed(inputs.begin(), inputs.end());
    allowed.insert(kOutputName);
    for (const auto& entry : fs::directory_iterator(ScratchDir())) {
        std::string name = entry.path().filename().string();
        if (!allowed.count(name)) Fail("stray file after a write", name);
    }
}

void WriteOne(CVortlaneDoc& doc, int form, int depth, const std::vector<std::string>& inputs) {
    const std::string out = ScratchDir() + "/" + kOutputName;
    std::error_code ec;
    fs::remove(out, ec);
    doc.m_nOutputForm = form;
    CString log;
    int wrote = doc.WriteOutput(out, depth, &log);
    bool exists = fs::exists(out, ec);
    if (wrote && !exists) Fail("reported written, no file", std::to_string(form));
    if (!wrote && exists) Fail("reported not written, file there", std::to_string(form));
    if (wrote && HoldsKey(form)) {
        auto perms = fs::status(out).permissions();
        if ((perms & (fs::perms::group_all | fs::perms::others_all)) != fs::perms::none)
            Fail("key file readable by others", std::to_string(form));
    }
    CheckNoStrayFiles(inputs);
}

}  // namespace

const std::string& ScratchDir() {
    static const std::string dir = [] {
        std::string templ = (fs::temp_directory_path() / "quillon-fuzz-XXXXXX").string();
        if (!mkdtemp(templ.data())) Fail("cannot make scratch directory", templ);
        static std::string removeAtExit;
        removeAtExit = templ;
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(removeAtExit, ec);
        });
        return templ;
    }();
    return dir;
}

void ClearScratchDir() {
    for (const auto& entry : fs::directory_iterator(ScratchDir())) {
        std::error_code ec;
        fs::remove_all(entry.path(), ec);
    }
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = ScratchDir() + "/" + name;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!f) Fail("cannot write scratch file", path);
    return path;
}

// Every pass phrase the seed corpus is made with (make-corpus.sh), offered in turn for each input (the
// next one after a wrong one), so that mutations of every encrypted seed get past their decryption.
constexpr const char* kSeedPassPhrases[] = {"fuzz", ""};

PassProvider SeedPassSource() {
    return [next = std::size_t{0}](const PassRequest& req) mutable -> std::optional<SecretString> {
        if (req.purpose == PassPurpose::ProtectOutput) return SecretString("fuzz-out");
        if (!req.retry) next = 0;
        if (next >= std::size(kSeedPassPhrases)) return std::nullopt;
        return SecretString(kSeedPassPhrases[next++]);
    };
}

void ConvertEveryForm(CVortlaneDoc& doc, unsigned choice, const std::vector<std::string>& inputs) {
    ClickCipherButton(kCipherButtons[choice % kCipherButtonCount], doc);
    for (int der = 1; der >= 0; --der) {
        doc.m_bDerOutput = der;
        for (int form = FORM_CERTIFICATE; form <= FORM_CERTREQ; ++form) {
            WriteOne(doc, form, 0, inputs);
            bool usesTypedDepth = form == FORM_CERTIFICATE || form == FORM_CRL || form == FORM_CERTREQ;
            if (usesTypedDepth && doc.m_nDepth != 0) WriteOne(doc, form, doc.m_nDepth, inputs);
        }
    }
    std::error_code ec;
    fs::remove(ScratchDir() + "/" + kOutputName, ec);
}

}  // namespace fuzz
