// Each dropped object's reason is the one its arrangement recorded; this module only remembers the
// objects across arrangements, tells the ones an earlier arrangement cleaned, and makes the checks a
// client would make on the chain that came out.
#include "doc/chain_explain.h"

#include "doc/chain_depth.h"
#include "doc/chain_name.h"

#include <utility>

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
    int droppedBy = 0;            // the arrangement that dropped it, counted from 1
};

ChainExplainer::ChainExplainer() = default;
ChainExplainer::~ChainExplainer() = default;

void ChainExplainer::NoteRead(const P12& container, const std::string& path) { Note(container, path, false); }

void ChainExplainer::NoteAddedFromStore(const P12& container) { Note(container, std::string(), true); }

void ChainExplainer::Note(const P12& container, const std::string& path, bool fromStore) {
    for (const P12Bag* bag = container.first.get(); bag; bag = bag->next.get()) {
        if (live_.count(bag)) continue;
        Noted noted;
        noted.bag = bag;
        // The read names the file of each bag it adds; a bag from a file read whole holds block 0.
        noted.object.file = bag->origin.file ? *bag->origin.file : path;
        noted.object.block = bag->origin.block > 0 ? bag->origin.block : 1;
        noted.object.from_store = fromStore;
        if (const Cert* cert = CertOf(*bag)) {
            noted.object.kind = cert->issuer ? ObjectKind::Certificate : ObjectKind::Request;
            noted.object.subject = cert->subject;
            noted.object.issuer = cert->issuer;
        } else if (const CRL* crl = bag->type == BAG_CRL ? bag->crl() : nullptr) {
            noted.object.kind = ObjectKind::Crl;
            noted.object.issuer = crl->issuer;
        } else if (const Key* key = bag->type == BAG_KEY ? bag->key() : nullptr) {
            noted.object.kind = ObjectKind::Key;
            noted.object.key = KEY_facts(key->number);
        }
        live_.emplace(bag, noted_.size());
        noted_.push_back(std::move(noted));
    }
}

void ChainExplainer::NoteArranged(const ChainRecord& record) {
    ++arrangements_;
    for (const BagFate& fate : record.given) {
        auto found = live_.find(fate.bag);
        if (found == live_.end() || fate.placed()) continue;
        Noted& noted = noted_[found->second];
        noted.object.reason = fate.reason;
        noted.droppedBy = arrangements_;
        noted.bag = nullptr;
        live_.erase(found);
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
