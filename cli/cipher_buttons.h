// The window's six cipher buttons as the command line knows them: the name given to -c and the
// cipher identifiers a click stores in the document.
#pragma once

#include <optional>
#include <string>

class CVortlaneDoc;

struct CipherButton {
    const char* name;  // as given to -c / --cipher
    // What a click stores; -1 leaves that identifier as it was.
    int p12Cipher;
    int pemCipher;
    int p8Cipher;
};

// In the order the window lays the buttons out.
extern const CipherButton kCipherButtons[6];

// The button of that name, matched without regard to case, or none.
std::optional<CipherButton> CipherButtonByName(const std::string& name);

// Stores the button's identifiers in the document, exactly as a click on it would.
void ClickCipherButton(const CipherButton& button, CVortlaneDoc& doc);
