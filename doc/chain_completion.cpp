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

constexpr int kChainCertificates = kDeepestChainDepth + 1;

struct Completion {
    P12* container;
    const KxTrustStore& store;
    ChainCompletion& record;
    std::unordered_set<std::string> present;  // the encodings of the certificates held

    // Appends the issuer as a certificate bag of its own whose origin is the store file; null when it
    // is held already (a loop) or cannot be added.
    const Cert* Add(const KxStoreIssuer& issuer) {
        if (!present.insert(DerKey(issuer.der)).second) return nullptr;
        std::unique_ptr<Cert> cert = ASN1_read_cert(issuer.der);
        if (!cert) return nullptr;
        const Cert* added = cert.get();
        record.added.push_back({cert->subject, issuer.file ? *issuer.file : std::string()});
        if (!P12_add_cert(container, std::move(cert), nullptr, MARK_NONE)) return nullptr;
        P12Bag* last = container->first.get();
        while (last->next) last = last->next.get();
        last->origin.file = issuer.file;
        return added;
    }

    void Missing(const Cert& cert, std::string url) {
        if (!record.missing_issuer.empty()) return;
        record.missing_issuer = *cert.issuer;
        record.ca_issuers_url = std::move(url);
    }

    // While the top arranging finds is not self-issued, its issuer is added.
    void CompleteTop() {
        for (;;) {
            int length = 0;
            const Cert* top = TopAsArranged(IssuedCerts(*container), length);
            if (!top || SelfIssued(*top)) return;
            KxIssuerLookup found = store.IssuerOf(top->der);
            if (!found.issuer) return Missing(*top, std::move(found.ca_issuers_url));
            if (length >= kChainCertificates || !Add(*found.issuer)) return;
        }
    }

    // A certificate whose issuer no input holds is dropped by arranging even when the store holds the
    // issuers that join it to the chain (the root was given before the leaf, so it is the top already).
    // Such issuers are added too, but only when they do join a certificate held; a certificate whose
    // issuer the store lacks is not reported as missing here, since it may be a stray input.
    void JoinOpenEnds() {
        const std::vector<const Cert*> certs = IssuedCerts(*container);
        std::unordered_set<ChainName, ChainNameHash> subjects;
        for (const Cert* cert : certs) subjects.insert(SubjectOf(*cert));
        for (const Cert* end : certs) {
            if (SelfIssued(*end) || subjects.contains(IssuerOf(*end))) continue;
            std::vector<KxStoreIssuer> path;
            std::vector<unsigned char> below = end->der;
            bool joined = false;
            while (!joined && static_cast<int>(path.size()) < kDeepestChainDepth) {
                KxIssuerLookup found = store.IssuerOf(below);
                if (!found.issuer || present.contains(DerKey(found.issuer->der))) break;
                std::unique_ptr<Cert> issuer = ASN1_read_cert(found.issuer->der);
                if (!issuer || SelfIssued(*issuer)) break;
                joined = subjects.contains(IssuerOf(*issuer));
                below = found.issuer->der;
                path.push_back(std::move(*found.issuer));
            }
            if (!joined) continue;
            for (const KxStoreIssuer& issuer : path)
                if (const Cert* added = Add(issuer)) subjects.insert(SubjectOf(*added));
        }
    }
};

}  // namespace

ChainCompletion CompleteChain(P12* container, const KxTrustStore& store) {
    ChainCompletion record;
    if (!container) return record;
    Completion completion{container, store, record, {}};
    for (const Cert* cert : IssuedCerts(*container)) completion.present.insert(DerKey(cert->der));
    completion.CompleteTop();
    completion.JoinOpenEnds();
    return record;
}

int LonelyRoots(const P12& container) {
    const std::vector<const Cert*> certs = IssuedCerts(container);
    std::unordered_set<ChainName, ChainNameHash> issuers;  // of the certificates not self-issued
    for (const Cert* cert : certs)
        if (!SelfIssued(*cert)) issuers.insert(IssuerOf(*cert));
    int lonely_roots = 0;
    for (const Cert* cert : certs)
        if (SelfIssued(*cert) && !issuers.contains(SubjectOf(*cert))) ++lonely_roots;
    return lonely_roots;
}

bool LooksLikeRootBundle(const P12& container) { return LonelyRoots(container) >= 2; }
