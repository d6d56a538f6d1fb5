// The six cipher buttons: what each is called in the window and on the command line, and the
// document's cipher identifiers a click on it stores. A button that stores two identifiers changes
// both, whichever form is being written: the window behaves that way and scripts written against it
// must see the same files.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

// Stores the button's identifiers in the document, exactly as a click on it does.
void ClickCipherButton(const CipherButton& button, CVortlaneDoc& doc);

// Whether the button at that index sets the identifier the output form is written with (the buttons
// enabled for the form).
bool CipherButtonAppliesToForm(int index, int outputForm);

// The index of the button whose identifier for the output form equals the document's current
// identifier for that form; -1 when the form has no cipher or no button stores that identifier.
int CheckedCipherIndex(const CVortlaneDoc& doc, int outputForm);

// ---- Ciphers by form, as the command line offers them ----------------------------------------
// For each form written with a cipher: the buttons the window enables for it, then AES-256 (which has
// no button; the window keeps its six).

inline constexpr const char* kAes256CipherName = "aes256";

struct FormCipher {
    std::string name;  // as given to -c
    int identifier;    // what the form is written with
};

// The choices of that form in the order above; empty for a form written without a cipher.
std::vector<FormCipher> CiphersOfForm(int outputForm);
// The choice of that name (any case) for the form, or none.
std::optional<FormCipher> FindCipherOfForm(int outputForm, const std::string& name);
// The name of the choice the document currently writes the form with (its start value when nothing
// was clicked), or empty.
std::string CurrentCipherName(const CVortlaneDoc& doc, int outputForm);
// Stores the identifier as the one the form is written with, leaving the other forms' as they are.
void StoreFormCipher(CVortlaneDoc& doc, int outputForm, int identifier);
// The identifier the document writes the form with; KX_CIPHER_NONE for a form written without one.
int FormCipherIdentifier(const CVortlaneDoc& doc, int outputForm);
