// What a PKCS#12 file holds, for a check that writes nothing: without a pass phrase only what its
// plain safes show (no key derivation at all); with one, the MAC verified once and each encrypted safe
// and each shrouded key decrypted once, so that every bag is listed and each key finds its certificate.
#pragma once

#include "crypto/kx.h"
#include "crypto/kx_protection.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

enum class KxMacCheck { NotChecked, Verified, Wrong };

// A bag's place: the safe and the bag within it, both counted from 0 in file order.
struct KxBagPlace {
    std::size_t safe = 0;
    std::size_t bag = 0;
};

struct KxBagContent {
    std::string subject;                    // a certificate's, as the log writes names; else empty
    std::optional<KxBagPlace> certificate;  // a key's own certificate
    std::string matched_by;                 // how it was found: "local key id" or "public key"
};

struct KxP12Contents {
    bool parsed = false;      // the file is PKCS#12 (DER, or in "PKCS12" PEM armour)
    KxProtection protection;  // the bags of every safe that is plain or was opened
    // Beside protection.safes[i]->bags, one for each bag listed; empty for a safe not opened.
    std::vector<std::vector<KxBagContent>> contents;
    KxMacCheck mac = KxMacCheck::NotChecked;
    // Why not everything was opened with the pass phrase given: a wrong one (the MAC fails), one that
    // verifies the MAC but not a safe or key ("the key bag needs another pass phrase"), an algorithm
    // that cannot be run or too many iterations. None when all opened, or no pass phrase was given.
    KxReadError failure;
};

// Lists the input's PKCS#12 contents; with `pass` null nothing is derived.
KxP12Contents KX_p12_contents(KxInput& in, const SecretString* pass);
