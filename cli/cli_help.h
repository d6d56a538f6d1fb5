// quillon-cli --help, and the lists of choices that its usage errors name too.
#pragma once

#include <string>

// "des64 | 3des192 | none | aes256" for the form, the choice named `marked` marked as the default; empty
// for a form written without a cipher.
std::string CipherChoices(int form, const std::string& marked);
// Every form written with a cipher and its choices, for a usage error.
std::string AllCipherChoices();

// The --help text.
std::string UsageText();
