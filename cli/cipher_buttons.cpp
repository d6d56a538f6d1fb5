#include "cli/cipher_buttons.h"

#include "crypto/kx.h"
#include "doc/VortlaneDoc.h"

#include <strings.h>

// A button that stores two identifiers changes both, whichever form is being written: the window
// behaves that way and scripts written against it must see the same files.
const CipherButton kCipherButtons[6] = {
    {"des64", -1, KX_PEM_DES, KX_P5_MD5_DES},
    {"3des128", KX_P12_3DES_2KEY, -1, -1},
    {"3des192", KX_P12_3DES_3KEY, KX_PEM_3DES, -1},
    {"rc2-40", KX_P12_RC2_40, -1, KX_P5_SHA1_RC2_40},
    {"rc2-128", KX_P12_RC2_128, -1, -1},
    {"none", -1, KX_CIPHER_NONE, KX_CIPHER_NONE},
};

std::optional<CipherButton> CipherButtonByName(const std::string& name)
{
    for (const CipherButton& button : kCipherButtons) {
        if (strcasecmp(name.c_str(), button.name) == 0) return button;
    }
    return std::nullopt;
}

void ClickCipherButton(const CipherButton& button, CVortlaneDoc& doc)
{
    if (button.p12Cipher >= 0) doc.m_nP12Cipher = button.p12Cipher;
    if (button.pemCipher >= 0) doc.m_nPemCipher = button.pemCipher;
    if (button.p8Cipher >= 0) doc.m_nP8Cipher = button.p8Cipher;
}
