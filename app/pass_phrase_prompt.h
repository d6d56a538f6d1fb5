// Makes the framework's masked prompt the crypto layer's source of pass phrases.
#pragma once

#include <string>

#include "crypto/kx.h"
#include "doc/VortlaneDoc.h"
#include "framework/afxdlgs.h"

// What the prompt shows for a request of the crypto layer.
SecretPromptRequest PassPhrasePromptFor(const PassRequest& request);
// Makes the prompt the pass-phrase source of the document's reads and of the writers.
void InstallPassPhrasePrompt(CVortlaneDoc& doc);
