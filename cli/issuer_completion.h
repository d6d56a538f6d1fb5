// quillon-cli --ca-file, --ca-dir, --system-ca: the issuers the chain lacks, taken from trust stores
// after the inputs are read and before the chain is arranged.
#pragma once

#include "cli/cli_options.h"
#include "cli/conversion_session.h"

#include <ostream>

// Adds the issuers the session's chain lacks from the stores the settings name; does nothing without any.
void CompleteIssuers(ConversionSession& session, const CliSettings& settings, std::ostream& diagnostics);
