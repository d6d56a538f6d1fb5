// Asks for a pass phrase on the controlling terminal (/dev/tty) with echo turned off, so that
// standard input and output stay free for data and the log.
#pragma once

#include "crypto/kx.h"

#include <optional>
#include <string>

class TerminalPrompt {
public:
    virtual ~TerminalPrompt() = default;
    // Shows `prompt` and reads one line without echo. None when there is no terminal, at end of
    // input, or on a read error.
    virtual std::optional<SecretString> Ask(const std::string& prompt);
    // Shows a line of text on the terminal (nothing when there is none).
    virtual void Tell(const std::string& text);
};
