// Chain building: one top certificate, issuer links followed downwards, CRLs and the deepest
// certificate's key placed beside them, and everything without a place removed. Each placement and
// each bag's fate go into the arrangement's record as they are decided; the log is made from it.
#include "doc/VortlaneDoc.h"

#include "doc/chain_depth.h"
#include "doc/chain_fates.h"
#include "doc/chain_name.h"

#include <array>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using Bags = std::vector<std::unique_ptr<P12Bag>>;
constexpr size_t kNone = static_cast<size_t>(-1);

// The container's list taken apart into an array, so that a bag can be reached and moved without
// walking the list from its start; the list is put back together afterwards (Relink).
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

// The list put back together in `order` (indexes into `bags`), without the bags that were removed.
void Relink(P12* container, Bags& bags, const std::vector<size_t>& order) {
    std::unique_ptr<P12Bag> head;
    for (size_t k = order.size(); k-- > 0;) {
        std::unique_ptr<P12Bag>& bag = bags[order[k]];
        if (!bag) continue;
        bag->next = std::move(head);
        head = std::move(bag);
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

// The bags stay in the order the arrangement was given them, which is the order the fates are judged
// in; `order` holds the list order, as indexes into them, that the sweeps walk and the list gets back.
P12Bag* FirstWithMark(const Bags& bags, const std::vector<size_t>& order, int type, unsigned char mark) {
    for (size_t i : order)
        if (bags[i]->type == type && bags[i]->mark == mark) return bags[i].get();
    return nullptr;
}

struct TopSearch {
    size_t certificatesVisited = 0;
    bool issuerFound = false;
    ChainName topName;
    std::vector<size_t> order;  // the list order the search leaves
};

// Climbs from the certificate at `start`: each issuer found later in the list is marked 0 and becomes
// the next step. Returns the issuers found, lowest first.
//
// Finding "the first later certificate with that subject" by scanning would cost a pass over the rest
// of the list per step. Instead each subject keeps a queue of the certificates bearing it, in list
// order, over the part of the list after `start`. That part only ever loses the issuers moved in front
// of it, and each moved issuer is the head of its own queue, so popping the head keeps every queue
// exactly the rest of the list's matches in order.
std::vector<size_t> Climb(Bags& bags, size_t start, TopSearch& result) {
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

    std::vector<size_t> climbed;
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
    return climbed;
}

// Walks from the first bag: requests and other bags are passed, and from the first certificate with an
// issuer the walk climbs. Each issuer found is moved directly after the certificate it signed. The
// search ends at the first issuer not found.
TopSearch SearchForTop(Bags& bags) {
    TopSearch result;
    result.order.reserve(bags.size());
    size_t start = kNone;
    for (size_t i = 0; i < bags.size(); ++i) {
        if (bags[i]->type != BAG_CERT) continue;
        ++result.certificatesVisited;
        if (IssuedCertOf(*bags[i])) {
            start = i;
            break;
        }
    }
    std::vector<size_t> climbed;  // the issuers in the order they were found, lowest first
    if (start != kNone) climbed = Climb(bags, start, result);

    // The issuers, in the order found, directly after the first certificate; the rest keeps its order.
    std::vector<bool> moved(bags.size(), false);
    for (size_t index : climbed) moved[index] = true;
    for (size_t i = 0; i < bags.size(); ++i) {
        if (moved[i]) continue;
        result.order.push_back(i);
        if (i == start) result.order.insert(result.order.end(), climbed.begin(), climbed.end());
    }
    return result;
}

}  // namespace

ChainRecord CVortlaneDoc::ArrangeChain() {
    m_pAppendLink = nullptr;  // bags are dropped and moved
    ChainRecord record;
    if (!m_pBags || !m_pBags->first) return record;
    record.arranged = true;

    Bags bags = Unlink(m_pBags.get());
    for (auto& bag : bags) bag->mark = MARK_NONE;

    int depth = 0;
    TopSearch top = SearchForTop(bags);
    const std::vector<size_t>& order = top.order;
    const bool anyCertificate = top.certificatesVisited != 0;
    if (top.issuerFound) depth = 1;

    bool haveTop = top.issuerFound;
    if (anyCertificate && depth == 0) {
        // No issuer relation: the first certificate bag, request or not, is the top.
        depth = 1;
        P12Bag* first = FirstWithMark(bags, order, BAG_CERT, MARK_NONE);
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
        record.placements.push_back({ChainPlacement::Top, depth - 1, *top.topName.text});
        names[1] = top.topName;
    }

    // Each sweep places the first certificate signed by the one above and every CRL of that issuer.
    // Marks are not consulted: the issuers marked 0 on the way up get their own depth back here.
    // No sweep runs below the deepest depth the chain can hold, which also ends issuer cycles.
    if (haveTop) {
        for (;;) {
            const int sweep = depth;
            if (sweep > kDeepestChainDepth) break;
            const ChainName above = names[sweep];
            bool placed = false;
            for (size_t i : order) {
                P12Bag& bag = *bags[i];
                if (bag.type == BAG_CERT) {
                    const Cert* cert = IssuedCertOf(bag);
                    if (!cert || placed || !(IssuerOf(*cert) == above) || SubjectOf(*cert) == IssuerOf(*cert)) continue;
                    bag.mark = static_cast<unsigned char>(sweep);
                    names[sweep + 1] = SubjectOf(*cert);
                    NameFromCertificate(bag, *cert);
                    placed = true;
                    record.placements.push_back({ChainPlacement::Certificate, sweep, cert->subject});
                } else if (bag.type == BAG_CRL) {
                    const CRL* crl = bag.crl();
                    if (!crl || !(IssuerOf(*crl) == above)) continue;
                    bag.mark = static_cast<unsigned char>(sweep);
                    record.placements.push_back({ChainPlacement::Crl, sweep, {}});
                }
            }
            if (!placed) break;
            depth = sweep + 1;
        }

        // An issuer met on the way up but too far above the deepest depth keeps the 0 of the climb
        // while not being the top: it has no place. Copies of the top itself stay.
        for (auto& bag : bags) {
            const Cert* cert = CertOf(*bag);
            if (cert && bag->mark == 0 && !(SubjectOf(*cert) == top.topName)) bag->mark = MARK_NONE;
        }
    }

    if (anyCertificate) {
        --depth;
    } else {
        // Without any certificate, the first CRL and the first key stand alone at depth 0.
        if (P12Bag* crl = FirstWithMark(bags, order, BAG_CRL, MARK_NONE)) crl->mark = 0;
        if (P12Bag* key = FirstWithMark(bags, order, BAG_KEY, MARK_NONE)) key->mark = 0;
    }

    // The private key belongs to the deepest certificate; at most one is attached.
    if (const P12Bag* deepest = FirstWithMark(bags, order, BAG_CERT, static_cast<unsigned char>(depth))) {
        const Cert* cert = deepest->cert();
        for (size_t i : order) {
            P12Bag& bag = *bags[i];
            const Key* key = bag.type == BAG_KEY ? bag.key() : nullptr;
            if (!key || !cert || LN_cmp(key->number, cert->pubkey.number) != 0) continue;
            bag.mark = static_cast<unsigned char>(depth);
            NameFromCertificate(bag, *cert);
            record.placements.push_back({ChainPlacement::Key, depth, {}});
            break;
        }
    }

    record.given = JudgeFates(bags);
    for (size_t i : order) {
        if (bags[i]->mark != MARK_NONE) continue;
        record.cleaned.push_back(i);
        P12Bag_free(std::move(bags[i]));
    }
    Relink(m_pBags.get(), bags, order);
    m_nDepth = depth;
    record.depth = depth;
    return record;
}

void CVortlaneDoc::BuildChain(CString* log) { WriteChainLog(ArrangeChain(), log); }
