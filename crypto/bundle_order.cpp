// Bundle contents and order.
#include "crypto/bundle_order_internal.h"

#include <algorithm>

namespace kx {

BundleBags bundle_bags(const P12* container) {
    BundleBags out;
    if (!container) return out;
    for (const P12Bag* bag = container->first.get(); bag; bag = bag->next.get()) {
        if (bag->type == BAG_CERT && bag->cert() && bag->cert()->issuer)
            out.certs.push_back(bag);
        else if (bag->type == BAG_CRL && bag->crl())
            out.crls.push_back(bag);
        else if (bag->type == BAG_KEY && bag->key())
            out.keys.push_back(bag);
    }
    // Servers and Java read a bundle leaf first.
    auto rank = [](const P12Bag* b) { return b->mark == MARK_NONE ? -1 : static_cast<int>(b->mark); };
    std::stable_sort(out.certs.begin(), out.certs.end(),
                     [&](const P12Bag* a, const P12Bag* b) { return rank(a) > rank(b); });
    return out;
}

}  // namespace kx
