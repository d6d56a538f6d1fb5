#include "cli/pass_sources.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// A string whose buffer is on the heap from the start, so that moving it moves the buffer itself
// instead of copying bytes out of a short-string buffer that would stay behind.
std::string HeapString(std::size_t capacity) {
    std::string s;
    s.reserve(capacity < 32 ? 32 : capacity);
    return s;
}

}  // namespace

SecretString CopySecret(const SecretString& secret) {
    std::string copy = HeapString(secret.str().size());
    copy.append(secret.str());
    return SecretString(std::move(copy));
}

std::optional<PassSource> ParsePassSource(const char* given, std::string* error) {
    PassSource source;
    if (StartsWith(given, "pass:")) {
        source.kind = PassSource::Kind::Text;
        std::string text = HeapString(std::strlen(given));
        text.append(given + 5);
        source.text = SecretString(std::move(text));
        return source;
    }
    if (StartsWith(given, "env:")) {
        source.kind = PassSource::Kind::Env;
        source.name = given + 4;
        if (source.name.empty()) {
            *error = "env: needs the name of a variable";
            return std::nullopt;
        }
        return source;
    }
    if (StartsWith(given, "file:")) {
        source.kind = PassSource::Kind::File;
        source.name = given + 5;
        if (source.name.empty()) {
            *error = "file: needs a path";
            return std::nullopt;
        }
        return source;
    }
    if (StartsWith(given, "fd:")) {
        source.kind = PassSource::Kind::Fd;
        const char* digits = given + 3;
        const char* end = digits + std::strlen(digits);
        auto [stop, ec] = std::from_chars(digits, end, source.fd);
        if (ec != std::errc() || stop != end || digits == end || source.fd < 0) {
            *error = "fd: needs a file descriptor number";
            return std::nullopt;
        }
        return source;
    }
    if (std::strcmp(given, "stdin") == 0) {
        source.kind = PassSource::Kind::Stdin;
        return source;
    }
    *error = "a pass phrase source is pass:TEXT, env:VAR, file:PATH, fd:N or stdin";
    return std::nullopt;
}

std::optional<SecretString> ReadSecretLine(int fd, std::string* error) {
    std::string line = HeapString(kMaxPassPhraseBytes + 1);
    bool gotAny = false;
    for (;;) {
        char c = 0;
        ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = std::strerror(errno);
            explicit_bzero(line.data(), line.size());
            return std::nullopt;
        }
        if (n == 0 || c == '\n') {
            if (n == 0 && !gotAny) {
                *error = "no line to read";
                return std::nullopt;
            }
            break;
        }
        gotAny = true;
        if (line.size() == kMaxPassPhraseBytes) {
            explicit_bzero(line.data(), line.size());
            explicit_bzero(&c, 1);
            *error = "the line is too long for a pass phrase";
            return std::nullopt;
        }
        line.push_back(c);
        explicit_bzero(&c, 1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.back() = '\0';
        line.pop_back();
    }
    return SecretString(std::move(line));
}

std::optional<SecretString> ReadPassSource(const PassSource& source, std::string* error) {
    switch (source.kind) {
    case PassSource::Kind::Text: return CopySecret(source.text);
    case PassSource::Kind::Env: {
        const char* value = std::getenv(source.name.c_str());
        if (!value) {
            *error = "the environment variable " + source.name + " is not set";
            return std::nullopt;
        }
        std::string copy = HeapString(std::strlen(value));
        copy.append(value);
        return SecretString(std::move(copy));
    }
    case PassSource::Kind::File: {
        int fd = ::open(source.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            *error = "cannot open " + source.name + ": " + std::strerror(errno);
            return std::nullopt;
        }
        std::string why;
        std::optional<SecretString> line = ReadSecretLine(fd, &why);
        ::close(fd);
        if (!line) *error = source.name + ": " + why;
        return line;
    }
    case PassSource::Kind::Fd:
    case PassSource::Kind::Stdin: {
        int fd = source.kind == PassSource::Kind::Stdin ? STDIN_FILENO : source.fd;
        std::string why;
        std::optional<SecretString> line = ReadSecretLine(fd, &why);
        if (!line) {
            *error = (source.kind == PassSource::Kind::Stdin ? std::string("stdin") : "fd:" + std::to_string(fd)) +
                     ": " + why;
        }
        return line;
    }
    }
    return std::nullopt;
}
