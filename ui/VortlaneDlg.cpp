#include "ui/VortlaneDlg.h"

#include "ui/main_dialog_template.h"
#include "ui/minimized_icon.h"

CVortlaneDlg::CVortlaneDlg(CWnd* pParent) : CDialog(IDD_MAIN_DIALOG, pParent) {
    RegisterMainDialogTemplate();
    m_strOutForm = "Certificate";
    m_nEncoding = 0;
    m_nCrypt = 0;
    m_nDepth = 0;
    m_hIcon = AfxLoadIcon(IDR_MAINFRAME);
}

CVortlaneDlg::~CVortlaneDlg() = default;

void CVortlaneDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    // One order for both directions; a refused depth stops the exchange after everything above it.
    DDX_Control(pDX, IDC_INPUT_LIST, m_listInput);
    DDX_CBString(pDX, IDC_OUTPUT_FORM, m_strOutForm);
    DDX_Radio(pDX, IDC_DER, m_nEncoding);
    DDX_Radio(pDX, IDC_DES64, m_nCrypt);
    DDX_Text(pDX, IDC_LOG, m_strLog);
    DDX_Text(pDX, IDC_OUTPUT_FILE, m_strOutFile);
    DDX_Text(pDX, IDC_DEPTH, m_nDepth);
    DDV_MinMaxInt(pDX, m_nDepth, 0, 10);
}

BEGIN_MESSAGE_MAP(CVortlaneDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_DROPFILES()
ON_CBN_SELCHANGE(IDC_OUTPUT_FORM, OnSelchangeOutputForm)
ON_BN_CLICKED(IDC_PEM, OnPem)
ON_BN_CLICKED(IDC_DER, OnDer)
ON_BN_CLICKED(IDC_CLEAR, OnClear)
ON_EN_CHANGE(IDC_DEPTH, OnChangeDepth)
ON_BN_CLICKED(IDC_3DES128, On3des128)
ON_BN_CLICKED(IDC_DES64, OnDes64)
ON_BN_CLICKED(IDC_3DES192, On3des192)
ON_BN_CLICKED(IDC_RC2_40, OnRc2_40)
ON_BN_CLICKED(IDC_RC2_128, OnRc2_128)
ON_BN_CLICKED(IDC_NO_ENCRYPT, OnNoEncrypt)
END_MESSAGE_MAP()

BOOL CVortlaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    DragAcceptFiles(TRUE);

    if (CMenu* pSysMenu = GetSystemMenu(FALSE); pSysMenu != nullptr) {
        const CString strAboutMenu = AfxLoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu.c_str());
        }
    }

    SetIcon(m_hIcon, TRUE);

    OnSelchangeOutputForm();
    // Nothing has been read yet, whatever the rules just decided.
    EnableControl(IDOK, false);
    return TRUE;
}

void CVortlaneDlg::EnableControl(int id, bool enable) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}

void CVortlaneDlg::OnCancel() { CDialog::OnCancel(); }

void CVortlaneDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    (void)lParam;
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        // The same About box as the Help menu's: the application shows it.
        AfxGetApp()->OnCmdMsg(ID_APP_ABOUT, CN_COMMAND);
    } else {
        Default();
    }
}

void CVortlaneDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const IconPosition at = CenteredIconPosition(rect.Width(), rect.Height(), cxIcon, cyIcon);
    dc.DrawIcon(at.x, at.y, m_hIcon);
}

HCURSOR CVortlaneDlg::OnQueryDragIcon() { return m_hIcon; }
