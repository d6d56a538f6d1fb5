// Says in a few words why no reader accepted an input, for the "skipped: PATH (REASON)" line.
#pragma once

#include "crypto/kx.h"

#include <string>

std::string SkipReason(const KxReadError& error);
