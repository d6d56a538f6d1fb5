// Appends printf-style lines to the analysis log. A line is formatted in full, whatever its length:
// subjects and issuers can be long and are never cut.
#pragma once

#include "framework/afx_core.h"

void AppendLogLine(CString* log, const char* format, ...) __attribute__((format(printf, 2, 3)));
