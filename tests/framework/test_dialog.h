// A small dialog of the framework's own for its tests: a depth field, two radio groups in sibling
// frames, a sorted combo box and list box, a log and a name field, a menu bar; and an application
// whose command table the dialog's menu commands reach.
#pragma once

#include <vector>

#include "framework/afxdlgs.h"
#include "framework/afxtest.h"
#include "framework/afxwin.h"

constexpr UINT IDD_TEST = 500;
constexpr UINT IDD_TEST_BOX = 501;
constexpr UINT IDR_TEST_MENU = 510;
constexpr UINT IDI_TEST = 520;
constexpr UINT IDM_TEST_ABOUT = 0x10;

constexpr int IDC_T_DEPTH_LABEL = 1000;
constexpr int IDC_T_DEPTH = 1001;
constexpr int IDC_T_ENC_FRAME = 1002;
constexpr int IDC_T_DER = 1010;
constexpr int IDC_T_PEM = 1011;
constexpr int IDC_T_CIPHER_A = 1020;
constexpr int IDC_T_CIPHER_B = 1021;
constexpr int IDC_T_CIPHER_C = 1022;
constexpr int IDC_T_FORM = 1030;
constexpr int IDC_T_LIST = 1040;
constexpr int IDC_T_LOG = 1050;
constexpr int IDC_T_NAME = 1060;
constexpr int IDC_T_CIPHER_FRAME = 1070;

// Registers the test resources (once).
void RegisterTestResources();
const DialogTemplate& TestTemplate();

class CTestDlg : public CDialog {
public:
    CTestDlg();

    CListBox m_listInput;
    CString m_strForm = "Beta";
    int m_nEncoding = 0;
    int m_nCipher = 0;
    CString m_strLog;
    CString m_strName;
    int m_nDepth = 0;
    HICON m_hIcon = nullptr;

    // What the handlers saw.
    int depthChanges = 0;
    int derClicks = 0;
    int pemClicks = 0;
    int selChanges = 0;
    int okCount = 0;
    int cancelCount = 0;
    int aboutCommands = 0;
    std::vector<UINT> sysCommands;
    std::vector<CString> dropped;        // whole paths
    std::vector<CString> droppedBuffer;  // through a classic 260-byte buffer
    bool depthHandlerRunsExchange = true;

    void OnOK() override { ++okCount; }
    void OnCancel() override {
        ++cancelCount;
        CDialog::OnCancel();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon() { return m_hIcon; }
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg void OnChangeDepth();
    afx_msg void OnDer() { ++derClicks; }
    afx_msg void OnPem() { ++pemClicks; }
    afx_msg void OnSelchangeForm() { ++selChanges; }
    afx_msg void OnAbout() { ++aboutCommands; }
    DECLARE_MESSAGE_MAP()
};

class CTestApp : public CWinApp {
public:
    int fileNew = 0;
    int fileOpen = 0;
    void Reset() { fileNew = fileOpen = 0; }

protected:
    afx_msg void OnFileNew() { ++fileNew; }
    afx_msg void OnFileOpen() { ++fileOpen; }
    DECLARE_MESSAGE_MAP()
};

CTestApp& TestApp();

// The icon position of the minimized drawing: centred, truncating toward zero.
int IconOffset(int client, int icon);
