#include "doc/log_line.h"

#include <cstdarg>
#include <cstdio>

void AppendLogLine(CString* log, const char* format, ...) {
    if (!log) return;
    // Most lines fit a small buffer; a longer one is measured and formatted a second time in place.
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        log->append(small, static_cast<size_t>(length));
    } else {
        const size_t start = log->size();
        log->resize(start + static_cast<size_t>(length) + 1);
        std::vsnprintf(log->data() + start, static_cast<size_t>(length) + 1, format, again);
        log->resize(start + static_cast<size_t>(length));
    }
    va_end(again);
}
