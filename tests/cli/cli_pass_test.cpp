// Pass phrases for the command line: every source for inputs and outputs, wrong and missing ones,
// the terminal (through a pseudo-terminal), and that no pass phrase ever shows in the output.
#include "cli/pass_provider.h"
#include "tests/cli/cli_process.h"
#include "tests/support/sample_set.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#include <deque>

namespace fs = std::filesystem;

namespace {

constexpr const char* kInPass = "in-Secret-1";
constexpr const char* kOutPass = "out-Secret-2";

void ExpectNoPassPhrase(const CliResult& r) {
    for (const char* secret : {kInPass, kOutPass}) {
        EXPECT_EQ(r.out.find(secret), std::string::npos) << r.out;
        EXPECT_EQ(r.err.find(secret), std::string::npos) << r.err;
    }
}

// The sample set with the leaf's key encrypted under kInPass.
struct EncryptedKeySet : qfix::SampleSet {
    EncryptedKeySet() {
        encryptedKey = dir.file("leaf-key-encrypted.pem");
        qfix::write_p8_encrypted(encryptedKey, chain.keys[2].get(), kInPass, qfix::Form::Pem, -1, "AES-256-CBC");
    }
    std::vector<std::string> chainThen(const fs::path& last) const {
        return {root.string(), intermediate.string(), leaf.string(), last.string()};
    }
    fs::path encryptedKey;
};

// How a test hands a pass phrase to the child: the option's value and what the child is given.
struct SourceRow {
    const char* name;
    std::function<std::string(CliRun&, const qfix::SampleSet&, const std::string& secret)> give;
};

const std::vector<SourceRow>& Sources() {
    static const std::vector<SourceRow> rows = {
        {"pass", [](CliRun&, const qfix::SampleSet&, const std::string& secret) { return "pass:" + secret; }},
        {"env",
         [](CliRun& run, const qfix::SampleSet&, const std::string& secret) {
             run.env["QUILLON_TEST_PASS"] = secret;
             return std::string("env:QUILLON_TEST_PASS");
         }},
        {"file",
         [](CliRun&, const qfix::SampleSet& s, const std::string& secret) {
             qfix::write_text(s.dir.file("pass.txt"), secret + "\nnot this line\n");
             return "file:" + s.dir.file("pass.txt").string();
         }},
        {"file with CRLF",
         [](CliRun&, const qfix::SampleSet& s, const std::string& secret) {
             qfix::write_text(s.dir.file("pass-crlf.txt"), secret + "\r\n");
             return "file:" + s.dir.file("pass-crlf.txt").string();
         }},
        {"fd",
         [](CliRun& run, const qfix::SampleSet&, const std::string& secret) {
             run.extraFd = 5;
             run.extraFdText = secret + "\n";
             return std::string("fd:5");
         }},
        {"stdin",
         [](CliRun& run, const qfix::SampleSet&, const std::string& secret) {
             run.stdinText = secret;  // a last line without its newline counts too
             return std::string("stdin");
         }},
    };
    return rows;
}

bool OpensslReadsP12(const fs::path& file, const std::string& pass, int* certificates) {
    qfix::CommandResult r =
        qfix::run_command("openssl pkcs12 -in '" + file.string() + "' -nokeys -passin 'pass:" + pass + "' 2>/dev/null");
    *certificates = 0;
    for (std::size_t at = r.out.find("BEGIN CERTIFICATE"); at != std::string::npos;
         at = r.out.find("BEGIN CERTIFICATE", at + 1))
        ++*certificates;
    return r.status == 0;
}

}  // namespace

TEST(CliPass, EverySourceOpensAnEncryptedInput) {
    for (const SourceRow& row : Sources()) {
        EncryptedKeySet s;
        CliRun run;
        std::string given = row.give(run, s, kInPass);
        run.args = {"-n", "--passin", given};
        for (const std::string& in : s.chainThen(s.encryptedKey)) run.args.push_back(in);
        CliResult r = RunCli(run);
        EXPECT_EQ(r.status, 0) << row.name << ": " << r.err;
        EXPECT_NE(r.out.find("Private Key -- 2\n"), std::string::npos) << row.name << ": " << r.out;
        EXPECT_TRUE(r.err.empty()) << row.name << ": " << r.err;
        ExpectNoPassPhrase(r);
    }
}

TEST(CliPass, EverySourceProtectsAnEncryptedOutput) {
    for (const SourceRow& row : Sources()) {
        qfix::SampleSet s;
        CliRun run;
        std::string given = row.give(run, s, kOutPass);
        fs::path out = s.dir.file("out.p12");
        run.args = {"-f",
                    "p12",
                    "-o",
                    out.string(),
                    "--passout",
                    given,
                    s.root.string(),
                    s.intermediate.string(),
                    s.leaf.string(),
                    s.key.string()};
        CliResult r = RunCli(run);
        ASSERT_EQ(r.status, 0) << row.name << ": " << r.err;
        ExpectNoPassPhrase(r);
        int certificates = 0;
        EXPECT_TRUE(OpensslReadsP12(out, kOutPass, &certificates)) << row.name;
        EXPECT_EQ(certificates, 3) << row.name;
        EXPECT_FALSE(OpensslReadsP12(out, "wrong", &certificates)) << row.name;
    }
}

// One stream for both: the first line opens the input, the second protects the output.
TEST(CliPass, SharedStreamGivesInputTheFirstLineAndOutputTheSecond) {
    for (bool viaFd : {false, true}) {
        EncryptedKeySet s;
        CliRun run;
        fs::path out = s.dir.file("both.p12");
        const std::string text = std::string(kInPass) + "\n" + kOutPass + "\n";
        const std::string source = viaFd ? "fd:4" : "stdin";
        if (viaFd) {
            run.extraFd = 4;
            run.extraFdText = text;
        } else {
            run.stdinText = text;
        }
        run.args = {"-f", "p12", "-o", out.string(), "--passin", source, "--passout", source};
        for (const std::string& in : s.chainThen(s.encryptedKey)) run.args.push_back(in);
        CliResult r = RunCli(run);
        ASSERT_EQ(r.status, 0) << r.err;
        ExpectNoPassPhrase(r);
        int certificates = 0;
        EXPECT_TRUE(OpensslReadsP12(out, kOutPass, &certificates)) << source;
    }
}

// Without a usable pass phrase an encrypted input is skipped, and says why; the others still count.
TEST(CliPass, InputsWithoutTheRightPassPhraseAreSkipped) {
    struct Row {
        const char* name;
        std::vector<std::string> options;
        const char* reason;
        const char* diagnostic;  // extra line on standard error, or null
    };
    const std::vector<Row> rows = {
        {"wrong", {"--passin", "pass:not-it"}, "wrong pass phrase", nullptr},
        {"none and no terminal", {}, "no pass phrase", nullptr},
        {"unset variable",
         {"--passin", "env:QUILLON_TEST_UNSET"},
         "no pass phrase",
         "--passin: the environment variable QUILLON_TEST_UNSET is not set"},
        {"missing file", {"--passin", "file:/nonexistent/pass"}, "no pass phrase", "--passin: cannot open"},
        {"closed descriptor", {"--passin", "fd:9"}, "no pass phrase", "--passin: fd:9"},
        {"empty stdin", {"--passin", "stdin"}, "no pass phrase", "--passin: stdin"},
    };
    for (const Row& row : rows) {
        EncryptedKeySet s;
        CliRun run;
        run.unsetEnv = {"QUILLON_TEST_UNSET"};
        run.args = row.options;
        run.args.push_back("-n");
        for (const std::string& in : s.chainThen(s.encryptedKey)) run.args.push_back(in);
        CliResult r = RunCli(run);
        EXPECT_EQ(r.status, 0) << row.name;  // the chain itself was read
        EXPECT_NE(r.err.find("skipped: " + s.encryptedKey.string() + " (" + row.reason + ")\n"), std::string::npos)
            << row.name << ": " << r.err;
        if (row.diagnostic) {
            EXPECT_NE(r.err.find(row.diagnostic), std::string::npos) << row.name << ": " << r.err;
        }
        EXPECT_EQ(r.out.find("Private Key"), std::string::npos) << row.name;
        ExpectNoPassPhrase(r);
    }
}

// An encrypted output without a pass phrase is not written, and nothing is left behind.
TEST(CliPass, EncryptedOutputWithoutAPassPhraseIsNotWritten) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, std::vector<std::string>{"--passout", "pass:"},
          std::vector<std::string>{"--passout", "env:QUILLON_TEST_UNSET"}}) {
        qfix::SampleSet s;
        CliRun run;
        run.unsetEnv = {"QUILLON_TEST_UNSET"};
        run.args = options;
        run.args.insert(run.args.end(),
                        {"-f", "p12", s.root.string(), s.intermediate.string(), s.leaf.string(), s.key.string()});
        CliResult r = RunCli(run);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.out.find("Output Failed ... no pass phrase\n"), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(s.dir.file("leaf-key.p12")));
    }
}

// ---- The provider's rules, with a scripted terminal -------------------------------------------------

namespace {

class ScriptedTerminal : public TerminalPrompt {
public:
    explicit ScriptedTerminal(std::deque<std::optional<std::string>> answers) : answers_(std::move(answers)) {}
    std::optional<SecretString> Ask(const std::string& prompt) override {
        prompts.push_back(prompt);
        if (answers_.empty()) return std::nullopt;
        std::optional<std::string> a = answers_.front();
        answers_.pop_front();
        if (!a) return std::nullopt;
        return SecretString(*a);
    }
    void Tell(const std::string& text) override { told.push_back(text); }

    std::vector<std::string> prompts;
    std::vector<std::string> told;

private:
    std::deque<std::optional<std::string>> answers_;
};

std::optional<std::string> Answer(CliPassProvider& provider, PassPurpose purpose, bool retry) {
    std::optional<SecretString> s = provider(PassRequest{purpose, "f.p12", retry, {}});
    if (!s) return std::nullopt;
    return s->str();
}

int PipeWith(const std::string& text) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    return fds[0];
}

}  // namespace

TEST(CliPassProvider, TerminalIsAskedAFewTimesPerInputThenGivesUp) {
    ScriptedTerminal terminal({"a", "b", "c", "d", "e"});
    std::ostringstream diagnostics;
    CliPassProvider provider(std::nullopt, std::nullopt, terminal, diagnostics);
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, false), "a");
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, true), "b");
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, true), "c");
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, true), std::nullopt);
    EXPECT_EQ(terminal.prompts.size(), 3u);
    EXPECT_EQ(terminal.told.size(), 2u);  // "wrong" said before each retry
    // The next file starts afresh.
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, false), "d");
}

TEST(CliPassProvider, TerminalOutputPassPhraseIsConfirmed) {
    struct Row {
        std::deque<std::optional<std::string>> answers;
        std::optional<std::string> result;
        std::size_t asked;
    };
    const std::vector<Row> rows = {
        {{"x", "x"}, "x", 2},
        {{"x", "y", "z", "z"}, "z", 4},
        {{"1", "2", "3", "4", "5", "6", "7", "7"}, std::nullopt, 6},  // three tries, then none
        {{std::nullopt}, std::nullopt, 1},                            // cancelled
        {{"x", std::nullopt}, std::nullopt, 2},
    };
    for (const Row& row : rows) {
        ScriptedTerminal terminal(row.answers);
        std::ostringstream diagnostics;
        CliPassProvider provider(std::nullopt, std::nullopt, terminal, diagnostics);
        EXPECT_EQ(Answer(provider, PassPurpose::ProtectOutput, false), row.result);
        EXPECT_EQ(terminal.prompts.size(), row.asked);
    }
}

TEST(CliPassProvider, GivenSourceIsReadOnceAndNeverRetried) {
    ScriptedTerminal terminal({"from-terminal"});
    std::ostringstream diagnostics;
    std::string error;
    int fd = PipeWith("first\nsecond\n");
    std::optional<PassSource> in = ParsePassSource(("fd:" + std::to_string(fd)).c_str(), &error);
    std::optional<PassSource> out = ParsePassSource(("fd:" + std::to_string(fd)).c_str(), &error);
    CliPassProvider provider(std::move(in), std::move(out), terminal, diagnostics);
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, false), "first");
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, true), std::nullopt);
    EXPECT_EQ(Answer(provider, PassPurpose::OpenInput, false), "first");  // the next encrypted input
    EXPECT_EQ(Answer(provider, PassPurpose::ProtectOutput, false), "second");
    EXPECT_TRUE(terminal.prompts.empty());
    // A key store's key with a password of its own is not --passin's: the terminal is asked, naming it.
    EXPECT_EQ(provider(PassRequest{PassPurpose::OpenInput, "f.jks", false, "web"})->str(), "from-terminal");
    EXPECT_EQ(terminal.prompts, std::vector<std::string>{"Pass phrase for key 'web' in f.jks: "});
    close(fd);
}

TEST(CliPassSources, LineReaderTakesOneLineWithinItsLimit) {
    struct Row {
        std::string text;
        std::optional<std::string> line;
    };
    const std::vector<Row> rows = {
        {"abc\nrest", "abc"},
        {"abc\r\n", "abc"},
        {"abc", "abc"},
        {"\n", ""},
        {"", std::nullopt},
        {std::string(kMaxPassPhraseBytes, 'x') + "\n", std::string(kMaxPassPhraseBytes, 'x')},
        {std::string(kMaxPassPhraseBytes + 1, 'x') + "\n", std::nullopt},
    };
    for (const Row& row : rows) {
        int fd = PipeWith(row.text);
        std::string error;
        std::optional<SecretString> line = ReadSecretLine(fd, &error);
        close(fd);
        ASSERT_EQ(line.has_value(), row.line.has_value()) << row.text.substr(0, 10);
        if (line) {
            EXPECT_EQ(line->str(), *row.line);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

// ---- The real terminal, through a pseudo-terminal ---------------------------------------------------

namespace {

// Reads from the pseudo-terminal's master side until `text` has appeared at or after `from` (or the
// child is gone).
bool ReadUntil(int master, std::string& seen, const std::string& text, std::size_t from = 0) {
    while (seen.find(text, from) == std::string::npos) {
        char buf[512];
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    return true;
}

struct TerminalRun {
    int status = -1;
    std::string seen;  // everything the terminal showed
};

// Runs the command line on a pseudo-terminal; at each prompt in `script` types its answer. Answers are
// typed only once their prompt is shown, as a person would: echo is off by then.
TerminalRun RunOnTerminal(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& script) {
    std::vector<std::string> argvStrings = {QUILLON_CLI_PATH};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argvStrings) argv.push_back(s.data());
    argv.push_back(nullptr);

    TerminalRun result;
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::size_t from = 0;
    for (const auto& [prompt, answer] : script) {
        if (!ReadUntil(master, result.seen, prompt, from)) break;
        from = result.seen.size();
        std::string line = answer + "\n";
        EXPECT_EQ(write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    ReadUntil(master, result.seen, "\x01never\x01");  // to the end
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

TEST(CliTerminal, AsksWithoutEchoForInputOnceAndForOutputTwice) {
    EncryptedKeySet s;
    fs::path out = s.dir.file("typed.p12");
    std::vector<std::string> args = {"-f", "p12", "-o", out.string()};
    for (const std::string& in : s.chainThen(s.encryptedKey)) args.push_back(in);
    TerminalRun run = RunOnTerminal(args, {{"Pass phrase for " + s.encryptedKey.string() + ": ", "wrong-one"},
                                           {"Pass phrase for " + s.encryptedKey.string() + ": ", kInPass},
                                           {"New pass phrase for ", kOutPass},
                                           {"Enter it again: ", kOutPass}});
    EXPECT_EQ(run.status, 0) << run.seen;
    EXPECT_EQ(run.seen.find(kInPass), std::string::npos) << run.seen;
    EXPECT_EQ(run.seen.find(kOutPass), std::string::npos) << run.seen;
    EXPECT_EQ(run.seen.find("wrong-one"), std::string::npos) << run.seen;
    int certificates = 0;
    EXPECT_TRUE(OpensslReadsP12(out, kOutPass, &certificates));
    EXPECT_EQ(certificates, 3);
}
