// Which bags a bundle (PKCS#7, PKCS#12) holds and in what order: certificates deepest mark first
// (leaf to root; equal marks keep list order; unplaced ones last), then CRLs, in list order.
#pragma once

#include "crypto/kx_internal.h"

#include <vector>

namespace kx {

struct BundleBags {
    std::vector<const P12Bag*> certs;  // certificates only: requests have no place in a bundle
    std::vector<const P12Bag*> crls;
    std::vector<const P12Bag*> keys;
};
BundleBags bundle_bags(const P12* container);

}  // namespace kx
