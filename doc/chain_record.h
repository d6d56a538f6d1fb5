// What one arrangement of the chain decided, kept as it decided it: the log and the explanation of
// each object's fate are both made from this record, never worked out again from the container.
#pragma once

#include "crypto/kx.h"
#include "framework/afx_core.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Why a bag has no place. The spellings (ReasonCode) are fixed: scripts rely on them. A new reason is
// one more value here, its code, its sentence in the report, and the place that decides it.
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

// One placement the log tells, in the order the arrangement made it. Where issuers form a cycle a
// certificate is placed again one depth lower each time; its last placement is the one that holds.
struct ChainPlacement {
    enum Kind { Top, Certificate, Crl, Key };
    Kind kind = Top;
    int depth = 0;
    std::string subject;  // Top and Certificate: the DN text the log names
};

// What became of one bag the arrangement was given.
struct BagFate {
    const P12Bag* bag = nullptr;  // tells the bag apart; a dropped bag no longer exists
    int type = 0;
    int depth = -1;                    // the depth it holds; -1 when dropped
    std::optional<DropReason> reason;  // set exactly when dropped

    bool placed() const { return depth >= 0; }
};

struct ChainRecord {
    bool arranged = false;                   // false: the container was empty and was left alone
    std::vector<BagFate> given;              // every bag, in the order the arrangement found them
    std::vector<ChainPlacement> placements;  // the placements the log tells, in the order made
    std::vector<std::size_t> cleaned;        // indexes into `given`, in the order the bags were removed
    int depth = 0;                           // the deepest certificate's depth (the document's m_nDepth)
};

// Rewrites `log` (may be null) with the arrangement's lines; leaves it alone when nothing was arranged.
void WriteChainLog(const ChainRecord& record, CString* log);
