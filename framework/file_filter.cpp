// The classic filter string of a file dialog ("PEM (*.pem)|*.pem|All files (*.*)|*.*||") read into
// its labels and patterns, for whichever dialog shows them.
#include "framework/afxdlgs.h"

std::vector<FileDialogFilter> AfxParseFileFilter(const char* filter) {
    std::vector<FileDialogFilter> filters;
    if (!filter) return filters;
    std::vector<CString> parts;
    CString current;
    for (const char* p = filter; *p; ++p) {
        if (*p == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    if (!current.empty()) parts.push_back(current);
    // Pairs of label and patterns; the list ends at the first empty label ("||").
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
        FileDialogFilter f;
        f.label = parts[i];
        size_t start = 0;
        const CString& patterns = parts[i + 1];
        while (start <= patterns.size()) {
            size_t end = patterns.find(';', start);
            if (end == CString::npos) end = patterns.size();
            CString pattern = patterns.substr(start, end - start);
            while (!pattern.empty() && pattern.front() == ' ') pattern.erase(pattern.begin());
            if (!pattern.empty()) f.patterns.push_back(pattern);
            start = end + 1;
        }
        filters.push_back(f);
    }
    return filters;
}
