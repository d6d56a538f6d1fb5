// Makes the framework's masked prompt the crypto layer's source of pass phrases.
#pragma once

#include <string>

#include "crypto/kx.h"
#include "doc/VortlaneDoc.h"
#include "framework/afxdlgs.h"

// What the prompt shows for a request of the crypto layer.
SecretPromptRequest PassPhrasePromptFor(const PassRequest& request);
// The prompt as a pass-phrase source, for the document's reads and writes.
PassProvider PassPhrasePrompt();
