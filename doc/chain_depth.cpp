#include "doc/chain_depth.h"

P12Bag* FindBagAtDepth(const P12* container, int type, int depth) {
    if (!container || depth < 0 || depth > kDeepestChainDepth) return nullptr;
    return P12_find_bag(container, type, static_cast<unsigned char>(depth));
}
