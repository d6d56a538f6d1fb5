// quillon-cli: the converter without its window. Reads the inputs as drops, converts once.
#include "cli/check_run.h"
#include "cli/cli_help.h"
#include "cli/cli_options.h"
#include "cli/conversion_session.h"
#include "cli/explain_report.h"
#include "cli/issuer_completion.h"
#include "cli/layout_run.h"
#include "cli/pass_provider.h"
#include "cli/skip_reason.h"
#include "cli/terminal_prompt.h"
#include "cli/write_choice.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <new>

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitNothingWritten = 1;
constexpr int kExitUsage = 2;

constexpr const char* kVersion = "quillon-cli 0.91";

// The lines that the write appended, on one line each, for the note on standard error.
std::string WriteOutcome(const CString& logBefore, const CString& logAfter) {
    std::string appended = LogForTerminal(logAfter.substr(logBefore.size()));
    while (!appended.empty() && (appended.back() == '\n' || appended.back() == ' ')) appended.pop_back();
    for (char& c : appended) {
        if (c == '\n') c = ' ';
    }
    return appended;
}

int Run(CliSettings settings) {
    TerminalPrompt terminal;
    // Reads and the write ask it; both are done before `terminal` goes.
    auto provider = std::make_shared<CliPassProvider>(std::move(settings.passin), std::move(settings.passout), terminal,
                                                      std::cerr, std::move(settings.keypass));
    const PassProvider passSource = [provider](const PassRequest& request) { return (*provider)(request); };

    if (settings.check != ExplainMode::None) return RunCheck(settings, passSource, std::cout);

    // "-o -": the output goes down standard output, so the log goes to standard error.
    const bool toStdout = settings.output && *settings.output == "-";
    std::ostream& logStream = toStdout ? std::cerr : std::cout;

    // A command line hands over all its inputs at once: by default they are all read and the chain is
    // arranged once, so that their order does not decide what survives.
    ConversionSession session(settings.form, passSource);
    if (settings.explain != ExplainMode::None) session.WatchForExplanation();
    for (const std::string& path : settings.inputs) {
        const InputOutcome read = settings.oneByOne ? session.Drop(path) : session.Read(path);
        if (!read.accepted) std::cerr << "skipped: " << path << " (" << SkipReason(read.failure) << ")\n";
        for (const KxBlockOutcome& block : read.blocks) {
            if (read.accepted && block.bags == 0)
                std::cerr << "skipped: " << path << " block " << block.block << " (" << block.label
                          << "): " << SkipReason(block.failure) << "\n";
        }
        for (const JksSkipped& entry : read.skippedEntries)
            std::cerr << "skipped: " << path << " entry '" << entry.alias << "': " << entry.reason << "\n";
    }
    // Issuers the chain lacks, from the trust stores given; they are not inputs.
    CompleteIssuers(session, settings, std::cerr);
    if (!settings.oneByOne) session.Arrange();

    // Taken before the write, which reports on what it wrote and not on how the chain was arranged.
    const ChainExplanation explanation = session.Explanation();

    int status = kExitWritten;
    if (session.accepted() == 0) {
        std::cerr << "quillon-cli: no input accepted; nothing written\n";
        status = kExitNothingWritten;
    } else if (settings.layout && !settings.dryRun) {
        status = WriteLayoutSet(session, settings, passSource, std::cerr) ? kExitWritten : kExitNothingWritten;
    } else if (!settings.dryRun) {
        KxWriteSettings write = ChooseWriteSettings(session, settings, std::cerr);
        write.path = settings.output ? *settings.output : session.outputName();
        if (toStdout) write.fd = STDOUT_FILENO;
        write.pass = passSource;
        const CString logBefore = session.log();
        if (!session.Convert(write, settings.depth).written) {
            std::cerr << "quillon-cli: nothing written: " << WriteOutcome(logBefore, session.log()) << "\n";
            status = kExitNothingWritten;
        }
    }
    if (!settings.quiet) logStream << LogForTerminal(session.log());
    if (settings.explain == ExplainMode::Text) logStream << ExplainText(explanation);
    if (settings.explain == ExplainMode::Json) logStream << ExplainJson(explanation);
    logStream << std::flush;
    return status;
}

int Main(int argc, char** argv) {
    std::variant<CliSettings, UsageError> parsed = ParseCommandLine(argc, argv);
    if (const UsageError* error = std::get_if<UsageError>(&parsed)) {
        std::cerr << "quillon-cli: " << error->message << "\nTry 'quillon-cli --help'.\n";
        return kExitUsage;
    }
    CliSettings& settings = std::get<CliSettings>(parsed);
    if (settings.help) {
        std::cout << UsageText();
        return kExitWritten;
    }
    if (settings.version) {
        std::cout << kVersion << "\n";
        return kExitWritten;
    }
    return Run(std::move(settings));
}

}  // namespace

int main(int argc, char** argv) {
    KX_guard_process();
    // Reading, arranging and writing turn their own allocation failures into refusals; anything left
    // (the log, the settings) still ends the run plainly, not with an abort.
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("quillon-cli: not enough memory; nothing written\n", stderr);
        return kExitNothingWritten;
    } catch (...) {
        // Outputs are written whole or not at all, so a stray failure can only end the run, not leave
        // half a file behind.
        std::fputs("quillon-cli: unexpected failure; stopped\n", stderr);
        return kExitNothingWritten;
    }
}
