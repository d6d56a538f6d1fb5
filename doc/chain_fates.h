// The last step of an arrangement: each bag's fate, its depth or the reason it has no place, judged
// over everything the arrangement was given and what it placed. Chain building's own; nothing else
// decides a reason.
#pragma once

#include "doc/chain_record.h"

#include <memory>
#include <vector>

// `bags` in the order the arrangement was given them, each with the mark it ended with (MARK_NONE: no
// place), before any is removed. One fate per bag, in the same order.
std::vector<BagFate> JudgeFates(const std::vector<std::unique_ptr<P12Bag>>& bags);
