// quillon-cli --layout: a server's set of files written into --out-dir, all or nothing.
#pragma once

#include "cli/cli_options.h"
#include "cli/conversion_session.h"

#include <ostream>

// True when the whole set was written.
bool WriteLayoutSet(ConversionSession& session, const CliSettings& settings, const PassProvider& passSource,
                    std::ostream& diagnostics);
