// The protection facts of one PKCS#12 safe bag, for readers that open encrypted safes themselves.
#pragma once

#include "crypto/kx_protection.h"
#include "crypto/openssl_includes.h"

namespace kx {

// Its kind, a shrouded key's encryption, its friendly name and local key id.
KxBagFacts bag_facts(const PKCS12_SAFEBAG* bag);

}  // namespace kx
