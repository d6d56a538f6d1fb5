#include "app/VortlaneApp.h"

#include "app/AboutDlg.h"
#include "app/app_resources.h"
#include "app/pass_phrase_prompt.h"
#include "doc/input_route.h"
#include "framework/afxdlgs.h"
#include "ui/VortlaneDlg.h"

CVortlaneApp theApp;

BEGIN_MESSAGE_MAP(CVortlaneApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, OnFileNew)
ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CVortlaneApp::CVortlaneApp() : CWinApp(nullptr) { RegisterApplicationResources(); }

BOOL CVortlaneApp::InitInstance() {
    // Encrypted inputs and outputs ask the user through the framework's masked prompt.
    m_doc.m_passSource = PassPhrasePrompt();

    AfxEnableControlContainer();
    Enable3dControls();

    CVortlaneDlg dlg;
    m_pMainWnd = &dlg;
    dlg.m_pDoc = &m_doc;
    dlg.DoModal();
    m_pMainWnd = nullptr;

    // The modal run was the program's loop: end now.
    return FALSE;
}

CVortlaneDlg* CVortlaneApp::MainDialog() const { return static_cast<CVortlaneDlg*>(m_pMainWnd); }

CDocument* CVortlaneApp::OpenDocumentFile(const char* lpszFileName) {
    // Reading a big input and arranging the chain again can take a while.
    CWaitCursor busy;
    CVortlaneDlg* dlg = MainDialog();
    // An unreadable file is silently ignored.
    if (!OpenInput(m_doc, lpszFileName, dlg != nullptr ? &dlg->m_strLog : nullptr).accepted) return nullptr;
    if (dlg == nullptr) return nullptr;
    dlg->m_listInput.AddString(lpszFileName);
    dlg->RefreshChainLog();
    dlg->SetOutputFileName(lpszFileName);
    dlg->UpdateConvertButton();
    return nullptr;
}

void CVortlaneApp::OnFileNew() {
    m_doc.OnNewDocument();

    CVortlaneDlg* dlg = MainDialog();
    if (dlg == nullptr) return;
    dlg->m_listInput.ResetContent();
    // The log field keeps its text; only Clear empties it.
    dlg->m_strLog.clear();
    dlg->m_strOutFile.clear();
    dlg->SetOutputFileName("");
    // The document writes DER again: say so with the check mark.
    dlg->ShowDocumentEncoding();
}

void CVortlaneApp::OnFileOpen() {
    CFileDialog dlgFile(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        "PEM (*.pem)|*.pem|All files (*.*)|*.*||");
    if (dlgFile.DoModal() == IDOK) OpenDocumentFile(dlgFile.GetPathName().c_str());
}

void CVortlaneApp::OnAppAbout() {
    CAboutDlg aboutDlg;
    aboutDlg.DoModal();
}
