// Builds containers from hand-made records (names only, no keys) and reads back what chain building left.
#pragma once

#include "crypto/kx.h"
#include "doc/VortlaneDoc.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace chain_test {

inline std::unique_ptr<Cert> MakeCert(const std::string& subject, const std::string& issuer) {
    auto cert = std::make_unique<Cert>();
    cert->subject = subject;
    cert->issuer = issuer;
    return cert;
}

inline std::unique_ptr<Cert> MakeRequest(const std::string& subject) {
    auto req = std::make_unique<Cert>();
    req->subject = subject;
    return req;
}

inline std::unique_ptr<CRL> MakeCrl(const std::string& issuer) {
    auto crl = std::make_unique<CRL>();
    crl->issuer = issuer;
    return crl;
}

// One bag as chain building left it: its type, the name that tells it apart, and its mark.
struct Placed {
    int type;
    std::string name;  // subject of a certificate or request, issuer of a CRL, "key" for a key
    int mark;
    bool operator==(const Placed&) const = default;
};

inline std::vector<Placed> Contents(const CVortlaneDoc& doc) {
    std::vector<Placed> out;
    for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get()) {
        std::string name = "key";
        if (const Cert* cert = bag->cert()) name = cert->subject;
        if (const CRL* crl = bag->crl()) name = crl->issuer;
        out.push_back({bag->type, name, bag->mark});
    }
    return out;
}

// The mark of the first certificate with that subject, or -1 when none is left.
inline int MarkOf(const CVortlaneDoc& doc, const std::string& subject) {
    for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get())
        if (const Cert* cert = bag->cert(); cert && cert->subject == subject) return bag->mark;
    return -1;
}

inline size_t BagCount(const CVortlaneDoc& doc) {
    size_t n = 0;
    for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get()) ++n;
    return n;
}

inline void PrintTo(const Placed& p, std::ostream* os) {
    *os << "{" << p.type << ", " << p.name << ", " << p.mark << "}";
}

}  // namespace chain_test
