// A reason names the rule that left a bag out, seen from what was placed: a certificate is judged by
// the certificates bearing its issuer's name (requests never count as issuers here), a CRL by the
// holders of its issuer's name, a key by the certificates and requests holding its public key. Where
// several holders have a place, the first given decides. Indexes are built only when a reason needs
// them, so that an arrangement that drops nothing of a kind pays nothing for it.
#include "doc/chain_fates.h"

#include "doc/chain_depth.h"
#include "doc/chain_name.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

using Bags = std::vector<std::unique_ptr<P12Bag>>;

const Cert* CertOf(const P12Bag& bag) { return bag.type == BAG_CERT ? bag.cert() : nullptr; }
const Cert* IssuedCertOf(const P12Bag& bag) {
    const Cert* cert = CertOf(bag);
    return cert && cert->issuer ? cert : nullptr;
}
const CRL* CrlOf(const P12Bag& bag) { return bag.type == BAG_CRL ? bag.crl() : nullptr; }
const Key* KeyOf(const P12Bag& bag) { return bag.type == BAG_KEY ? bag.key() : nullptr; }

int DepthOf(const P12Bag& bag) { return bag.mark == MARK_NONE ? -1 : bag.mark; }
bool SelfSigned(const Cert& cert) { return cert.issuer && SubjectOf(cert) == IssuerOf(cert); }

// The certificates (not requests) that bear one subject, as far as the reasons ask about them.
struct Holders {
    int firstPlacedDepth = -1;  // the depth of the first of them, in the order given, that has a place
    bool atDeepest = false;     // one of them sits at the deepest depth the chain holds
};

class Judge {
public:
    explicit Judge(const Bags& bags) : bags_(bags) {
        for (const auto& bag : bags) {
            const Cert* cert = CertOf(*bag);
            if (!cert || DepthOf(*bag) < 0) continue;
            placed_.push_back(bag.get());
            if (DepthOf(*bag) > deepest_) deepest_ = DepthOf(*bag);
        }
    }

    DropReason Why(std::size_t i) {
        const P12Bag& bag = *bags_[i];
        if (const Cert* cert = CertOf(bag))
            return cert->issuer ? CertificateReason(i, *cert) : DropReason::RequestNotTop;
        if (const CRL* crl = CrlOf(bag))
            return HoldersOf(IssuerOf(*crl)).atDeepest ? DropReason::TooDeep : DropReason::IssuerNotOnChain;
        if (const Key* key = KeyOf(bag)) return KeyReason(*key);
        return DropReason::NotUsed;
    }

private:
    using NameIndex = std::unordered_map<ChainName, Holders, ChainNameHash>;

    DropReason CertificateReason(std::size_t i, const Cert& cert) {
        if (SelfSigned(cert)) return DropReason::SelfSignedNotTop;
        const Holders* issuers = FindHolders(IssuerOf(cert));
        if (!issuers) return DropReason::IssuerAbsent;
        if (issuers->firstPlacedDepth >= 0)
            return issuers->firstPlacedDepth >= kDeepestChainDepth ? DropReason::TooDeep : DropReason::Sibling;
        return TooDeep()[i] ? DropReason::TooDeep : DropReason::IssuerDropped;
    }

    // A key belongs to the deepest certificate only; one that matches it lost to another key.
    DropReason KeyReason(const Key& key) {
        if (!key.number.pkey) return DropReason::NoMatchingCertificate;
        auto [known, inserted] = keyReasons_.try_emplace(key.number.pkey.get(), DropReason::NoMatchingCertificate);
        if (!inserted) return known->second;
        std::optional<DropReason> reason;
        for (const P12Bag* bag : placed_) {
            if (LN_cmp(bag->cert()->pubkey.number, key.number) != 0) continue;
            if (DepthOf(*bag) == deepest_) {
                reason = DropReason::AnotherKeyPlaced;
                break;
            }
            reason = DropReason::MatchesOtherDepth;
        }
        if (!reason)
            for (const KeyNumber* number : DroppedNumbers())
                if (LN_cmp(*number, key.number) == 0) {
                    reason = DropReason::CertificateDropped;
                    break;
                }
        if (reason) known->second = *reason;
        return known->second;
    }

    const Holders* FindHolders(const ChainName& name) {
        if (!holders_) {
            holders_.emplace();
            for (const auto& bag : bags_) {
                const Cert* cert = IssuedCertOf(*bag);
                if (!cert) continue;
                Holders& holders = (*holders_)[SubjectOf(*cert)];
                const int depth = DepthOf(*bag);
                if (depth >= 0 && holders.firstPlacedDepth < 0) holders.firstPlacedDepth = depth;
                if (depth >= kDeepestChainDepth) holders.atDeepest = true;
            }
        }
        auto found = holders_->find(name);
        return found == holders_->end() ? nullptr : &found->second;
    }
    Holders HoldersOf(const ChainName& name) {
        const Holders* holders = FindHolders(name);
        return holders ? *holders : Holders{};
    }

    // The public keys of the dropped certificates and requests, each shared key once.
    const std::vector<const KeyNumber*>& DroppedNumbers() {
        if (!droppedNumbers_) {
            droppedNumbers_.emplace();
            std::unordered_set<const KxPkey*> seen;
            for (const auto& bag : bags_) {
                const Cert* cert = CertOf(*bag);
                if (!cert || DepthOf(*bag) >= 0 || !cert->pubkey.number.pkey) continue;
                if (seen.insert(cert->pubkey.number.pkey.get()).second)
                    droppedNumbers_->push_back(&cert->pubkey.number);
            }
        }
        return *droppedNumbers_;
    }

    // A dropped certificate is too deep when its issuer sits at the deepest depth the chain holds, or
    // is itself a dropped certificate that is too deep: walked down from that depth, never recursively.
    const std::vector<bool>& TooDeep() {
        if (tooDeep_) return *tooDeep_;
        tooDeep_.emplace(bags_.size(), false);
        std::vector<std::size_t> work;
        for (std::size_t i = 0; i < bags_.size(); ++i)
            if (CertOf(*bags_[i]) && DepthOf(*bags_[i]) >= kDeepestChainDepth) work.push_back(i);
        if (work.empty()) return *tooDeep_;
        std::unordered_map<ChainName, std::vector<std::size_t>, ChainNameHash> byIssuer;
        for (std::size_t i = 0; i < bags_.size(); ++i) {
            const Cert* cert = IssuedCertOf(*bags_[i]);
            if (cert && !SelfSigned(*cert)) byIssuer[IssuerOf(*cert)].push_back(i);
        }
        while (!work.empty()) {
            const Cert& issuer = *CertOf(*bags_[work.back()]);
            work.pop_back();
            auto signedBy = byIssuer.find(SubjectOf(issuer));
            if (signedBy == byIssuer.end()) continue;
            for (std::size_t j : signedBy->second) {
                if (DepthOf(*bags_[j]) >= 0 || (*tooDeep_)[j]) continue;
                (*tooDeep_)[j] = true;
                work.push_back(j);
            }
        }
        return *tooDeep_;
    }

    const Bags& bags_;
    std::vector<const P12Bag*> placed_;  // the certificates and requests with a place
    int deepest_ = -1;
    std::optional<NameIndex> holders_;
    std::optional<std::vector<const KeyNumber*>> droppedNumbers_;
    std::optional<std::vector<bool>> tooDeep_;
    std::unordered_map<const KxPkey*, DropReason> keyReasons_;  // by shared key: copies of a key agree
};

}  // namespace

std::vector<BagFate> JudgeFates(const Bags& bags) {
    std::vector<BagFate> fates;
    fates.reserve(bags.size());
    Judge judge(bags);
    for (std::size_t i = 0; i < bags.size(); ++i) {
        BagFate fate;
        fate.bag = bags[i].get();
        fate.type = bags[i]->type;
        fate.depth = DepthOf(*bags[i]);
        if (!fate.placed()) fate.reason = judge.Why(i);
        fates.push_back(fate);
    }
    return fates;
}
