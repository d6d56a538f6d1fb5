// The checks behind the data exchange: reading a whole number from a control's text, and the texts
// of the prompts that refuse a value. Pure text work; the exchange itself lives with the controls.
#include <cctype>
#include <climits>
#include <string>

#include "framework/afx_impl.h"

const char* const AFX_PROMPT_PARSE_INT = "Please enter an integer.";

CString AfxFormatIntRangePrompt(int minVal, int maxVal) {
    return "Please enter an integer between " + std::to_string(minVal) + " and " + std::to_string(maxVal) + ".";
}

namespace afx {

bool ParseInt(const CString& text, int* out) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t digitsStart = i;
    long long value = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return false;
        ++i;
    }
    if (i == digitsStart) return false;
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i != n) return false;
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return false;
    *out = static_cast<int>(value);
    return true;
}

}  // namespace afx
