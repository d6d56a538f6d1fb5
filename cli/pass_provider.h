// Answers the crypto layer's pass-phrase requests for the command line: from --passin/--passout (and
// --keypass for a key store's key of its own password) when given, otherwise from the terminal,
// otherwise with none (the input is skipped, the output not written).
#pragma once

#include "cli/pass_sources.h"
#include "cli/terminal_prompt.h"

#include <optional>
#include <ostream>
#include <string>

class CliPassProvider {
public:
    // `terminal` and `diagnostics` must outlive the provider.
    CliPassProvider(std::optional<PassSource> passin, std::optional<PassSource> passout, TerminalPrompt& terminal,
                    std::ostream& diagnostics, std::optional<PassSource> keypass = std::nullopt);

    std::optional<SecretString> operator()(const PassRequest& request);

    // How often the terminal is asked for one file before giving up.
    static constexpr int kTerminalAttempts = 3;

private:
    struct Given {
        std::optional<PassSource> source;
        const char* option;                  // "--passin" / "--passout", for diagnostics
        std::optional<SecretString> cached;  // read once: a stream gives each of its lines only once
        bool failed = false;
    };
    std::optional<SecretString> FromGiven(Given& given);
    std::optional<SecretString> AskForInput(const PassRequest& request);
    std::optional<SecretString> AskForOutput(const PassRequest& request);

    Given passin_;
    Given passout_;
    Given keypass_;
    TerminalPrompt& terminal_;
    std::ostream& diagnostics_;
    int inputAttempts_ = 0;  // terminal answers given for the input being read
};
