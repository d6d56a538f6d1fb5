#include "cli/cli_options.h"

#include "cli/cli_help.h"
#include "doc/VortlaneDoc.h"
#include "doc/cipher_buttons.h"
#include "doc/destinations.h"
#include "doc/output_forms.h"

#include <getopt.h>
#include <string.h>
#include <strings.h>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

const CliOption kCliOptions[kCliOptionCount] = {
    // The lists of forms and ciphers are put in front from their tables (see OptionHelp).
    {OptionId::Form, "form", 'f', "FORM", "matched without regard to case; also"},
    {OptionId::Encoding, "encoding", 'e', "ENC", "der (default) | pem"},
    {OptionId::Cipher, "cipher", 'c', "NAME",
     "the other forms take no cipher. aes256 (PBES2: AES-256-CBC, PBKDF2-HMAC-SHA256;\n"
     "PKCS#12 also with a SHA-256 MAC) is read by every current importer; a default\n"
     "OpenSSL 3 also reads 3des192, 3des128 and none, but needs its legacy provider\n"
     "for des64, rc2-40 and rc2-128"},
    {OptionId::Iterations, "iter", 0, "N",
     "iterations of PKCS#12 and PKCS#8 encryption and of the PKCS#12 MAC, 1 to 10000000;\n"
     "default: the target's; with -c alone, 600000 for aes256, 2048 for the other ciphers"},
    {OptionId::Depth, "depth", 'd', "N", "the depth a user would type, an integer (default 0)"},
    {OptionId::Output, "output", 'o', "FILE",
     "default: derived from the last accepted input, as the window derives it;\n"
     "- writes to standard output (the log then goes to standard error)"},
    {OptionId::PassIn, "passin", 0, "SRC", "pass phrase for encrypted inputs"},
    {OptionId::PassOut, "passout", 0, "SRC",
     "pass phrase for encrypted outputs\n"
     "SRC is pass:TEXT | env:VAR | file:PATH (first line) | fd:N | stdin;\n"
     "pass:TEXT shows the pass phrase to other users of this machine (process list,\n"
     "shell history): env:, file:, fd: or the prompt are safer;\n"
     "without one, asked on the terminal (outputs: twice) when there is one;\n"
     "otherwise an encrypted input is skipped and an encrypted output is not written"},
    {OptionId::OneByOne, "one-by-one", 0, nullptr,
     "arrange the chain after each input, as the window does for a drop\n"
     "of several files (then the order of the inputs decides what survives);\n"
     "by default every input is read first and the chain arranged once"},
    {OptionId::DryRun, "dry-run", 'n', nullptr, "read and arrange only; write nothing"},
    {OptionId::Quiet, "quiet", 'q', nullptr, "do not print the log"},
    {OptionId::Explain, "explain", 0, "[=json]",
     "after the log, say what became of each object read and why, and check the\n"
     "chain; =json: one JSON document instead (with -q, the only output)"},
    {OptionId::For, "for", 0, "TARGET",
     "write what TARGET's importer takes: the ciphers, MAC and iterations of\n"
     "PKCS#12, PKCS#8 and PrivateKey (default for those forms: modern, unless -c\n"
     "is given alone); a later -c or --iter changes one part of it, with a warning\n"
     "when the target would not take the result; the targets are listed below"},
    {OptionId::Check, "check", 0, "[=json]",
     "read each INPUT and write nothing: its kind, how it is protected, and which\n"
     "targets' importers take it; needs no pass phrase (given one, it also checks\n"
     "the MAC and lists the contents); =json: one JSON document instead"},
    {OptionId::CaFile, "ca-file", 0, "FILE",
     "issuers to complete the chain from (PEM bundle, DER certificate or PKCS#7);\n"
     "not inputs: only an issuer the chain lacks is taken; may be repeated"},
    {OptionId::CaDir, "ca-dir", 0, "DIR", "the certificate files of DIR as issuers, as --ca-file; may be repeated"},
    {OptionId::SystemCa, "system-ca", 0, nullptr,
     "the system's trust store as issuers (OpenSSL's default bundle and folder,\n"
     "or SSL_CERT_FILE and SSL_CERT_DIR when set)"},
    {OptionId::Layout, "layout", 0, "NAME",
     "write a server's set of files into --out-dir instead of one output:\n"
     "certbot | haproxy | k8s | pfx"},
    {OptionId::OutDir, "out-dir", 0, "DIR", "the folder --layout writes into"},
    {OptionId::AllowIncomplete, "allow-incomplete", 0, nullptr,
     "--layout: write even when the chain does not reach a self-signed root"},
    {OptionId::Name, "name", 0, "NAME",
     "the friendly name (alias) of the key and its certificate in a PKCS#12\n"
     "(--for java-truststore: of the first certificate); --layout k8s: the\n"
     "Secret's name"},
    {OptionId::KeyPass, "keypass", 0, "SRC",
     "pass phrase of a key in a Java key store whose own differs from the store's"},
    {OptionId::Help, "help", 'h', nullptr, "show this help"},
    {OptionId::Version, "version", 0, nullptr, "show the version"},
};

namespace {

// getopt_long reports options by this value plus the table index.
constexpr int kLongOnlyBase = 256;

std::string Spelling(const CliOption& option) { return std::string("--") + option.longName; }

// The name of an option as the user wrote it, without any "=VALUE" (it may hold a pass phrase).
std::string WrittenName(const char* arg) {
    const char* eq = std::strchr(arg, '=');
    return eq ? std::string(arg, eq) : std::string(arg);
}

std::optional<UsageError> Apply(const CliOption& option, char* arg, CliSettings& settings) {
    switch (option.id) {
    case OptionId::Form: {
        std::optional<int> form = ParseOutputForm(arg);
        if (!form) return UsageError{"unknown output form '" + std::string(arg) + "'"};
        settings.form = *form;
        return std::nullopt;
    }
    case OptionId::Encoding:
        if (strcasecmp(arg, "der") == 0)
            settings.der = true;
        else if (strcasecmp(arg, "pem") == 0)
            settings.der = false;
        else
            return UsageError{"unknown encoding '" + std::string(arg) + "' (der or pem)"};
        return std::nullopt;
    case OptionId::Cipher:
        // Checked against the form once the whole command line is read: -f may come after -c.
        if (settings.cipherName) return UsageError{"-c/--cipher may be given only once"};
        settings.cipherName = arg;
        return std::nullopt;
    case OptionId::Iterations: {
        std::optional<int> count = ParseDepth(arg);
        if (!count || *count < 1 || static_cast<std::uint64_t>(*count) > KX_MAX_PBE_ITERATIONS)
            return UsageError{"--iter takes a count from 1 to " + std::to_string(KX_MAX_PBE_ITERATIONS) + ", not '" +
                              std::string(arg) + "'"};
        settings.iterations = *count;
        return std::nullopt;
    }
    case OptionId::Depth: {
        std::optional<int> depth = ParseDepth(arg);
        if (!depth) return UsageError{"the depth must be an integer, not '" + std::string(arg) + "'"};
        settings.depth = *depth;
        return std::nullopt;
    }
    case OptionId::Output:
        if (*arg == '\0') return UsageError{"the output file name is empty"};
        settings.output = arg;
        return std::nullopt;
    case OptionId::PassIn:
    case OptionId::PassOut:
    case OptionId::KeyPass: {
        std::string error;
        std::optional<PassSource> source = ParsePassSource(arg, &error);
        // The text is in our own copy now; take it out of the process list.
        if (std::strncmp(arg, "pass:", 5) == 0) explicit_bzero(arg + 5, std::strlen(arg + 5));
        if (!source) return UsageError{Spelling(option) + ": " + error};
        (option.id == OptionId::PassIn    ? settings.passin
         : option.id == OptionId::PassOut ? settings.passout
                                          : settings.keypass) = std::move(source);
        return std::nullopt;
    }
    case OptionId::For: settings.target = arg; return std::nullopt;
    case OptionId::Check:
        if (!arg)
            settings.check = ExplainMode::Text;
        else if (strcasecmp(arg, "json") == 0)
            settings.check = ExplainMode::Json;
        else
            return UsageError{"--check takes no value but json, not '" + std::string(arg) + "'"};
        return std::nullopt;
    case OptionId::CaFile: settings.caFiles.emplace_back(arg); return std::nullopt;
    case OptionId::CaDir: settings.caDirs.emplace_back(arg); return std::nullopt;
    case OptionId::SystemCa: settings.systemCa = true; return std::nullopt;
    case OptionId::Layout: settings.layout = arg; return std::nullopt;
    case OptionId::OutDir:
        if (*arg == '\0') return UsageError{"the --out-dir folder name is empty"};
        settings.outDir = arg;
        return std::nullopt;
    case OptionId::AllowIncomplete: settings.allowIncomplete = true; return std::nullopt;
    case OptionId::Name: settings.name = arg; return std::nullopt;
    case OptionId::OneByOne: settings.oneByOne = true; return std::nullopt;
    case OptionId::DryRun: settings.dryRun = true; return std::nullopt;
    case OptionId::Quiet: settings.quiet = true; return std::nullopt;
    case OptionId::Explain:
        if (!arg)
            settings.explain = ExplainMode::Text;
        else if (strcasecmp(arg, "json") == 0)
            settings.explain = ExplainMode::Json;
        else
            return UsageError{"--explain takes no value but json, not '" + std::string(arg) + "'"};
        return std::nullopt;
    case OptionId::Help: settings.help = true; return std::nullopt;
    case OptionId::Version: settings.version = true; return std::nullopt;
    }
    return std::nullopt;
}

// The -c and --iter given, against the form chosen.
std::optional<UsageError> CheckCipher(CliSettings& settings) {
    const OutputFormRule* rule = OutputFormRuleAt(settings.form);
    if (settings.cipherName) {
        if (CiphersOfForm(settings.form).empty())
            return UsageError{std::string("the ") + rule->name + " form is written without a cipher; -c applies to " +
                              AllCipherChoices()};
        std::optional<FormCipher> choice = FindCipherOfForm(settings.form, *settings.cipherName);
        if (!choice)
            return UsageError{"cipher '" + *settings.cipherName + "' does not apply to " + rule->name + "; choose " +
                              CipherChoices(settings.form, "")};
        settings.cipher = choice->identifier;
    }
    const bool counted = rule->cipherUse == CipherUse::Pkcs12 ||
                         (rule->cipherUse == CipherUse::Pkcs8 && settings.cipher != KX_CIPHER_NONE);
    if (settings.iterations != 0 && !counted)
        return UsageError{std::string("--iter applies to PKCS#12 and encrypted PKCS#8 only, not to ") + rule->name +
                          (settings.cipher == KX_CIPHER_NONE ? " without a cipher" : "")};
    return std::nullopt;
}

// --for names a target of the table and goes with a form written with a cipher. --check and --layout
// are runs of their own kind: what a target means to them is theirs to say.
std::optional<UsageError> CheckTarget(const CliSettings& settings) {
    if (!settings.target) return std::nullopt;
    const Destination* target = FindDestination(*settings.target);
    if (!target) return UsageError{"unknown target '" + *settings.target + "'; choose " + DestinationNames()};
    const OutputFormRule* rule = OutputFormRuleAt(settings.form);
    if (target->trustStore && settings.check == ExplainMode::None && (settings.layout || settings.form != FORM_PKCS12))
        return UsageError{"--for " + target->name + " writes one PKCS#12 file: give -f p12, without --layout"};
    if (settings.check == ExplainMode::None && !settings.layout && rule->cipherUse == CipherUse::None)
        return UsageError{std::string("--for applies to PrivateKey, PKCS#12 and PKCS#8, not to ") + rule->name +
                          "; targets: " + DestinationNames()};
    return std::nullopt;
}

// --check and --layout are runs of their own kind: the options of one output do not go with them.
std::optional<UsageError> CheckRunKind(const CliSettings& settings) {
    if (settings.check != ExplainMode::None && (settings.output || settings.layout))
        return UsageError{"--check writes nothing; -o and --layout do not go with it"};
    if (settings.layout) {
        if (!settings.outDir) return UsageError{"--layout needs --out-dir DIR"};
        if (settings.output) return UsageError{"--layout writes its own files into --out-dir; -o does not go with it"};
        if (!FindLayoutName(*settings.layout))
            return UsageError{"unknown layout '" + *settings.layout + "'; choose " + LayoutNames()};
    } else if (settings.outDir) {
        return UsageError{"--out-dir goes with --layout"};
    }
    if (settings.allowIncomplete && !settings.layout) return UsageError{"--allow-incomplete goes with --layout"};
    return std::nullopt;
}

}  // namespace

std::optional<int> ParseOutputForm(const std::string& text) {
    for (const OutputFormRule& rule : kOutputFormRules) {
        if (strcasecmp(text.c_str(), rule.name) == 0 || strcasecmp(text.c_str(), rule.alias) == 0) return rule.form;
    }
    return std::nullopt;
}

std::optional<int> ParseDepth(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    if (begin == end) return std::nullopt;
    int value = 0;
    auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::variant<CliSettings, UsageError> ParseCommandLine(int argc, char** argv) {
    constexpr std::size_t kCount = std::size(kCliOptions);
    struct option longOptions[kCount + 1] = {};
    // A leading ':' makes a missing argument come back as ':' instead of a message from getopt.
    std::string shortOptions = ":";
    for (std::size_t i = 0; i < kCount; ++i) {
        const CliOption& option = kCliOptions[i];
        longOptions[i].name = option.longName;
        longOptions[i].has_arg = !option.argName            ? no_argument
                                 : option.argName[0] == '[' ? optional_argument
                                                            : required_argument;
        longOptions[i].val = option.shortName ? option.shortName : kLongOnlyBase + static_cast<int>(i);
        if (option.shortName) {
            shortOptions += option.shortName;
            if (option.argName) shortOptions += ':';
        }
    }

    CliSettings settings;
    optind = 0;  // start afresh, also when called more than once in one process
    opterr = 0;
    for (;;) {
        int longIndex = -1;
        int c = getopt_long(argc, argv, shortOptions.c_str(), longOptions, &longIndex);
        if (c == -1) break;
        if (c == '?') {
            const char* written = argv[optind - 1];
            if (optopt != 0 && std::strncmp(written, "--", 2) == 0)
                return UsageError{"option '" + WrittenName(written) + "' takes no argument"};
            if (optopt > 0 && optopt < kLongOnlyBase && std::isprint(optopt))
                return UsageError{"unknown option '-" + std::string(1, static_cast<char>(optopt)) + "'"};
            return UsageError{"unknown option '" + WrittenName(written) + "'"};
        }
        if (c == ':') {
            return UsageError{"option '" + WrittenName(argv[optind - 1]) + "' needs an argument"};
        }
        const CliOption* option = nullptr;
        if (c >= kLongOnlyBase) {
            option = &kCliOptions[c - kLongOnlyBase];
        } else {
            for (const CliOption& candidate : kCliOptions) {
                if (candidate.shortName == c) option = &candidate;
            }
        }
        if (!option) return UsageError{"unknown option"};
        if (std::optional<UsageError> error = Apply(*option, optarg, settings)) return *error;
    }
    for (int i = optind; i < argc; ++i) settings.inputs.emplace_back(argv[i]);
    if (settings.help || settings.version) return settings;
    if (settings.inputs.empty()) return UsageError{"no INPUT given"};
    if (std::optional<UsageError> error = CheckCipher(settings)) return *error;
    if (std::optional<UsageError> error = CheckTarget(settings)) return *error;
    if (std::optional<UsageError> error = CheckRunKind(settings)) return *error;
    return settings;
}

namespace {
constexpr const char* kLayoutNames[] = {"certbot", "haproxy", "k8s", "pfx"};
}  // namespace

bool FindLayoutName(const std::string& name) {
    for (const char* known : kLayoutNames)
        if (name == known) return true;
    return false;
}

std::string LayoutNames() {
    std::string text;
    for (const char* known : kLayoutNames) text += (text.empty() ? "" : " | ") + std::string(known);
    return text;
}
