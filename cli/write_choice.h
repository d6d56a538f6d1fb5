// How quillon-cli's one output is protected: the form's cipher, a destination's profile, iterations,
// names. Where it goes and the pass-phrase source are the caller's to add.
#pragma once

#include "cli/cli_options.h"
#include "cli/conversion_session.h"
#include "doc/destinations.h"

#include <ostream>

// The destination whose profile the output takes: the one --for names, `modern` when neither --for nor
// -c was given; null for a form written without a cipher, or when -c alone decides.
const Destination* ProfileOf(const CliSettings& settings);

// The cipher identifier the destination writes that form with; KX_CIPHER_NONE for a form without one.
int DestinationCipher(const Destination& destination, int form);

// Warnings (a choice that leaves the destination's range) go to `diagnostics`.
KxWriteSettings ChooseWriteSettings(const ConversionSession& session, const CliSettings& settings,
                                    std::ostream& diagnostics);
