#include "cli/pass_provider.h"

CliPassProvider::CliPassProvider(std::optional<PassSource> passin, std::optional<PassSource> passout,
                                 TerminalPrompt& terminal, std::ostream& diagnostics, std::optional<PassSource> keypass)
    : terminal_(terminal), diagnostics_(diagnostics) {
    keypass_.source = std::move(keypass);
    keypass_.option = "--keypass";
    passin_.source = std::move(passin);
    passin_.option = "--passin";
    passout_.source = std::move(passout);
    passout_.option = "--passout";
}

std::optional<SecretString> CliPassProvider::operator()(const PassRequest& request) {
    if (request.purpose == PassPurpose::OpenInput) {
        // A key store's key with a password of its own: --keypass, not --passin, answers for it.
        Given& given = request.entry.empty() ? passin_ : keypass_;
        if (!given.source) return AskForInput(request);
        // A given pass phrase that was wrong once stays wrong: asking again would only loop.
        if (request.retry) return std::nullopt;
        return FromGiven(given);
    }
    if (!passout_.source) return AskForOutput(request);
    return FromGiven(passout_);
}

std::optional<SecretString> CliPassProvider::FromGiven(Given& given) {
    if (given.cached) return CopySecret(*given.cached);
    if (given.failed) return std::nullopt;
    std::string error;
    given.cached = ReadPassSource(*given.source, &error);
    if (!given.cached) {
        given.failed = true;
        diagnostics_ << "quillon-cli: " << given.option << ": " << error << "\n";
        return std::nullopt;
    }
    return CopySecret(*given.cached);
}

std::optional<SecretString> CliPassProvider::AskForInput(const PassRequest& request) {
    // A fresh request starts the count again; retries for the same file use it up.
    if (!request.retry) inputAttempts_ = 0;
    if (inputAttempts_ >= kTerminalAttempts) return std::nullopt;
    ++inputAttempts_;
    if (request.retry) terminal_.Tell("Wrong pass phrase.");
    return terminal_.Ask("Pass phrase for " + KX_pass_subject(request) + ": ");
}

std::optional<SecretString> CliPassProvider::AskForOutput(const PassRequest& request) {
    for (int attempt = 0; attempt < kTerminalAttempts; ++attempt) {
        std::optional<SecretString> first = terminal_.Ask("New pass phrase for " + request.path + ": ");
        if (!first) return std::nullopt;
        std::optional<SecretString> second = terminal_.Ask("Enter it again: ");
        if (!second) return std::nullopt;
        if (first->str() == second->str()) return first;
        terminal_.Tell("The two pass phrases differ.");
    }
    return std::nullopt;
}
