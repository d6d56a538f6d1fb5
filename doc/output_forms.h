// The seven output forms the document writes, in the order of the form list: their names, the
// extension a derived output name gets, what the window offers for each, what the document must
// hold before one can be written, and which of the document's cipher identifiers it is written with.
// The window's rules, the output name and the command line all read this one table.
#pragma once

#include <string>

// Which cipher identifier of the document a form is written with.
enum class CipherUse { None, PemKey, Pkcs12, Pkcs8 };

struct OutputFormRule {
    const char* name;       // the form's exact, case-sensitive name in the form list
    const char* alias;      // the command line's short name for it
    int form;               // the document's output form index
    const char* extension;  // of a derived output name
    bool encoding;          // "DER", "PEM" and their frame enabled
    bool cipher;            // the cipher frame enabled
    bool depth;             // the depth field and its label enabled
    // Convert is enabled when the document holds all of these at its chain depth.
    bool needsCertificate;
    bool needsCrl;
    bool needsRequest;
    bool needsPrivateKey;
    CipherUse cipherUse;
};

inline constexpr int kOutputFormCount = 7;
// Indexed by the document's output form index.
extern const OutputFormRule kOutputFormRules[kOutputFormCount];

// The rule of the form with exactly that name, or null.
const OutputFormRule* FindOutputFormRule(const std::string& formName);
// The rule of a form index, or null for an index that is no form.
const OutputFormRule* OutputFormRuleAt(int form);
