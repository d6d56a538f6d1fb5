// Hooks through which tests answer the framework's prompts and dialogs without a person. Each hook,
// while installed, replaces the real dialog; none is installed in the program.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/afxdlgs.h"

// AfxMessageBox: the hook gets the text and type and returns the button pressed.
using AfxMessageBoxHook = std::function<int(const CString& text, UINT type)>;
void AfxSetMessageBoxHook(AfxMessageBoxHook hook);  // an empty function removes it

// CFileDialog::DoModal: the hook returns the chosen path, or nothing for Cancel.
struct FileDialogRequest {
    BOOL open = TRUE;
    CString title;
    CString defExt;
    CString fileName;
    DWORD flags = 0;
    std::vector<FileDialogFilter> filters;
    int selectedFilter = 0;  // index into filters
};
using AfxFileDialogHook = std::function<std::optional<CString>(const FileDialogRequest&)>;
void AfxSetFileDialogHook(AfxFileDialogHook hook);

// AfxPromptSecret: the hook returns the entry, or nothing for Cancel.
using AfxSecretPromptHook = std::function<std::optional<std::string>(const SecretPromptRequest&)>;
void AfxSetSecretPromptHook(AfxSecretPromptHook hook);

// Called with each dialog as soon as its modal run has started (from inside the loop), so a test
// can inspect it and end it; an empty function removes it.
using AfxModalHook = std::function<void(CDialog& dialog)>;
void AfxSetModalHook(AfxModalHook hook);

// Records every message box and answers each with `answer`, for the scope of the object.
class ScriptedMessageBoxes {
public:
    explicit ScriptedMessageBoxes(int answer = IDOK);
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;
    std::vector<CString> texts;
    std::vector<UINT> types;  // MB_* of each, in the same order
    int answer;
};

// Answers pass-phrase prompts from a queue (nothing = Cancel; an empty queue cancels) and records
// the requests, for the scope of the object.
class ScriptedSecretPrompts {
public:
    ScriptedSecretPrompts();
    ~ScriptedSecretPrompts();
    ScriptedSecretPrompts(const ScriptedSecretPrompts&) = delete;
    ScriptedSecretPrompts& operator=(const ScriptedSecretPrompts&) = delete;
    std::deque<std::optional<std::string>> answers;
    std::vector<SecretPromptRequest> requests;
};

// Answers file dialogs from a queue (nothing = Cancel; an empty queue cancels) and records the
// requests, for the scope of the object.
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;
    std::deque<std::optional<CString>> answers;
    std::vector<FileDialogRequest> requests;
};
