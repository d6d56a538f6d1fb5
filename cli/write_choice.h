// How quillon-cli's one output is protected: the form's cipher, a destination's profile, iterations,
// names. Where it goes and the pass-phrase source are the caller's to add.
#pragma once

#include "cli/cli_options.h"
#include "cli/conversion_session.h"

#include <ostream>

// Warnings (a choice that leaves the destination's range) go to `diagnostics`.
KxWriteSettings ChooseWriteSettings(const ConversionSession& session, const CliSettings& settings,
                                    std::ostream& diagnostics);
