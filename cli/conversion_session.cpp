#include "cli/conversion_session.h"

#include "doc/input_route.h"

#include <utility>

ConversionSession::ConversionSession(int form, PassProvider passSource) {
    doc_.m_nOutputForm = form;
    doc_.m_passSource = std::move(passSource);
}

InputOutcome ConversionSession::Drop(const std::string& path) {
    InputOutcome outcome = Read(path);
    if (outcome.accepted) Arrange();
    return outcome;
}

InputOutcome ConversionSession::Read(const std::string& path) {
    // The route's halves apart, so that the explanation sees what a read added before it is arranged.
    InputOutcome outcome = ReadInput(doc_, path);
    if (!outcome.accepted) return outcome;
    ++accepted_;
    // Only the bags this read appended, so that many inputs cost no more than once each.
    const P12Bag* bag = scannedTail_ ? scannedTail_->next.get() : doc_.m_pBags ? doc_.m_pBags->first.get() : nullptr;
    for (; bag; bag = bag->next.get()) {
        keyRead_ = keyRead_ || bag->type == BAG_KEY;
        scannedTail_ = bag;
    }
    outputName_ = outcome.outputName;
    if (explainer_) explainer_->NoteRead(*doc_.m_pBags, path);
    return outcome;
}

void ConversionSession::Arrange() {
    if (accepted_ == 0) return;
    // BuildChain's halves apart, so that the explanation takes the reasons the arrangement recorded.
    const ChainRecord record = doc_.ArrangeChain();
    scannedTail_ = nullptr;  // the arrangement may have released it
    WriteChainLog(record, &log_);
    if (record.arranged) log_.insert(0, completionLog_);
    if (explainer_) explainer_->NoteArranged(record);
}

ChainCompletion ConversionSession::CompleteFrom(const KxTrustStore& store) {
    const ChainCompletion completion = CompleteChain(doc_.m_pBags.get(), store);
    if (explainer_ && doc_.m_pBags) explainer_->NoteAddedFromStore(*doc_.m_pBags);
    completionLog_.clear();
    for (const AddedIssuer& issuer : completion.added)
        completionLog_ += "Issuer added from " + issuer.file + ": " + issuer.subject + "\r\n";
    if (!completion.missing_issuer.empty())
        completionLog_ += "Issuer not found in the trust stores: " + completion.missing_issuer +
                          (completion.ca_issuers_url.empty() ? std::string(" (the certificate names no caIssuers URL)")
                                                             : " (caIssuers URL: " + completion.ca_issuers_url + ")") +
                          "\r\n";
    return completion;
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
