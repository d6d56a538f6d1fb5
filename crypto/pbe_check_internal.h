// Checks made on password-based encryption and MAC parameters before any key derivation runs, so that
// a crafted file cannot ask for billions of iterations or for an algorithm we cannot run.
#pragma once

#include "crypto/kx_internal.h"

namespace kx {

// True when the scheme is known, its cipher and digests can be had (loading the legacy provider when
// needed) and its work factor is within KX_MAX_PBE_ITERATIONS. Otherwise records in the input UnsupportedAlgorithm
// with the algorithm's name, or TooCostly. `work`, when given, receives the work factor (iterations;
// for scrypt N·r·p).
bool pbe_usable(KxInput& in, const X509_ALGOR* alg, std::uint64_t* work = nullptr);

// The same for a PKCS#12 integrity MAC (which must be present).
bool p12_mac_usable(KxInput& in, const PKCS12* p12, std::uint64_t* work = nullptr);

// Adds `work` to what opening one file has cost so far; false (recording TooCostly) when the total
// passes KX_MAX_PBE_ITERATIONS.
bool within_budget(KxInput& in, std::uint64_t& spent, std::uint64_t work);

}  // namespace kx
