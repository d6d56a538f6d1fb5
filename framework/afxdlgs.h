// Common dialogs of the framework: the file-open/save dialog and the pass-phrase prompt.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/afxwin.h"

// The file dialog. filter is the classic form "PEM (*.pem)|*.pem|All files (*.*)|*.*||": pairs of
// a label and its patterns (';'-separated); the first pair is selected at first.
class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr, const char* lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    // Runs modally; IDOK when the user chose a file, IDCANCEL otherwise.
    virtual INT_PTR DoModal();
    CString GetPathName() const;  // the full path of the chosen file

    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    CString m_strFileName;
    DWORD m_dwFlags;
    CString m_strFilter;
    CWnd* m_pParentWnd;
    CString m_strTitle;  // empty: "Open" or "Save As"

private:
    CString m_strPathName;
};

// One filter of a file dialog: its label and its patterns.
struct FileDialogFilter {
    CString label;
    std::vector<CString> patterns;
};
// Parses the classic filter string into its pairs; an unpaired trailing label is dropped.
std::vector<FileDialogFilter> AfxParseFileFilter(const char* filter);

// The pass-phrase prompt: a modal dialog with a masked entry. With confirm (a new pass phrase) it
// has a second entry that must match, and OK is refused while the entry is empty. With retry it
// says that the previous pass phrase was wrong.
struct SecretPromptRequest {
    CString title;   // the window caption
    CString prompt;  // what is asked, e.g. "Pass phrase for C:/certs/key.pem:"
    bool confirm = false;
    bool retry = false;
};
// Returns true and the entry in *out (confirmed when asked), or false when the user cancelled.
bool AfxPromptSecret(const SecretPromptRequest& request, std::string* out);
