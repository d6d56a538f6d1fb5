// quillon-cli --help: the options' lines from their table, the forms and ciphers from theirs.
#include "cli/cli_help.h"

#include "cli/cli_options.h"
#include "cli/write_choice.h"
#include "doc/VortlaneDoc.h"
#include "doc/cipher_buttons.h"
#include "doc/output_forms.h"

#include <algorithm>

namespace {

// The help of an option; the form and cipher options list the names their tables hold.
std::string OptionHelp(const CliOption& option) {
    std::string names;
    std::string aliases;
    if (option.id == OptionId::Form) {
        for (const OutputFormRule& rule : kOutputFormRules) {
            names += names.empty() ? std::string(rule.name) + " (default)" : std::string(" | ") + rule.name;
            aliases += (aliases.empty() ? "" : ", ") + std::string(rule.alias);
        }
        names += ",\n";
        aliases = " " + aliases;
    } else if (option.id == OptionId::Cipher) {
        names = "the cipher of the chosen form, at most once; by form:\n";
        // Without -c or --for, each form is written as the first target of the table says.
        const Destination& profile = Destinations().front();
        for (const OutputFormRule& rule : kOutputFormRules) {
            std::string marked;
            for (const FormCipher& choice : CiphersOfForm(rule.form))
                if (choice.identifier == DestinationCipher(profile, rule.form)) marked = choice.name;
            const std::string choices = CipherChoices(rule.form, marked);
            if (!choices.empty()) names += "  " + (rule.name + std::string(12, ' ')).substr(0, 12) + choices + "\n";
        }
    }
    return names + option.help + aliases;
}

}  // namespace

// "des64 | 3des192 | none | aes256" for the form, the default marked; empty for a form without a cipher.
std::string CipherChoices(int form, const std::string& marked) {
    std::string text;
    for (const FormCipher& choice : CiphersOfForm(form)) {
        text += (text.empty() ? "" : " | ") + choice.name + (choice.name == marked ? " (default)" : "");
    }
    return text;
}

// Every form written with a cipher and its choices, for a usage error.
std::string AllCipherChoices() {
    std::string text;
    for (const OutputFormRule& rule : kOutputFormRules) {
        const std::string choices = CipherChoices(rule.form, "");
        if (!choices.empty()) text += std::string(text.empty() ? "" : "; ") + rule.name + ": " + choices;
    }
    return text;
}

std::string UsageText() {
    constexpr std::size_t kHelpColumn = 23;
    std::string text =
        "Usage: quillon-cli [OPTION]... INPUT...\n"
        "Reads every INPUT first (each block of a PEM file of several), arranges what it read into\n"
        "one chain once, so that the order of the inputs does not decide what survives, then\n"
        "converts once, as the window's Convert does. With --one-by-one the chain is arranged after\n"
        "each input instead, as for files dropped on the window one after another.\n"
        "Java key stores (JKS, JCEKS) are read, not written: Java reads PKCS#12 (--for java,\n"
        "--for java-truststore).\n\n";
    for (const CliOption& option : kCliOptions) {
        std::string head = "  ";
        head += option.shortName ? std::string("-") + option.shortName + ", " : std::string("    ");
        head += std::string("--") + option.longName;
        if (option.argName) head += (option.argName[0] == '[' ? "" : " ") + std::string(option.argName);
        head.resize(std::max(head.size() + 1, kHelpColumn), ' ');
        text += head;
        const std::string help = OptionHelp(option);
        for (std::size_t line = 0;;) {
            const std::size_t stop = help.find('\n', line);
            text.append(help, line, stop == std::string::npos ? std::string::npos : stop - line);
            text += '\n';
            if (stop == std::string::npos) break;
            line = stop + 1;
            text.append(kHelpColumn, ' ');
        }
    }
    text += "\nTargets of --for (iterations of the PKCS#12 MAC in brackets where they differ):\n";
    const std::string table = DestinationHelpTable();
    for (std::size_t line = 0; line < table.size();) {
        const std::size_t stop = table.find('\n', line);
        text += "  " + table.substr(line, stop - line) + "\n";
        line = stop == std::string::npos ? table.size() : stop + 1;
    }
    text +=
        "\nstdout: the log text exactly as the window's log pane would hold it, each \"\\r\\n\" printed as \"\\n\".\n"
        "        With --explain, the explanation follows it (-q leaves the explanation alone).\n"
        "        With -o -: the output itself; the log and the explanation go to stderr.\n"
        "stderr: \"skipped: PATH (REASON)\" for each input that no reader accepted;\n"
        "        \"skipped: PATH entry 'ALIAS': REASON\" for an entry of a Java key store not read;\n"
        "        other diagnostics.\n"
        "exit status: 0 output written (or --dry-run), 1 nothing written, 2 usage error;\n"
        "             --check: 0 every INPUT read (or recognised), 1 otherwise.\n";
    return text;
}
