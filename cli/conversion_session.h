// One conversion: inputs read one after another, either each as a dropped file (each accepted one
// rebuilds the chain, replaces the log and gives the output name) or all first and the chain arranged
// once over everything read; then the option buttons, then one Convert.
#pragma once

#include "doc/VortlaneDoc.h"
#include "doc/chain_completion.h"
#include "doc/chain_explain.h"
#include "doc/cipher_buttons.h"
#include "doc/input_route.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ConversionSession {
public:
    // `form` is the output form chosen before any input arrives; it gives derived names their extension.
    // `passSource` gives the pass phrases of encrypted inputs.
    explicit ConversionSession(int form, PassProvider passSource = {});

    // Reads one input as a dropped file and says what became of it; when no reader accepted it,
    // nothing changes.
    InputOutcome Drop(const std::string& path);
    // Reads one input into the container without arranging the chain; Arrange() does that once after
    // the last. The outcome as for Drop.
    InputOutcome Read(const std::string& path);
    // Arranges the chain over everything read; the log becomes that arrangement's log, after the lines
    // of the last completion.
    void Arrange();
    // Adds the issuers the chain lacks from `store` (not inputs: they are noted as taken from it) and
    // keeps the lines that say so, or that name the issuer none of them holds, for the log.
    ChainCompletion CompleteFrom(const KxTrustStore& store);
    // Appends a line (ending in "\r\n") to the log.
    void AppendLog(const std::string& line) { log_ += line; }

    // From now on, takes note of what each input adds and of what each arrangement keeps.
    void WatchForExplanation() { explainer_ = std::make_unique<ChainExplainer>(); }
    // What became of each object read and why, over the chain as it stands; empty when not watched.
    ChainExplanation Explanation() const;

    // The settings of a write of the session's form: the encoding, the identifier the form is written
    // with (none: the document's start value) and the iteration count (0: each cipher's default). Where
    // and with which pass phrase source are the caller's to add.
    KxWriteSettings WriteSettings(bool der, std::optional<int> cipher, int iterations) const;

    // Writes the output form as `settings` say from `depth`, appending the outcome to the log.
    KxWriteOutcome Convert(const KxWriteSettings& settings, int depth);

    // The document underneath, for the steps between reading and writing (issuers from a trust store,
    // a server's set of files).
    CVortlaneDoc& document() { return doc_; }
    const CVortlaneDoc& document() const { return doc_; }

    int accepted() const { return accepted_; }
    bool keyRead() const { return keyRead_; }  // some input gave a private key, placed or not
    const CString& log() const { return log_; }
    const std::string& outputName() const { return outputName_; }  // derived from the last accepted input

private:
    CVortlaneDoc doc_;
    CString log_;
    std::string outputName_;
    int accepted_ = 0;
    bool keyRead_ = false;
    const P12Bag* scannedTail_ = nullptr;  // the last bag looked at for a key; none after an arrangement
    CString completionLog_;

    std::unique_ptr<ChainExplainer> explainer_;
};

// The log as the window's pane holds it, with each "\r\n" as "\n".
std::string LogForTerminal(const CString& log);
