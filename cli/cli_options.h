// The command line's options: one table from which both the parser and --help are made, and the
// settings a parsed command line gives.
#pragma once

#include "cli/pass_sources.h"

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

enum class OptionId {
    Form,
    Encoding,
    Cipher,
    Iterations,
    Depth,
    Output,
    PassIn,
    PassOut,
    OneByOne,
    DryRun,
    Quiet,
    Explain,
    For,
    Check,
    CaFile,
    CaDir,
    SystemCa,
    Layout,
    OutDir,
    AllowIncomplete,
    Name,
    KeyPass,
    Help,
    Version
};

struct CliOption {
    OptionId id;
    const char* longName;
    char shortName;       // 0: long name only
    const char* argName;  // null: the option takes no argument; "[=...]": an optional one, written attached
    const char* help;     // lines after the first are separated by "\n"
};

constexpr std::size_t kCliOptionCount = 24;
extern const CliOption kCliOptions[kCliOptionCount];

enum class ExplainMode { None, Text, Json };

struct CliSettings {
    int form = 0;  // output form index, as the document numbers them
    bool der = true;
    std::optional<std::string> cipherName;  // -c as given
    std::optional<int> cipher;              // the identifier the form is written with, when -c was given
    int iterations = 0;                     // --iter; 0: each cipher's default
    int depth = 0;
    std::optional<std::string> output;
    std::optional<PassSource> passin;
    std::optional<PassSource> passout;
    bool oneByOne = false;  // rebuild the chain after each input instead of once after all of them
    bool dryRun = false;
    bool quiet = false;
    ExplainMode explain = ExplainMode::None;
    std::optional<std::string> target;      // --for
    ExplainMode check = ExplainMode::None;  // --check: read and judge the inputs, write nothing
    std::vector<std::string> caFiles;       // issuers to complete the chain from
    std::vector<std::string> caDirs;
    bool systemCa = false;
    std::optional<std::string> layout;  // a server's set of files instead of one output
    std::optional<std::string> outDir;
    bool allowIncomplete = false;
    std::optional<std::string> name;    // friendly name of the key and its certificate; the Secret's name
    std::optional<PassSource> keypass;  // a Java key store's key whose pass phrase differs from the store's
    bool help = false;
    bool version = false;
    std::vector<std::string> inputs;
};

struct UsageError {
    std::string message;  // never holds a pass phrase
};

// Parses argv. The text of a pass:TEXT source is overwritten in argv once copied, so that it no
// longer shows in the process list.
std::variant<CliSettings, UsageError> ParseCommandLine(int argc, char** argv);

// The form index for a name (the seven form names or their short aliases, any case), or none.
std::optional<int> ParseOutputForm(const std::string& text);
// An integer as a user would type it into the depth field: optional sign, decimal digits, nothing
// else, within the range of int. None otherwise.
std::optional<int> ParseDepth(const std::string& text);

// The layouts --layout knows, and their names for a usage error ("certbot | haproxy | ...").
bool FindLayoutName(const std::string& name);
std::string LayoutNames();
