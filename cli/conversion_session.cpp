#include "cli/conversion_session.h"

#include "doc/input_route.h"

#include <utility>

ConversionSession::ConversionSession(int form) { doc_.m_nOutputForm = form; }

bool ConversionSession::Drop(const std::string& path) {
    if (!Read(path)) return false;
    Arrange();
    return true;
}

bool ConversionSession::Read(const std::string& path) {
    // The route's halves apart, so that the explanation sees what a read added before it is arranged.
    if (!Take(ReadInput(doc_, path))) return false;
    if (explainer_) explainer_->NoteRead(*doc_.m_pBags, path);
    return true;
}

void ConversionSession::Arrange() {
    if (accepted_ == 0) return;
    doc_.BuildChain(&log_);
    if (explainer_) explainer_->NoteArranged(*doc_.m_pBags);
}

bool ConversionSession::Take(InputOutcome outcome) {
    lastBlocks_ = std::move(outcome.blocks);
    if (!outcome.accepted) {
        lastFailure_ = std::move(outcome.failure);
        return false;
    }
    ++accepted_;
    outputName_ = std::move(outcome.outputName);
    return true;
}

ChainExplanation ConversionSession::Explanation() const {
    return explainer_ ? explainer_->Explain(*doc_.m_pBags) : ChainExplanation{};
}

KxWriteSettings ConversionSession::WriteSettings(bool der, std::optional<int> cipher, int iterations) const {
    KxWriteSettings settings;
    settings.form = doc_.m_nOutputForm;
    settings.der = der;
    settings.key_cipher = cipher ? *cipher : FormCipherIdentifier(doc_, doc_.m_nOutputForm);
    settings.iterations = iterations;
    return settings;
}

KxWriteOutcome ConversionSession::Convert(const KxWriteSettings& settings, int depth) {
    return doc_.Write(settings, depth, &log_);
}

std::string LogForTerminal(const CString& log) {
    std::string text;
    text.reserve(log.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n') continue;
        text += log[i];
    }
    return text;
}
