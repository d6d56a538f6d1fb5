// The six cipher buttons of the main dialog: the document identifiers each one stores, and which
// button is shown checked so that the check mark names the cipher the document will really use.
#pragma once

#include "doc/VortlaneDoc.h"

// An identifier a button leaves as it is.
inline constexpr int kCipherUnchanged = -1;

struct CipherButton {
    int controlId;
    const char* label;
    int p12Cipher;  // stored into m_nP12Cipher, or kCipherUnchanged
    int pemCipher;  // stored into m_nPemCipher, or kCipherUnchanged
    int p8Cipher;   // stored into m_nP8Cipher, or kCipherUnchanged
};

// In the order of the radio group: the position is the index that the data exchange moves.
extern const CipherButton kCipherButtons[6];

// Stores the identifiers of the button with that control id into the document.
void StoreCipherIdentifiers(int controlId, CVortlaneDoc& doc);

// The radio index of the button whose identifier for the output form equals the document's current
// identifier for that form; -1 when the form has no cipher or no button stores that identifier.
int CheckedCipherIndex(const CVortlaneDoc& doc, int outputForm);

// Whether the button at that radio index sets the identifier the output form is written with (the
// buttons enabled for the form).
bool CipherButtonAppliesToForm(int index, int outputForm);
