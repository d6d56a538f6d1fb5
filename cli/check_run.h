// quillon-cli --check: reads each input, writes nothing, and says how it is protected and which
// destinations' importers take it.
#pragma once

#include "cli/cli_options.h"
#include "crypto/kx.h"

#include <ostream>

// The exit status: 0 when every input was read, 1 otherwise.
int RunCheck(const CliSettings& settings, const PassProvider& passSource, std::ostream& out);
