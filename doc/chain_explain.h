// The explanation of an arrangement: every object read, in input order, with where it was placed or
// why it was dropped, and the checks a client would make on the chain that came out. It watches the
// container from outside (what each read added, what each arrangement kept) and never changes it.
#pragma once

#include "crypto/kx.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

enum class ObjectKind { Certificate, Request, Crl, Key, Other };

// Why an object was dropped. The spellings (ReasonCode) are fixed: scripts rely on them.
enum class DropReason {
    IssuerAbsent,
    IssuerDropped,
    Sibling,
    SelfSignedNotTop,
    TooDeep,
    RequestNotTop,
    IssuerNotOnChain,
    NoMatchingCertificate,
    CertificateDropped,
    MatchesOtherDepth,
    AnotherKeyPlaced,
    NotUsed,
    CleanedEarly,  // cleaned by an earlier arrangement, before the later inputs arrived
};
const char* ReasonCode(DropReason reason);

enum class ChainCheck { Expired, NotYetValid, SignatureInvalid, IssuerNotCa, IssuerCannotSign };
const char* CheckCode(ChainCheck check);

struct ExplainedObject {
    std::string file;
    int block = 1;  // the PEM block it came from; 1 for a file read whole
    ObjectKind kind = ObjectKind::Other;
    std::optional<std::string> subject;  // DN text; certificates and requests
    std::optional<std::string> issuer;   // DN text; certificates and CRLs
    KxKeyFacts key;                      // keys only
    int depth = -1;                      // the depth it holds; -1 when dropped
    std::optional<DropReason> reason;    // set exactly when dropped

    bool placed() const { return depth >= 0; }
};

struct ChainWarning {
    int depth = 0;  // the certificate whose check fails (for the issuer checks: the one the issuer signed)
    ChainCheck check = ChainCheck::Expired;
    std::string detail;
};

struct ChainExplanation {
    std::vector<ExplainedObject> objects;  // in input order
    int depth = -1;                        // the deepest certificate's depth; -1 without any certificate
    bool complete = false;                 // the top is self-signed and its signature verifies
    std::vector<ChainWarning> warnings;
};

class ChainExplainer {
public:
    ChainExplainer();
    ~ChainExplainer();
    ChainExplainer(const ChainExplainer&) = delete;
    ChainExplainer& operator=(const ChainExplainer&) = delete;

    // After a read put its objects into the container, before the chain is arranged: takes note of each
    // object not seen before, as read from `path`.
    void NoteRead(const P12& container, const std::string& path);
    // After an arrangement: each noted object no longer in the container gets the reason it was dropped,
    // judged over everything that arrangement was given.
    void NoteArranged(const P12& container);
    // The objects' fates and the chain's checks, over the container as the last arrangement left it.
    ChainExplanation Explain(const P12& container) const;

    struct Noted;  // one object as it was read (defined beside the rules that judge it)

private:
    std::vector<Noted> noted_;
    // The bags of the container that are noted objects, by address: a bag keeps its address for as
    // long as it stays in the container, and only a bag that left it can give its address to another.
    std::unordered_set<const P12Bag*> live_;
    int arrangements_ = 0;
};
