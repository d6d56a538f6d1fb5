// Chain completion from a trust store, and the check for a bundle of roots among the inputs.
#include "doc/chain_completion.h"

#include "doc/chain_depth.h"
#include "doc/chain_name.h"

#include <memory>
#include <unordered_set>
#include <vector>

namespace {

const Cert* IssuedCertOf(const P12Bag& bag) {
    const Cert* cert = bag.type == BAG_CERT ? bag.cert() : nullptr;
    return cert && cert->issuer ? cert : nullptr;
}

bool SelfIssued(const Cert& cert) { return SubjectOf(cert) == IssuerOf(cert); }

std::vector<const Cert*> IssuedCerts(const P12& container) {
    std::vector<const Cert*> certs;
    for (const P12Bag* bag = container.first.get(); bag; bag = bag->next.get())
        if (const Cert* cert = IssuedCertOf(*bag)) certs.push_back(cert);
    return certs;
}

// The top arranging finds: from the first certificate, the first later one bearing its issuer's name,
// each taken once, until none bears it. Also how many certificates the climb passed.
const Cert* TopAsArranged(const std::vector<const Cert*>& certs, int& length) {
    length = 0;
    if (certs.empty()) return nullptr;
    std::vector<bool> taken(certs.size(), false);
    const Cert* top = certs[0];
    length = 1;
    for (bool climbed = true; climbed;) {
        climbed = false;
        for (std::size_t i = 1; i < certs.size(); ++i) {
            if (taken[i] || !(SubjectOf(*certs[i]) == IssuerOf(*top))) continue;
            taken[i] = true;
            top = certs[i];
            ++length;
            climbed = true;
            break;
        }
    }
    return top;
}

std::string DerKey(const std::vector<unsigned char>& der) { return std::string(der.begin(), der.end()); }

}  // namespace

ChainCompletion CompleteChain(P12* container, const KxTrustStore& store) {
    ChainCompletion record;
    if (!container) return record;
    std::unordered_set<std::string> present;
    for (const Cert* cert : IssuedCerts(*container)) present.insert(DerKey(cert->der));

    constexpr int kChainCertificates = kDeepestChainDepth + 1;
    for (;;) {
        int length = 0;
        const Cert* top = TopAsArranged(IssuedCerts(*container), length);
        if (!top || SelfIssued(*top)) break;
        KxIssuerLookup found = store.IssuerOf(top->der);
        if (!found.issuer) {
            record.missing_issuer = *top->issuer;
            record.ca_issuers_url = std::move(found.ca_issuers_url);
            break;
        }
        // An issuer already present closes a loop; a chain at its full depth takes no more.
        if (length >= kChainCertificates || !present.insert(DerKey(found.issuer->der)).second) break;
        std::unique_ptr<Cert> cert = ASN1_read_cert(found.issuer->der);
        if (!cert) break;
        record.added.push_back({cert->subject, found.issuer->file ? *found.issuer->file : std::string()});
        if (!P12_add_cert(container, std::move(cert), nullptr, MARK_NONE)) break;
        P12Bag* last = container->first.get();
        while (last->next) last = last->next.get();
        last->origin.file = found.issuer->file;
    }
    return record;
}

bool LooksLikeRootBundle(const P12& container) {
    const std::vector<const Cert*> certs = IssuedCerts(container);
    std::unordered_set<ChainName, ChainNameHash> issuers;  // of the certificates not self-issued
    for (const Cert* cert : certs)
        if (!SelfIssued(*cert)) issuers.insert(IssuerOf(*cert));
    int lonely_roots = 0;
    for (const Cert* cert : certs)
        if (SelfIssued(*cert) && !issuers.contains(SubjectOf(*cert)) && ++lonely_roots >= 2) return true;
    return false;
}
