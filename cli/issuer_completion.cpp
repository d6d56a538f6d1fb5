#include "cli/issuer_completion.h"

void CompleteIssuers(ConversionSession&, const CliSettings&, std::ostream&) {}
