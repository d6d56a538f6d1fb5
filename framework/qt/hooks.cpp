// The scripted answers tests install in place of the framework's prompts and dialogs.
#include "framework/afxtest.h"
#include "framework/qt/window_record.h"

namespace afx {
AfxModalHook g_modalHook;
}

void AfxSetModalHook(AfxModalHook hook) { afx::g_modalHook = std::move(hook); }

ScriptedMessageBoxes::ScriptedMessageBoxes(int answerWith) : answer(answerWith) {
    AfxSetMessageBoxHook([this](const CString& text, UINT type) {
        texts.push_back(text);
        types.push_back(type);
        return answer;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { AfxSetMessageBoxHook(nullptr); }

ScriptedSecretPrompts::ScriptedSecretPrompts() {
    AfxSetSecretPromptHook([this](const SecretPromptRequest& request) -> std::optional<std::string> {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    });
}

ScriptedSecretPrompts::~ScriptedSecretPrompts() { AfxSetSecretPromptHook(nullptr); }

ScriptedFileDialogs::ScriptedFileDialogs() {
    AfxSetFileDialogHook([this](const FileDialogRequest& request) -> std::optional<CString> {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        std::optional<CString> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs() { AfxSetFileDialogHook(nullptr); }
