#include "doc/input_route.h"

#include "doc/output_forms.h"
#include "doc/output_name.h"

#include <utility>

InputOutcome ReadInput(CVortlaneDoc& doc, const std::string& path) {
    ReadResult read = doc.Read(path.c_str());
    InputOutcome outcome;
    outcome.blocks = std::move(read.blocks);
    outcome.skippedEntries = std::move(read.skippedEntries);
    outcome.protection = std::move(read.protection);
    if (!read.accepted()) {
        outcome.failure = std::move(read.refusal);
        return outcome;
    }
    outcome.accepted = true;
    outcome.reader = std::move(read.reader);
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
