// Depths on the chain and the lookup of a bag by depth, shared by chain building, the queries and output.
#pragma once

#include "crypto/kx.h"

// The chain holds depths 0 to 7: the top and at most seven certificates below it.
constexpr int kDeepestChainDepth = 7;

// The first bag in list order of that type placed at `depth`; null for a depth the chain cannot hold,
// so that no depth aliases another (256 is not 0) and none reaches the "no place" mark.
P12Bag* FindBagAtDepth(const P12* container, int type, int depth);
