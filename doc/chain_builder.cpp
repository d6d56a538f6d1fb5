// Chain building: one top certificate, issuer links followed downwards, CRLs and the deepest
// certificate's key placed beside them, and everything without a place removed.
#include "doc/VortlaneDoc.h"

#include "doc/chain_depth.h"
#include "doc/chain_name.h"
#include "doc/log_line.h"

#include <array>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using Bags = std::vector<std::unique_ptr<P12Bag>>;
constexpr size_t kNone = static_cast<size_t>(-1);

// The container's list taken apart into an array, so that a bag can be reached and moved without
// walking the list from its start; the list is put back together in the same order afterwards.
Bags Unlink(P12* container) {
    Bags bags;
    std::unique_ptr<P12Bag> bag = std::move(container->first);
    while (bag) {
        std::unique_ptr<P12Bag> next = std::move(bag->next);
        bags.push_back(std::move(bag));
        bag = std::move(next);
    }
    return bags;
}

void Relink(P12* container, Bags& bags) {
    std::unique_ptr<P12Bag> head;
    for (size_t i = bags.size(); i-- > 0;) {
        if (!bags[i]) continue;
        bags[i]->next = std::move(head);
        head = std::move(bags[i]);
    }
    container->first = std::move(head);
}

const Cert* CertOf(const P12Bag& bag) { return bag.type == BAG_CERT ? bag.cert() : nullptr; }

// A certificate with an issuer, as opposed to a certificate request.
const Cert* IssuedCertOf(const P12Bag& bag) {
    const Cert* cert = CertOf(bag);
    return cert && cert->issuer ? cert : nullptr;
}

void NameFromCertificate(P12Bag& bag, const Cert& cert) {
    if (!bag.friendly_name) bag.friendly_name = get_frname_from_dn(&cert);
}

P12Bag* FirstWithMark(const Bags& bags, int type, unsigned char mark) {
    for (const auto& bag : bags)
        if (bag->type == type && bag->mark == mark) return bag.get();
    return nullptr;
}

struct TopSearch {
    size_t certificatesVisited = 0;
    bool issuerFound = false;
    ChainName topName;
};

// Walks from the first bag: requests and other bags are passed, and from the first certificate with an
// issuer the walk climbs. Each issuer found later in the list is marked 0 and moved directly after the
// certificate it signed, and the walk goes on from it. The search ends at the first issuer not found.
//
// Finding "the first later certificate with that subject" by scanning would cost a pass over the rest
// of the list per step. Instead each subject keeps a queue of the certificates bearing it, in list
// order, over the part of the list after the first certificate with an issuer. That part only ever
// loses the issuers moved in front of it, and each moved issuer is the head of its own queue, so
// popping the head keeps every queue exactly the rest of the list's matches in order.
TopSearch SearchForTop(Bags& bags) {
    TopSearch result;
    size_t start = kNone;
    for (size_t i = 0; i < bags.size(); ++i) {
        if (bags[i]->type != BAG_CERT) continue;
        ++result.certificatesVisited;
        if (IssuedCertOf(*bags[i])) {
            start = i;
            break;
        }
    }
    if (start == kNone) return result;

    std::unordered_map<ChainName, size_t, ChainNameHash> firstWithSubject;
    std::vector<size_t> nextWithSameSubject(bags.size(), kNone);
    for (size_t i = bags.size(); i-- > start + 1;) {
        const Cert* cert = IssuedCertOf(*bags[i]);
        if (!cert) continue;
        auto [slot, inserted] = firstWithSubject.try_emplace(SubjectOf(*cert), i);
        if (!inserted) {
            nextWithSameSubject[i] = slot->second;
            slot->second = i;
        }
    }

    std::vector<size_t> climbed;  // the issuers in the order they were found, lowest first
    const Cert* cursor = IssuedCertOf(*bags[start]);
    for (;;) {
        auto found = firstWithSubject.find(IssuerOf(*cursor));
        if (found == firstWithSubject.end()) break;
        const size_t index = found->second;
        if (nextWithSameSubject[index] == kNone)
            firstWithSubject.erase(found);
        else
            found->second = nextWithSameSubject[index];

        P12Bag& issuerBag = *bags[index];
        const Cert* issuer = IssuedCertOf(issuerBag);
        ++result.certificatesVisited;
        result.issuerFound = true;
        result.topName = SubjectOf(*issuer);
        issuerBag.mark = 0;
        NameFromCertificate(issuerBag, *issuer);
        climbed.push_back(index);
        cursor = issuer;
    }
    if (climbed.empty()) return result;

    // Move the issuers, in the order found, directly after the first certificate; the rest keeps its order.
    Bags reordered;
    reordered.reserve(bags.size());
    for (size_t i = 0; i <= start; ++i) reordered.push_back(std::move(bags[i]));
    for (size_t index : climbed) reordered.push_back(std::move(bags[index]));
    for (size_t i = start + 1; i < bags.size(); ++i)
        if (bags[i]) reordered.push_back(std::move(bags[i]));
    bags = std::move(reordered);
    return result;
}

}  // namespace

void CVortlaneDoc::BuildChain(CString* log) {
    m_pAppendLink = nullptr;  // bags are dropped and moved
    if (!m_pBags || !m_pBags->first) return;
    CString scratch;
    if (!log) log = &scratch;

    Bags bags = Unlink(m_pBags.get());

    log->clear();
    for (auto& bag : bags) {
        bag->mark = MARK_NONE;
        AppendLogLine(log, "++Check One PKCS#12Bag, type=%d\r\n", bag->type);
    }

    m_nDepth = 0;
    TopSearch top = SearchForTop(bags);
    const bool anyCertificate = top.certificatesVisited != 0;
    if (top.issuerFound) m_nDepth = 1;

    bool haveTop = top.issuerFound;
    if (anyCertificate && m_nDepth == 0) {
        // No issuer relation: the first certificate bag, request or not, is the top.
        m_nDepth = 1;
        P12Bag* first = FirstWithMark(bags, BAG_CERT, MARK_NONE);
        if (first && first->cert()) {
            first->mark = 0;
            top.topName = SubjectOf(*first->cert());
            NameFromCertificate(*first, *first->cert());
            haveTop = true;
        }
    }

    // names[d + 1]: the subject of the certificate placed at depth d.
    std::array<ChainName, kDeepestChainDepth + 2> names;
    if (haveTop) {
        AppendLogLine(log, "TOP - %s --%d\r\n", top.topName.text->c_str(), m_nDepth - 1);
        names[1] = top.topName;
    }

    // Each sweep places the first certificate signed by the one above and every CRL of that issuer.
    // Marks are not consulted: the issuers marked 0 on the way up get their own depth back here.
    // No sweep runs below the deepest depth the chain can hold, which also ends issuer cycles.
    if (haveTop) {
        for (;;) {
            const int depth = m_nDepth;
            if (depth > kDeepestChainDepth) break;
            const ChainName above = names[depth];
            bool placed = false;
            for (auto& bag : bags) {
                if (bag->type == BAG_CERT) {
                    const Cert* cert = IssuedCertOf(*bag);
                    if (!cert || placed || !(IssuerOf(*cert) == above) || SubjectOf(*cert) == IssuerOf(*cert)) continue;
                    bag->mark = static_cast<unsigned char>(depth);
                    names[depth + 1] = SubjectOf(*cert);
                    NameFromCertificate(*bag, *cert);
                    placed = true;
                    AppendLogLine(log, "UCERT - %s --%d\r\n", cert->subject.c_str(), depth);
                } else if (bag->type == BAG_CRL) {
                    const CRL* crl = bag->crl();
                    if (!crl || !(IssuerOf(*crl) == above)) continue;
                    bag->mark = static_cast<unsigned char>(depth);
                    AppendLogLine(log, "CRL -- %d\r\n", depth);
                }
            }
            if (!placed) break;
            m_nDepth = depth + 1;
        }

        // An issuer met on the way up but too far above the deepest depth keeps the 0 of the climb
        // while not being the top: it has no place. Copies of the top itself stay.
        for (auto& bag : bags) {
            const Cert* cert = CertOf(*bag);
            if (cert && bag->mark == 0 && !(SubjectOf(*cert) == top.topName)) bag->mark = MARK_NONE;
        }
    }

    if (anyCertificate) {
        --m_nDepth;
    } else {
        // Without any certificate, the first CRL and the first key stand alone at depth 0.
        if (P12Bag* crl = FirstWithMark(bags, BAG_CRL, MARK_NONE)) crl->mark = 0;
        if (P12Bag* key = FirstWithMark(bags, BAG_KEY, MARK_NONE)) key->mark = 0;
    }

    // The private key belongs to the deepest certificate; at most one is attached.
    if (const P12Bag* deepest = FirstWithMark(bags, BAG_CERT, static_cast<unsigned char>(m_nDepth))) {
        const Cert* cert = deepest->cert();
        for (auto& bag : bags) {
            const Key* key = bag->type == BAG_KEY ? bag->key() : nullptr;
            if (!key || !cert || LN_cmp(key->number, cert->pubkey.number) != 0) continue;
            bag->mark = static_cast<unsigned char>(m_nDepth);
            NameFromCertificate(*bag, *cert);
            AppendLogLine(log, "Private Key -- %d\r\n", m_nDepth);
            break;
        }
    }

    for (auto& bag : bags) {
        if (bag->mark != MARK_NONE) continue;
        AppendLogLine(log, "--Clean One PKCS#12Bag, type=%d\r\n", bag->type);
        P12Bag_free(std::move(bag));
    }
    Relink(m_pBags.get(), bags);
}
