// Writing a set of files into one folder all or nothing: every file first goes to a temporary beside
// its target, and only when all of them are written are they renamed into place, one by one.
#pragma once

#include "crypto/kx.h"

#include <string>
#include <vector>

struct SetFile {
    std::string name;        // a plain name inside the folder
    SecretString contents;   // wiped when the set goes away: it may hold a key
    bool holds_key = false;  // created 0600 whatever the umask
};

struct SetOutcome {
    bool written = false;
    std::string failed_file;  // the file that could not be written, when one could not
    std::string reason;       // why, as the system said it
};

// A target that exists and is not a regular file (or link to one) refuses the set before anything is
// written; a symbolic link is written through. A failure before the renames removes every temporary:
// no new file appears and every old one stays whole.
SetOutcome WriteFileSet(const std::string& folder, const std::vector<SetFile>& files);
