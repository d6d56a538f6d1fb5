// The six cipher buttons: what each is called in the window and on the command line, and the
// document's cipher identifiers a click on it stores. A button that stores two identifiers changes
// both, whichever form is being written: the window behaves that way and scripts written against it
// must see the same files.
#pragma once

#include <optional>
#include <string>

class CVortlaneDoc;

// An identifier a button leaves as it is.
inline constexpr int kCipherUnchanged = -1;

struct CipherButton {
    const char* label;  // the window's caption
    const char* name;   // as given to the command line's -c / --cipher
    int p12Cipher;      // stored into m_nP12Cipher, or kCipherUnchanged
    int pemCipher;      // stored into m_nPemCipher, or kCipherUnchanged
    int p8Cipher;       // stored into m_nP8Cipher, or kCipherUnchanged
};

inline constexpr int kCipherButtonCount = 6;
// In the order of the window's radio group: the position is the index that the data exchange moves.
extern const CipherButton kCipherButtons[kCipherButtonCount];

// The button of that command-line name, matched without regard to case, or none.
std::optional<CipherButton> CipherButtonByName(const std::string& name);

// Stores the button's identifiers in the document, exactly as a click on it does.
void ClickCipherButton(const CipherButton& button, CVortlaneDoc& doc);

// Whether the button at that index sets the identifier the output form is written with (the buttons
// enabled for the form).
bool CipherButtonAppliesToForm(int index, int outputForm);

// The index of the button whose identifier for the output form equals the document's current
// identifier for that form; -1 when the form has no cipher or no button stores that identifier.
int CheckedCipherIndex(const CVortlaneDoc& doc, int outputForm);
