// What each output form allows in the main dialog (encoding, cipher, depth) and what the document
// must hold before Convert is offered for it.
#pragma once

#include <string>

struct OutputFormRule {
    const char* name;  // the form's exact, case-sensitive name in the form list
    int form;          // the document's output form index
    bool encoding;     // "DER", "PEM" and their frame enabled
    bool cipher;       // the cipher frame enabled
    bool depth;        // the depth field and its label enabled
    // Convert is enabled when the document holds all of these at its chain depth.
    bool needsCertificate;
    bool needsCrl;
    bool needsRequest;
    bool needsPrivateKey;
};

extern const OutputFormRule kOutputFormRules[7];

// The rule of the form with exactly that name, or null.
const OutputFormRule* FindOutputFormRule(const std::string& formName);
