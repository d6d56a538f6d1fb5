// The main dialog: the one working window. Its members mirror the controls through the data
// exchange; its handlers set the document's options and call its operations.
#pragma once

#include "doc/VortlaneDoc.h"
#include "framework/afxwin.h"
#include "ui/resource.h"

class CVortlaneDlg : public CDialog {
public:
    explicit CVortlaneDlg(CWnd* pParent = nullptr);
    ~CVortlaneDlg() override;

    enum { IDD = IDD_MAIN_DIALOG };

    CVortlaneDoc* m_pDoc = nullptr;  // the application's document; not owned
    CListBox m_listInput;
    CString m_strOutForm;
    int m_nEncoding;  // checked button of "DER" (0), "PEM" (1)
    int m_nCrypt;     // checked cipher button, in the order of kCipherButtons
    CString m_strLog;
    CString m_strOutFile;
    int m_nDepth;  // the depth the user typed
    HICON m_hIcon;

    // Output-form rules.
    void SetOutputFileName(const char* name);
    void UpdateConvertButton();
    // Shows in the log pane the chain log that the input route rebuilt into m_strLog.
    void RefreshChainLog();
    // Checks the encoding button that the document will write with.
    void ShowDocumentEncoding();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg void OnSelchangeOutputForm();
    afx_msg void OnPem();
    afx_msg void OnDer();
    afx_msg void OnClear();
    afx_msg void OnChangeDepth();
    afx_msg void On3des128();
    afx_msg void OnDes64();
    afx_msg void On3des192();
    afx_msg void OnRc2_40();
    afx_msg void OnRc2_128();
    afx_msg void OnNoEncrypt();

    DECLARE_MESSAGE_MAP()

private:
    void EnableControl(int id, bool enable);
};
