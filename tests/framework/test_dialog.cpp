// The test dialog's template, menu, icon and handlers.
#include "test_dialog.h"

namespace {

DialogTemplate MakeTemplate() {
    DialogTemplate t;
    t.id = IDD_TEST;
    t.caption = "Framework Test";
    t.style = DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    t.exStyle = WS_EX_APPWINDOW;
    t.cx = 200;
    t.cy = 180;
    t.fontFace = "ＭＳ Ｐゴシック";
    t.pointSize = 10;
    t.menuId = IDR_TEST_MENU;
    t.controls = {
        {IDOK, "button", BS_DEFPUSHBUTTON | WS_TABSTOP, "OK", 100, 160, 40, 14},
        {IDCANCEL, "button", BS_PUSHBUTTON | WS_TABSTOP, "Cancel", 150, 160, 40, 14},
        {IDC_T_DEPTH_LABEL, "static", SS_LEFT | WS_GROUP, "Depth:", 7, 8, 40, 8},
        {IDC_T_DEPTH, "edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "", 50, 6, 20, 12},
        {IDC_T_ENC_FRAME, "button", BS_GROUPBOX | BS_CENTER | WS_GROUP, "Encoding", 7, 24, 60, 40},
        {IDC_T_DER, "button", BS_AUTORADIOBUTTON | WS_GROUP, "DER", 14, 36, 40, 10},
        {IDC_T_PEM, "button", BS_AUTORADIOBUTTON, "PEM", 14, 48, 40, 10},
        {IDC_T_CIPHER_A, "button", BS_AUTORADIOBUTTON | WS_GROUP, "A", 80, 36, 30, 10},
        {IDC_T_CIPHER_B, "button", BS_AUTORADIOBUTTON, "B", 80, 48, 30, 10},
        {IDC_T_CIPHER_C, "button", BS_AUTORADIOBUTTON, "C", 120, 36, 30, 10},
        {IDC_T_FORM, "combobox", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP | WS_GROUP, "", 110, 6, 60, 80},
        {IDC_T_LIST, "listbox",
         LBS_SORT | LBS_NOSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_BORDER |
             WS_TABSTOP,
         "", 7, 70, 186, 30},
        {IDC_T_LOG, "edit",
         ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_TABSTOP, "", 7, 104,
         186, 30},
        {IDC_T_NAME, "edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "", 7, 140, 186, 12},
        {IDC_T_CIPHER_FRAME, "button", BS_GROUPBOX | WS_GROUP, "Cipher        ", 73, 24, 90, 40},
    };
    t.initStrings = {{IDC_T_FORM, "Gamma"},
                     {IDC_T_FORM, "alpha"},
                     {IDC_T_FORM, "Beta"},
                     {IDC_T_FORM, "CRL"},
                     {IDC_T_FORM, "Certificate"}};
    return t;
}

DialogTemplate MakeBoxTemplate() {
    DialogTemplate t;
    t.id = IDD_TEST_BOX;
    t.caption = "Box";
    t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 100;
    t.cy = 40;
    t.fontFace = "Arial";
    t.pointSize = 9;
    t.controls = {
        {-1, "static", SS_ICON, "520", 5, 5, 20, 20},
        {IDOK, "button", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, "OK", 60, 20, 32, 14},
    };
    return t;
}

std::vector<IconImage> MakeIcon() {
    std::vector<IconImage> images;
    for (int size : {32, 16}) {
        IconImage image{size, size, std::vector<std::uint32_t>(static_cast<size_t>(size * size), 0xFF000080u)};
        images.push_back(image);
    }
    return images;
}

}  // namespace

void RegisterTestResources() {
    static bool done = false;
    if (done) return;
    done = true;
    AfxRegisterDialog(MakeTemplate());
    AfxRegisterDialog(MakeBoxTemplate());
    MenuTemplate menu;
    menu.id = IDR_TEST_MENU;
    menu.items = {
        {"&File",
         0,
         MF_POPUP,
         {{"&New\tCtrl+N", ID_FILE_NEW, 0, {}},
          {"&Open...\tCtrl+O", ID_FILE_OPEN, 0, {}},
          {"", 0, MF_SEPARATOR, {}},
          {"E&xit", ID_APP_EXIT, 0, {}}}},
        {"&Edit",
         0,
         MF_POPUP | MF_GRAYED,
         {{"&Undo\tCtrl+Z", ID_EDIT_UNDO, 0, {}}, {"&Copy\tCtrl+C", ID_EDIT_COPY, 0, {}}}},
        {"&Help", 0, MF_POPUP, {{"&About...", ID_APP_ABOUT, 0, {}}}},
    };
    AfxRegisterMenu(menu);
    AfxRegisterIcon(IDI_TEST, MakeIcon());
    AfxRegisterString(101, "&About test...");
}

const DialogTemplate& TestTemplate() {
    RegisterTestResources();
    return *AfxFindDialogTemplate(IDD_TEST);
}

int IconOffset(int client, int icon) { return (client - icon + 1) / 2; }

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_DROPFILES()
ON_EN_CHANGE(IDC_T_DEPTH, OnChangeDepth)
ON_BN_CLICKED(IDC_T_DER, OnDer)
ON_BN_CLICKED(IDC_T_PEM, OnPem)
ON_CBN_SELCHANGE(IDC_T_FORM, OnSelchangeForm)
ON_COMMAND(ID_APP_ABOUT, OnAbout)
END_MESSAGE_MAP()

CTestDlg::CTestDlg() : CDialog(IDD_TEST) {
    RegisterTestResources();
    m_hIcon = AfxLoadIcon(IDI_TEST);
}

void CTestDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_T_LIST, m_listInput);
    DDX_CBString(pDX, IDC_T_FORM, m_strForm);
    DDX_Radio(pDX, IDC_T_DER, m_nEncoding);
    DDX_Radio(pDX, IDC_T_CIPHER_A, m_nCipher);
    DDX_Text(pDX, IDC_T_LOG, m_strLog);
    DDX_Text(pDX, IDC_T_NAME, m_strName);
    DDX_Text(pDX, IDC_T_DEPTH, m_nDepth);
    DDV_MinMaxInt(pDX, m_nDepth, 0, 10);
}

void CTestDlg::OnSysCommand(UINT nID, LPARAM) {
    sysCommands.push_back(nID);
    if ((nID & 0xFFF0) != IDM_TEST_ABOUT) Default();
}

void CTestDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect rect;
    GetClientRect(&rect);
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    dc.DrawIcon(IconOffset(rect.Width(), cx), IconOffset(rect.Height(), cy), m_hIcon);
}

void CTestDlg::OnDropFiles(HDROP hDropInfo) {
    const UINT count = DragQueryFile(hDropInfo, DRAG_QUERY_COUNT, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        dropped.push_back(DragQueryFilePath(hDropInfo, i));
        char buffer[260];
        DragQueryFile(hDropInfo, i, buffer, sizeof buffer);
        droppedBuffer.emplace_back(buffer);
    }
    DragFinish(hDropInfo);
}

void CTestDlg::OnChangeDepth() {
    ++depthChanges;
    if (depthHandlerRunsExchange) UpdateData(TRUE);
}

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, OnFileNew)
ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CTestApp& TestApp() {
    static CTestApp app;
    return app;
}
