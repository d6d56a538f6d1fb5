// Completing a chain from a trust store: after the inputs are read and before the chain is arranged,
// the issuers of the chain's top are looked up in the store and added as certificates of their own.
#pragma once

#include "crypto/kx.h"
#include "crypto/trust_store.h"

#include <string>
#include <vector>

struct AddedIssuer {
    std::string subject;  // DN text
    std::string file;     // the store file it came from
};

// What completion did: every issuer it added, lowest first, and when the top still has an issuer that
// no input and no store file holds, that issuer's name and where the top says it can be fetched.
struct ChainCompletion {
    std::vector<AddedIssuer> added;
    std::string missing_issuer;  // DN text; empty when the top is self-issued or was completed
    std::string ca_issuers_url;  // of the certificate whose issuer is missing; may be empty
};

// Starts from the top as arranging will find it (the climb from the first certificate through the
// issuers among the inputs) and, while that top is not self-issued, adds its issuer from the store.
// Stops at the depth a chain can hold and at an issuer already present.
ChainCompletion CompleteChain(P12* container, const KxTrustStore& store);

// True when the container holds several self-issued certificates of which none issued any other
// certificate there: a bundle of roots given as an input, which the arranging rules take a top from.
// Asked of the inputs alone, before completion adds to them.
bool LooksLikeRootBundle(const P12& container);
// How many self-issued certificates the container holds that issued no other certificate there.
int LonelyRoots(const P12& container);
