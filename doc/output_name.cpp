#include "doc/output_name.h"

namespace {
constexpr const char* kExtensions[7] = {".cer", ".crl", ".key", ".p12", ".p7b", ".crtx", ".req"};
}  // namespace

int OutputFormIndex(const std::string& formName) {
    for (int i = 0; i < 7; ++i)
        if (formName == kOutputFormNames[i]) return i;
    return -1;
}

std::string OutputExtensionForForm(const std::string& formName) {
    const int index = OutputFormIndex(formName);
    return index < 0 ? std::string() : std::string(kExtensions[index]);
}

std::string DeriveOutputFileName(const std::string& name, const std::string& formName) {
    if (name.empty()) return {};
    const std::string extension = OutputExtensionForForm(formName);
    const size_t n = name.size();
    // Only the fourth character from the end is looked at, wherever it lies: a short old extension
    // (".pem", ".cer" ...) is replaced, anything else keeps its characters and gains the new one.
    if (n >= 4 && name[n - 4] == '.') return name.substr(0, n - 4) + extension;
    return name + extension;
}
