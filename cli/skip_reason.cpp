#include "cli/skip_reason.h"

std::string SkipReason(const KxReadError& error) {
    switch (error.kind) {
    case KxReadFailure::WrongPassPhrase:
        return error.detail.empty() ? "wrong pass phrase" : "wrong pass phrase: " + error.detail;
    case KxReadFailure::NoPassPhrase: return "no pass phrase";
    case KxReadFailure::UnsupportedAlgorithm:
        return error.detail.empty() ? "unsupported algorithm" : "unsupported algorithm " + error.detail;
    case KxReadFailure::NotRegularFile: return "not a regular file";
    case KxReadFailure::TooLarge: return "too large";
    case KxReadFailure::TooCostly:
        return error.detail.empty() ? "too costly to open" : "too costly to open: " + error.detail;
    case KxReadFailure::OutOfMemory: return "not enough memory";
    case KxReadFailure::Unreadable:
        // A missing or unreadable file is none of the kinds below; saying so would mislead.
        return error.detail.empty() ? "cannot read" : "cannot read: " + error.detail;
    case KxReadFailure::Empty: return "empty file";
    case KxReadFailure::Damaged: return error.detail.empty() ? "damaged" : "damaged " + error.detail;
    case KxReadFailure::OtherKind:
        if (!error.detail.empty()) return error.detail;
        break;
    case KxReadFailure::None:
    case KxReadFailure::NotRecognised: break;
    }
    return "not a certificate, CRL, request, key, PKCS#7 or PKCS#12 file";
}
