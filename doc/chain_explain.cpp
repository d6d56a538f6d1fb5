// Fates are judged after the fact: the arrangement itself knows nothing of this module. A dropped
// object's reason is read off what the arrangement was given and what it kept, with the same name
// comparison as the chain rules, so that the explanation cannot change what is arranged.
#include "doc/chain_explain.h"

#include "doc/chain_depth.h"
#include "doc/chain_name.h"

#include <unordered_map>
#include <utility>

const char* ReasonCode(DropReason reason) {
    switch (reason) {
    case DropReason::IssuerAbsent: return "issuer-absent";
    case DropReason::IssuerDropped: return "issuer-dropped";
    case DropReason::Sibling: return "sibling";
    case DropReason::SelfSignedNotTop: return "self-signed-not-top";
    case DropReason::TooDeep: return "too-deep";
    case DropReason::RequestNotTop: return "request-not-top";
    case DropReason::IssuerNotOnChain: return "issuer-not-on-chain";
    case DropReason::NoMatchingCertificate: return "no-matching-certificate";
    case DropReason::CertificateDropped: return "certificate-dropped";
    case DropReason::MatchesOtherDepth: return "matches-other-depth";
    case DropReason::AnotherKeyPlaced: return "another-key-placed";
    case DropReason::NotUsed: return "not-used";
    case DropReason::CleanedEarly: return "cleaned-early";
    }
    return "not-used";
}

const char* CheckCode(ChainCheck check) {
    switch (check) {
    case ChainCheck::Expired: return "expired";
    case ChainCheck::NotYetValid: return "not-yet-valid";
    case ChainCheck::SignatureInvalid: return "signature-invalid";
    case ChainCheck::IssuerNotCa: return "issuer-not-ca";
    case ChainCheck::IssuerCannotSign: return "issuer-cannot-sign";
    }
    return "";
}

namespace {

const Cert* CertOf(const P12Bag& bag) { return bag.type == BAG_CERT ? bag.cert() : nullptr; }

bool SelfSigned(const Cert& cert) { return cert.issuer && SubjectOf(cert) == IssuerOf(cert); }

std::unordered_map<const P12Bag*, unsigned char> MarksOf(const P12& container) {
    std::unordered_map<const P12Bag*, unsigned char> marks;
    for (const P12Bag* bag = container.first.get(); bag; bag = bag->next.get()) marks.emplace(bag, bag->mark);
    return marks;
}

}  // namespace

struct ChainExplainer::Noted {
    ExplainedObject object;
    const P12Bag* bag = nullptr;  // null once an arrangement dropped it
    KeyNumber number;             // a certificate's or request's public key, a key's own
    NameMatch subjectMatch;       // beside object.subject and object.issuer, for comparing them
    NameMatch issuerMatch;
    bool selfSigned = false;
    int droppedBy = 0;  // the arrangement that dropped it, counted from 1
};

ChainExplainer::ChainExplainer() = default;
ChainExplainer::~ChainExplainer() = default;

void ChainExplainer::NoteRead(const P12& container, const std::string& path) {
    for (const P12Bag* bag = container.first.get(); bag; bag = bag->next.get()) {
        if (live_.count(bag)) continue;
        Noted noted;
        noted.bag = bag;
        // The read names the file of each bag it adds; a bag from a file read whole holds block 0.
        noted.object.file = bag->origin.file ? *bag->origin.file : path;
        noted.object.block = bag->origin.block > 0 ? bag->origin.block : 1;
        if (const Cert* cert = CertOf(*bag)) {
            noted.object.kind = cert->issuer ? ObjectKind::Certificate : ObjectKind::Request;
            noted.object.subject = cert->subject;
            noted.object.issuer = cert->issuer;
            noted.subjectMatch = cert->subject_match;
            noted.issuerMatch = cert->issuer_match;
            noted.number = cert->pubkey.number;
            noted.selfSigned = SelfSigned(*cert);
        } else if (const CRL* crl = bag->type == BAG_CRL ? bag->crl() : nullptr) {
            noted.object.kind = ObjectKind::Crl;
            noted.object.issuer = crl->issuer;
            noted.issuerMatch = crl->issuer_match;
        } else if (const Key* key = bag->type == BAG_KEY ? bag->key() : nullptr) {
            noted.object.kind = ObjectKind::Key;
            noted.object.key = KEY_facts(key->number);
            noted.number = key->number;
        }
        live_.insert(bag);
        noted_.push_back(std::move(noted));
    }
}

namespace {

// The rules read backwards, over the objects one arrangement was given: `depth` holds where each of
// them ended (-1: dropped), indexed like `noted`; objects that were not given have no say.
template <typename Noted>
class Judge {
public:
    Judge(const std::vector<Noted>& noted, const std::vector<int>& depth, const std::vector<bool>& given)
        : noted_(noted), depth_(depth), given_(given), tooDeep_(noted.size(), false) {
        for (std::size_t i = 0; i < noted.size(); ++i) {
            const ObjectKind kind = noted[i].object.kind;
            if (!given[i] || (kind != ObjectKind::Certificate && kind != ObjectKind::Request)) continue;
            if (depth[i] > deepest_) deepest_ = depth[i];
            if (kind == ObjectKind::Request) continue;
            bySubject_[Subject(i)].push_back(i);
            if (!noted[i].selfSigned) byIssuer_[Issuer(i)].push_back(i);
        }
        MarkTooDeep();
    }

    DropReason Reason(std::size_t i) const {
        const ExplainedObject& object = noted_[i].object;
        switch (object.kind) {
        case ObjectKind::Certificate: return CertificateReason(i);
        case ObjectKind::Request: return DropReason::RequestNotTop;
        case ObjectKind::Crl: return CrlReason(Issuer(i));
        case ObjectKind::Key: return KeyReason(i);
        case ObjectKind::Other: break;
        }
        return DropReason::NotUsed;
    }

private:
    using Index = std::unordered_map<ChainName, std::vector<std::size_t>, ChainNameHash>;

    ChainName Subject(std::size_t i) const { return {&*noted_[i].object.subject, &noted_[i].subjectMatch}; }
    ChainName Issuer(std::size_t i) const { return {&*noted_[i].object.issuer, &noted_[i].issuerMatch}; }

    static const std::vector<std::size_t>& Find(const Index& index, const ChainName& name) {
        static const std::vector<std::size_t> kNone;
        auto found = index.find(name);
        return found == index.end() ? kNone : found->second;
    }

    // A dropped certificate is too deep when its issuer sits at the deepest depth the chain holds, or
    // is itself a dropped certificate that is too deep: walked down from that depth, never recursively.
    void MarkTooDeep() {
        std::vector<std::size_t> work;
        for (std::size_t i = 0; i < noted_.size(); ++i)
            if (given_[i] && depth_[i] >= kDeepestChainDepth) work.push_back(i);
        while (!work.empty()) {
            const std::size_t issuer = work.back();
            work.pop_back();
            for (std::size_t j : Find(byIssuer_, Subject(issuer))) {
                if (depth_[j] >= 0 || tooDeep_[j]) continue;
                tooDeep_[j] = true;
                work.push_back(j);
            }
        }
    }

    DropReason CertificateReason(std::size_t i) const {
        if (noted_[i].selfSigned) return DropReason::SelfSignedNotTop;
        const std::vector<std::size_t>& issuers = Find(bySubject_, Issuer(i));
        if (issuers.empty()) return DropReason::IssuerAbsent;
        for (std::size_t j : issuers)
            if (depth_[j] >= 0) return depth_[j] >= kDeepestChainDepth ? DropReason::TooDeep : DropReason::Sibling;
        return tooDeep_[i] ? DropReason::TooDeep : DropReason::IssuerDropped;
    }

    DropReason CrlReason(const ChainName& issuer) const {
        for (std::size_t j : Find(bySubject_, issuer))
            if (depth_[j] >= kDeepestChainDepth) return DropReason::TooDeep;
        return DropReason::IssuerNotOnChain;
    }

    DropReason KeyReason(std::size_t i) const {
        bool matched = false;
        bool matchedPlaced = false;
        for (std::size_t j = 0; j < noted_.size(); ++j) {
            const ObjectKind kind = noted_[j].object.kind;
            if (!given_[j] || (kind != ObjectKind::Certificate && kind != ObjectKind::Request)) continue;
            if (LN_cmp(noted_[j].number, noted_[i].number) != 0) continue;
            matched = true;
            if (depth_[j] < 0) continue;
            matchedPlaced = true;
            if (depth_[j] == deepest_) return DropReason::AnotherKeyPlaced;
        }
        if (!matched) return DropReason::NoMatchingCertificate;
        return matchedPlaced ? DropReason::MatchesOtherDepth : DropReason::CertificateDropped;
    }

    const std::vector<Noted>& noted_;
    const std::vector<int>& depth_;
    const std::vector<bool>& given_;
    Index bySubject_;
    Index byIssuer_;
    int deepest_ = -1;
    std::vector<bool> tooDeep_;
};

}  // namespace

void ChainExplainer::NoteArranged(const P12& container) {
    ++arrangements_;
    const auto marks = MarksOf(container);
    std::vector<int> depth(noted_.size(), -1);
    std::vector<bool> given(noted_.size(), false);
    for (std::size_t i = 0; i < noted_.size(); ++i) {
        if (!noted_[i].bag) continue;
        given[i] = true;
        auto found = marks.find(noted_[i].bag);
        if (found != marks.end() && found->second != MARK_NONE) depth[i] = found->second;
    }
    Judge<Noted> judge(noted_, depth, given);
    live_.clear();
    for (std::size_t i = 0; i < noted_.size(); ++i) {
        if (!given[i]) continue;
        if (marks.count(noted_[i].bag)) {
            live_.insert(noted_[i].bag);
            continue;
        }
        noted_[i].object.reason = judge.Reason(i);
        noted_[i].droppedBy = arrangements_;
        noted_[i].bag = nullptr;
    }
}

namespace {

void Warn(ChainExplanation& out, int depth, ChainCheck check, std::string detail) {
    out.warnings.push_back({depth, check, std::move(detail)});
}

std::string AtDepth(int depth) { return "the certificate at depth " + std::to_string(depth); }

// The checks a client makes on each placed certificate, top first; none of them moves anything.
void CheckChain(const P12& container, ChainExplanation& out) {
    const P12Bag* above = nullptr;
    for (int depth = 0; depth <= out.depth; ++depth) {
        const P12Bag* bag = FindBagAtDepth(&container, BAG_CERT, depth);
        const Cert* cert = bag ? bag->cert() : nullptr;
        if (!cert || !cert->issuer) {
            above = bag;
            continue;
        }
        const KxCertFacts facts = CERT_facts(cert->der);
        if (facts.expired) Warn(out, depth, ChainCheck::Expired, "not valid after " + facts.notAfter);
        if (facts.notYetValid) Warn(out, depth, ChainCheck::NotYetValid, "not valid before " + facts.notBefore);
        const Cert* signer = depth == 0 ? (SelfSigned(*cert) ? cert : nullptr) : (above ? above->cert() : nullptr);
        if (signer) {
            const bool verifies = CERT_verifies_with(cert->der, signer->pubkey.number);
            if (depth == 0) out.complete = verifies;
            if (!verifies)
                Warn(out, depth, ChainCheck::SignatureInvalid,
                     depth == 0 ? "does not verify with its own key"
                                : "does not verify with the key of " + AtDepth(depth - 1));
        }
        if (depth > 0 && signer && signer->issuer) {
            const KxCertFacts issuer = CERT_facts(signer->der);
            if (issuer.parsed && !issuer.ca)
                Warn(out, depth, ChainCheck::IssuerNotCa, AtDepth(depth - 1) + " has no basicConstraints CA:TRUE");
            if (issuer.parsed && issuer.keyUsage && !issuer.keyCertSign)
                Warn(out, depth, ChainCheck::IssuerCannotSign,
                     "the key usage of " + AtDepth(depth - 1) + " does not allow keyCertSign");
        }
        above = bag;
    }
}

}  // namespace

ChainExplanation ChainExplainer::Explain(const P12& container) const {
    ChainExplanation out;
    const auto marks = MarksOf(container);
    for (const Noted& noted : noted_) {
        ExplainedObject object = noted.object;
        auto found = noted.bag ? marks.find(noted.bag) : marks.end();
        if (found != marks.end() && found->second != MARK_NONE) {
            object.depth = found->second;
            object.reason.reset();
        } else if (noted.droppedBy != 0 && noted.droppedBy < arrangements_) {
            object.reason = DropReason::CleanedEarly;
        } else if (!object.reason) {
            object.reason = DropReason::NotUsed;  // read but never arranged
        }
        if (object.kind == ObjectKind::Certificate || object.kind == ObjectKind::Request)
            if (object.depth > out.depth) out.depth = object.depth;
        out.objects.push_back(std::move(object));
    }
    CheckChain(container, out);
    return out;
}
