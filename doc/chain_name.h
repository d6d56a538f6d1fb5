// Names on the chain compared as the chain rules compare them, shared by the rules and by the
// explanation of what they did.
#pragma once

#include "crypto/kx.h"

#include <cstddef>
#include <functional>
#include <string>

// A name on the chain: the DN text that the log prints, and the parsed name that decides equality the
// way X.509 does (letter case, white space and string type do not tell names apart). Records made by
// hand carry no parsed name; they compare by their text, and never equal a parsed one.
struct ChainName {
    const std::string* text = nullptr;
    const NameMatch* match = nullptr;

    bool parsed() const { return match && match->name; }
    bool operator==(const ChainName& other) const {
        if (parsed() != other.parsed()) return false;
        return parsed() ? DN_cmp(*match, *other.match) == 0 : *text == *other.text;
    }
};

struct ChainNameHash {
    std::size_t operator()(const ChainName& name) const {
        return name.parsed() ? DN_hash(*name.match) : std::hash<std::string>{}(*name.text);
    }
};

inline ChainName SubjectOf(const Cert& cert) { return {&cert.subject, &cert.subject_match}; }
inline ChainName IssuerOf(const Cert& cert) { return {&*cert.issuer, &cert.issuer_match}; }
inline ChainName IssuerOf(const CRL& crl) { return {&crl.issuer, &crl.issuer_match}; }
