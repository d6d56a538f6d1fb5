#include "doc/input_route.h"

#include "doc/output_forms.h"
#include "doc/output_name.h"

#include <utility>

InputOutcome ReadInput(CVortlaneDoc& doc, const std::string& path) {
    InputOutcome outcome;
    KX_clear_read_error();
    const BOOL read = doc.OnOpenDocument(path.c_str());
    outcome.blocks = std::move(doc.m_lastBlocks);
    doc.m_lastBlocks.clear();
    if (!read) {
        outcome.failure = KX_last_read_error();
        return outcome;
    }
    outcome.accepted = true;
    if (const OutputFormRule* rule = OutputFormRuleAt(doc.m_nOutputForm)) {
        outcome.outputName = DeriveOutputFileName(path, rule->name);
    }
    return outcome;
}

InputOutcome OpenInput(CVortlaneDoc& doc, const std::string& path, CString* log) {
    InputOutcome outcome = ReadInput(doc, path);
    if (outcome.accepted) doc.BuildChain(log);
    return outcome;
}
