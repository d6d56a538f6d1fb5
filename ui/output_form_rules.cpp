#include "ui/output_form_rules.h"

#include "doc/VortlaneDoc.h"

const OutputFormRule kOutputFormRules[7] = {
    // name         form              enc    cipher depth  cert   crl    req    key
    {"Certificate", FORM_CERTIFICATE, true, false, true, true, false, false, false},
    {"CRL", FORM_CRL, true, false, true, false, true, false, false},
    {"PrivateKey", FORM_PRIVATE_KEY, false, true, false, false, false, false, true},
    {"PKCS#12", FORM_PKCS12, false, true, false, true, false, false, true},
    {"PKCS#7", FORM_PKCS7, true, false, false, true, false, false, false},
    {"PKCS#8", FORM_PKCS8, true, true, false, false, false, false, true},
    {"CertReq", FORM_CERTREQ, true, false, false, false, false, true, false},
};

const OutputFormRule* FindOutputFormRule(const std::string& formName) {
    for (const OutputFormRule& rule : kOutputFormRules) {
        if (formName == rule.name) return &rule;
    }
    return nullptr;
}
