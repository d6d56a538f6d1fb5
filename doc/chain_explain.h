// The explanation of an arrangement: every object read, in input order, with where it was placed or
// why it was dropped, and the checks a client would make on the chain that came out. It watches from
// outside (what each read added to the container, what each arrangement recorded) and changes nothing.
#pragma once

#include "crypto/kx.h"
#include "doc/chain_record.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

enum class ObjectKind { Certificate, Request, Crl, Key, Other };

// The origin code of an object that completion added from a trust store; scripts rely on the spelling.
constexpr const char* kAddedFromStore = "added-from-store";

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
    bool from_store = false;             // not an input: an issuer completion took from a trust store

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
    // After completion added issuers from trust stores: takes note of each object not seen before as
    // added from the store file its bag names.
    void NoteAddedFromStore(const P12& container);
    // After an arrangement: each noted object it dropped takes the reason the arrangement recorded.
    void NoteArranged(const ChainRecord& record);
    // The objects' fates and the chain's checks, over the container as the last arrangement left it.
    ChainExplanation Explain(const P12& container) const;

    struct Noted;  // one object as it was read, and the arrangement that dropped it

private:
    void Note(const P12& container, const std::string& path, bool fromStore);

    std::vector<Noted> noted_;
    // The bags of the container that are noted objects, by address, with their index in noted_: a bag
    // keeps its address for as long as it stays in the container, and only a bag that left it can give
    // its address to another.
    std::unordered_map<const P12Bag*, std::size_t> live_;
    int arrangements_ = 0;
};
