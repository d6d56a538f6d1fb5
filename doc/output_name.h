// Derives the output file name from an input path or a typed name and the chosen output form.
#pragma once

#include <string>

// The extension of a form name (".cer" for "Certificate" ...); empty for a name that is no form.
std::string OutputExtensionForForm(const std::string& formName);

// Steps of the window's name derivation, without its buffer limit: an empty name stays empty;
// when the fourth character from the end is a dot the last four characters are replaced by the
// extension, otherwise the extension is appended.
std::string DeriveOutputFileName(const std::string& name, const std::string& formName);

// The index of a form name (exact, case-sensitive), or -1.
int OutputFormIndex(const std::string& formName);
