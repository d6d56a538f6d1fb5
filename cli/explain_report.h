// The explanation of an arrangement printed for people (--explain) or as one JSON document for
// scripts (--explain=json).
#pragma once

#include "doc/chain_explain.h"

#include <string>

std::string ExplainText(const ChainExplanation& explanation);
std::string ExplainJson(const ChainExplanation& explanation);

// `text` as a JSON string literal: quotes, backslash and control characters escaped, UTF-8 passed
// through, and each byte that is not part of valid UTF-8 (a file name may hold any) as U+FFFD.
std::string JsonString(const std::string& text);
