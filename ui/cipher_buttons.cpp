#include "ui/cipher_buttons.h"

#include "ui/resource.h"

const CipherButton kCipherButtons[6] = {
    {IDC_DES64, "DES (64Bit)", kCipherUnchanged, KX_PEM_DES, KX_P5_MD5_DES},
    {IDC_3DES128, "3DES (128Bit)", KX_P12_3DES_2KEY, kCipherUnchanged, kCipherUnchanged},
    {IDC_3DES192, "3DES (192Bit)", KX_P12_3DES_3KEY, KX_PEM_3DES, kCipherUnchanged},
    {IDC_RC2_40, "RC2 (40Bit)", KX_P12_RC2_40, kCipherUnchanged, KX_P5_SHA1_RC2_40},
    {IDC_RC2_128, "RC2 (128Bit)", KX_P12_RC2_128, kCipherUnchanged, kCipherUnchanged},
    {IDC_NO_ENCRYPT, "Don't Encrypt", kCipherUnchanged, KX_CIPHER_NONE, KX_CIPHER_NONE},
};

void StoreCipherIdentifiers(int controlId, CVortlaneDoc& doc) {
    for (const CipherButton& button : kCipherButtons) {
        if (button.controlId != controlId) continue;
        if (button.p12Cipher != kCipherUnchanged) doc.m_nP12Cipher = button.p12Cipher;
        if (button.pemCipher != kCipherUnchanged) doc.m_nPemCipher = button.pemCipher;
        if (button.p8Cipher != kCipherUnchanged) doc.m_nP8Cipher = button.p8Cipher;
        return;
    }
}

namespace {

// The column of the table that holds the identifier the form is written with, or null for a form
// written without a cipher.
int CipherButton::*CipherColumn(int outputForm) {
    switch (outputForm) {
    case FORM_PRIVATE_KEY: return &CipherButton::pemCipher;
    case FORM_PKCS12: return &CipherButton::p12Cipher;
    case FORM_PKCS8: return &CipherButton::p8Cipher;
    default: return nullptr;
    }
}

}  // namespace

bool CipherButtonAppliesToForm(int index, int outputForm) {
    int CipherButton::*column = CipherColumn(outputForm);
    return column != nullptr && index >= 0 && index < 6 && kCipherButtons[index].*column != kCipherUnchanged;
}

int CheckedCipherIndex(const CVortlaneDoc& doc, int outputForm) {
    int CipherButton::*column = CipherColumn(outputForm);
    if (column == nullptr) return -1;
    const int current = outputForm == FORM_PRIVATE_KEY ? doc.m_nPemCipher
                        : outputForm == FORM_PKCS12    ? doc.m_nP12Cipher
                                                       : doc.m_nP8Cipher;
    for (int index = 0; index < 6; ++index) {
        if (kCipherButtons[index].*column == current) return index;
    }
    return -1;
}
