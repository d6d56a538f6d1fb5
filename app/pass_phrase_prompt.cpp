#include "app/pass_phrase_prompt.h"

#include <cstddef>

SecretPromptRequest PassPhrasePromptFor(const PassRequest& request) {
    SecretPromptRequest prompt;
    if (request.purpose == PassPurpose::OpenInput) {
        prompt.title = "Pass Phrase";
        prompt.prompt = "Pass phrase for " + KX_pass_subject(request) + ":";
        prompt.retry = request.retry;
    } else {
        prompt.title = "New Pass Phrase";
        prompt.prompt = "New pass phrase for " + request.path + ":";
        prompt.confirm = true;
    }
    return prompt;
}

PassProvider PassPhrasePrompt() {
    return [](const PassRequest& request) -> std::optional<SecretString> {
        std::string entry;
        const bool given = AfxPromptSecret(PassPhrasePromptFor(request), &entry);
        std::optional<SecretString> result;
        if (given) result.emplace(entry);
        // The entry must not outlive its use in this buffer either.
        volatile char* bytes = entry.data();
        for (std::size_t i = 0; i < entry.size(); ++i) bytes[i] = '\0';
        return result;
    };
}
