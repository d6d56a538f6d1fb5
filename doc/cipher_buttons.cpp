#include "doc/cipher_buttons.h"

#include "doc/VortlaneDoc.h"
#include "doc/output_forms.h"

#include <strings.h>

const CipherButton kCipherButtons[kCipherButtonCount] = {
    {"DES (64Bit)", "des64", kCipherUnchanged, KX_PEM_DES, KX_P5_MD5_DES},
    {"3DES (128Bit)", "3des128", KX_P12_3DES_2KEY, kCipherUnchanged, kCipherUnchanged},
    {"3DES (192Bit)", "3des192", KX_P12_3DES_3KEY, KX_PEM_3DES, kCipherUnchanged},
    {"RC2 (40Bit)", "rc2-40", KX_P12_RC2_40, kCipherUnchanged, KX_P5_SHA1_RC2_40},
    {"RC2 (128Bit)", "rc2-128", KX_P12_RC2_128, kCipherUnchanged, kCipherUnchanged},
    {"Don't Encrypt", "none", kCipherUnchanged, KX_CIPHER_NONE, KX_CIPHER_NONE},
};

std::optional<CipherButton> CipherButtonByName(const std::string& name) {
    for (const CipherButton& button : kCipherButtons) {
        if (strcasecmp(name.c_str(), button.name) == 0) return button;
    }
    return std::nullopt;
}

void ClickCipherButton(const CipherButton& button, CVortlaneDoc& doc) {
    if (button.p12Cipher != kCipherUnchanged) doc.m_nP12Cipher = button.p12Cipher;
    if (button.pemCipher != kCipherUnchanged) doc.m_nPemCipher = button.pemCipher;
    if (button.p8Cipher != kCipherUnchanged) doc.m_nP8Cipher = button.p8Cipher;
}

namespace {

// The column of the table that holds the identifier the form is written with, or null for a form
// written without a cipher.
int CipherButton::*CipherColumn(int outputForm) {
    const OutputFormRule* rule = OutputFormRuleAt(outputForm);
    switch (rule != nullptr ? rule->cipherUse : CipherUse::None) {
    case CipherUse::PemKey: return &CipherButton::pemCipher;
    case CipherUse::Pkcs12: return &CipherButton::p12Cipher;
    case CipherUse::Pkcs8: return &CipherButton::p8Cipher;
    case CipherUse::None: break;
    }
    return nullptr;
}

// The document's current identifier for that column.
int CurrentIdentifier(const CVortlaneDoc& doc, int CipherButton::*column) {
    if (column == &CipherButton::pemCipher) return doc.m_nPemCipher;
    if (column == &CipherButton::p12Cipher) return doc.m_nP12Cipher;
    return doc.m_nP8Cipher;
}

}  // namespace

bool CipherButtonAppliesToForm(int index, int outputForm) {
    int CipherButton::*column = CipherColumn(outputForm);
    return column != nullptr && index >= 0 && index < kCipherButtonCount &&
           kCipherButtons[index].*column != kCipherUnchanged;
}

int CheckedCipherIndex(const CVortlaneDoc& doc, int outputForm) {
    int CipherButton::*column = CipherColumn(outputForm);
    if (column == nullptr) return -1;
    const int current = CurrentIdentifier(doc, column);
    for (int index = 0; index < kCipherButtonCount; ++index) {
        if (kCipherButtons[index].*column == current) return index;
    }
    return -1;
}
