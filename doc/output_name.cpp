#include "doc/output_name.h"

#include "doc/output_forms.h"

int OutputFormIndex(const std::string& formName) {
    const OutputFormRule* rule = FindOutputFormRule(formName);
    return rule == nullptr ? -1 : rule->form;
}

std::string OutputExtensionForForm(const std::string& formName) {
    const OutputFormRule* rule = FindOutputFormRule(formName);
    return rule == nullptr ? std::string() : std::string(rule->extension);
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
