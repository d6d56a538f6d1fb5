#include "cli/layout_run.h"

bool WriteLayoutSet(ConversionSession&, const CliSettings&, const PassProvider&, std::ostream&) { return false; }
