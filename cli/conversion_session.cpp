#include "cli/conversion_session.h"

#include "doc/output_name.h"

ConversionSession::ConversionSession(int form)
{
    doc_.m_nOutputForm = form;
}

bool ConversionSession::Drop(const std::string& path)
{
    KX_clear_read_error();
    if (!doc_.OnOpenDocument(path.c_str())) {
        lastFailure_ = KX_last_read_error();
        return false;
    }
    ++accepted_;
    doc_.BuildChain(&log_);
    outputName_ = DeriveOutputFileName(path, kOutputFormNames[doc_.m_nOutputForm]);
    return true;
}

void ConversionSession::PressButtons(bool der, const std::vector<CipherButton>& cipherClicks)
{
    doc_.m_bDerOutput = der ? 1 : 0;
    for (const CipherButton& button : cipherClicks) ClickCipherButton(button, doc_);
}

bool ConversionSession::Convert(const std::string& fileName, int depth)
{
    return doc_.WriteOutput(fileName, depth, &log_) != 0;
}

std::string LogForTerminal(const CString& log)
{
    std::string text;
    text.reserve(log.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n') continue;
        text += log[i];
    }
    return text;
}
