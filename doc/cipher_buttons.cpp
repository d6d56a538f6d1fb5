#include "doc/cipher_buttons.h"

#include "doc/VortlaneDoc.h"
#include "doc/output_forms.h"

#include <strings.h>
#include <utility>

const CipherButton kCipherButtons[kCipherButtonCount] = {
    {"DES (64Bit)", "des64", kCipherUnchanged, KX_PEM_DES, KX_P5_MD5_DES},
    {"3DES (128Bit)", "3des128", KX_P12_3DES_2KEY, kCipherUnchanged, kCipherUnchanged},
    {"3DES (192Bit)", "3des192", KX_P12_3DES_3KEY, KX_PEM_3DES, kCipherUnchanged},
    {"RC2 (40Bit)", "rc2-40", KX_P12_RC2_40, kCipherUnchanged, KX_P5_SHA1_RC2_40},
    {"RC2 (128Bit)", "rc2-128", KX_P12_RC2_128, kCipherUnchanged, kCipherUnchanged},
    {"Don't Encrypt", "none", kCipherUnchanged, KX_CIPHER_NONE, KX_CIPHER_NONE},
};

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

// The document's identifier for that column.
template <class Doc>
auto& Identifier(Doc& doc, int CipherButton::*column) {
    if (column == &CipherButton::pemCipher) return doc.m_nPemCipher;
    if (column == &CipherButton::p12Cipher) return doc.m_nP12Cipher;
    return doc.m_nP8Cipher;
}
int CurrentIdentifier(const CVortlaneDoc& doc, int CipherButton::*column) { return Identifier(doc, column); }

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

std::vector<FormCipher> CiphersOfForm(int outputForm) {
    std::vector<FormCipher> choices;
    int CipherButton::*column = CipherColumn(outputForm);
    if (column == nullptr) return choices;
    for (const CipherButton& button : kCipherButtons) {
        if (button.*column != kCipherUnchanged) choices.push_back({button.name, button.*column});
    }
    choices.push_back({kAes256CipherName, KX_AES256});
    return choices;
}

std::optional<FormCipher> FindCipherOfForm(int outputForm, const std::string& name) {
    for (FormCipher& choice : CiphersOfForm(outputForm)) {
        if (strcasecmp(name.c_str(), choice.name.c_str()) == 0) return std::move(choice);
    }
    return std::nullopt;
}

std::string CurrentCipherName(const CVortlaneDoc& doc, int outputForm) {
    int CipherButton::*column = CipherColumn(outputForm);
    if (column == nullptr) return {};
    for (const FormCipher& choice : CiphersOfForm(outputForm)) {
        if (choice.identifier == CurrentIdentifier(doc, column)) return choice.name;
    }
    return {};
}

void StoreFormCipher(CVortlaneDoc& doc, int outputForm, int identifier) {
    if (int CipherButton::*column = CipherColumn(outputForm)) Identifier(doc, column) = identifier;
}

int FormCipherIdentifier(const CVortlaneDoc& doc, int outputForm) {
    int CipherButton::*column = CipherColumn(outputForm);
    return column != nullptr ? CurrentIdentifier(doc, column) : KX_CIPHER_NONE;
}
