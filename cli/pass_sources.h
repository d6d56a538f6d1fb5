// Where the command line takes a pass phrase from: pass:TEXT, env:VAR, file:PATH (first line),
// fd:N or stdin (one line each time), and the bounded, wiping line reader they share.
#pragma once

#include "crypto/kx.h"

#include <optional>
#include <string>

struct PassSource {
    enum class Kind { Text, Env, File, Fd, Stdin };
    Kind kind = Kind::Text;
    SecretString text;  // Kind::Text
    std::string name;   // Kind::Env: the variable; Kind::File: the path
    int fd = -1;        // Kind::Fd
};

// Parses a source given on the command line. On failure returns none and sets `error` to a message
// that never repeats the given text (it may be a pass phrase with a typo in its prefix).
std::optional<PassSource> ParsePassSource(const char* given, std::string* error);

// Reads the pass phrase from the source. A file gives its first line each time; fd:N and stdin give
// their next line, so --passin stdin and --passout stdin take the first and the second line. On
// failure returns none and sets `error` (without any pass phrase in it).
std::optional<SecretString> ReadPassSource(const PassSource& source, std::string* error);

// Longest pass phrase accepted, in bytes.
constexpr std::size_t kMaxPassPhraseBytes = 1023;

// Reads one line from `fd` one byte at a time (so that nothing after the line is consumed), without
// its "\n" or "\r\n". None at end of input before any byte, on a read error or when the line is longer
// than kMaxPassPhraseBytes; `error` then says which.
std::optional<SecretString> ReadSecretLine(int fd, std::string* error);

// A copy of a secret that leaves no stray bytes behind when it is moved or destroyed.
SecretString CopySecret(const SecretString& secret);
