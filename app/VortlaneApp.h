// The application object: owns the one converter document for the whole run, starts the main
// dialog, and handles the input, reset and About commands.
#pragma once

#include "doc/VortlaneDoc.h"
#include "framework/afxwin.h"

class CVortlaneDlg;

class CVortlaneApp : public CWinApp {
public:
    CVortlaneApp();

    BOOL InitInstance() override;
    // The one route of an input path. Always returns null: there is no document object to hand out.
    CDocument* OpenDocumentFile(const char* lpszFileName) override;

    CVortlaneDoc m_doc;

    afx_msg void OnFileNew();
    afx_msg void OnFileOpen();
    afx_msg void OnAppAbout();

    DECLARE_MESSAGE_MAP()

private:
    CVortlaneDlg* MainDialog() const;
};

extern CVortlaneApp theApp;
