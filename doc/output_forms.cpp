#include "doc/output_forms.h"

#include "doc/VortlaneDoc.h"

const OutputFormRule kOutputFormRules[kOutputFormCount] = {
    // name       alias   form              ext      enc    cipher depth  cert   crl    req    key    cipher use
    {"Certificate", "cert", FORM_CERTIFICATE, ".cer", true, false, true, true, false, false, false, CipherUse::None},
    {"CRL", "crl", FORM_CRL, ".crl", true, false, true, false, true, false, false, CipherUse::None},
    {"PrivateKey", "key", FORM_PRIVATE_KEY, ".key", false, true, false, false, false, false, true, CipherUse::PemKey},
    {"PKCS#12", "p12", FORM_PKCS12, ".p12", false, true, false, true, false, false, true, CipherUse::Pkcs12},
    {"PKCS#7", "p7", FORM_PKCS7, ".p7b", true, false, false, true, false, false, false, CipherUse::None},
    {"PKCS#8", "p8", FORM_PKCS8, ".crtx", true, true, false, false, false, false, true, CipherUse::Pkcs8},
    {"CertReq", "req", FORM_CERTREQ, ".req", true, false, false, false, false, true, false, CipherUse::None},
};

const OutputFormRule* FindOutputFormRule(const std::string& formName) {
    for (const OutputFormRule& rule : kOutputFormRules) {
        if (formName == rule.name) return &rule;
    }
    return nullptr;
}

const OutputFormRule* OutputFormRuleAt(int form) {
    return form >= 0 && form < kOutputFormCount ? &kOutputFormRules[form] : nullptr;
}
