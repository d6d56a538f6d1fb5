// The dialog framework: command targets with message maps, windows and controls, data exchange,
// dialogs with a modal run, the application object, painting, drops and prompts. The program's
// code sees only these classes; the window system behind them (Qt Widgets) stays in framework/qt.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/afx_core.h"
#include "framework/afx_types.h"
#include "framework/afxres.h"
#include "framework/resources.h"

#define afx_msg

class CCmdTarget;
class CWnd;
class CMenu;
class CDataExchange;

// ---- Message maps ------------------------------------------------------------------------------
// A message map is a table of entries from (message, notification code, control or command id) to
// a handler. Each class's table names its base class's table; lookups walk from the most derived
// table to CCmdTarget's, which is empty.

using AFX_PMSG = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND for commands and control notifications
    UINT nCode;     // notification code (WM_COMMAND entries only)
    UINT nID;       // command or control id (WM_COMMAND entries only)
    AFX_PMSG pfn;   // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

// Handlers are named as members of the class (OnPem) or of a base (CWinApp::OnHelp), without '&'.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY messageEntries_[] = {
#define END_MESSAGE_MAP()                                                                          \
    { 0, 0, 0, nullptr }                                                                           \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap_ = {&TheBaseClass::GetThisMessageMap, &messageEntries_[0]}; \
    return &messageMap_;                                                                           \
    }

#define ON_CONTROL(code, id, memberFxn)                                                                               \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), [](CCmdTarget* target_, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(target_)->memberFxn();                                                               \
         return 0;                                                                                                    \
     }},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(CN_COMMAND, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)

#define ON_WM_SYSCOMMAND()                                                                     \
    {WM_SYSCOMMAND, 0, 0, [](CCmdTarget* target_, WPARAM wParam_, LPARAM lParam_) -> LRESULT { \
         static_cast<ThisClass*>(target_)->OnSysCommand(static_cast<UINT>(wParam_), lParam_);  \
         return 0;                                                                             \
     }},
#define ON_WM_PAINT()                                                     \
    {WM_PAINT, 0, 0, [](CCmdTarget* target_, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(target_)->OnPaint();                     \
         return 0;                                                        \
     }},
#define ON_WM_QUERYDRAGICON()                                                                   \
    {WM_QUERYDRAGICON, 0, 0, [](CCmdTarget* target_, WPARAM, LPARAM) -> LRESULT {               \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(target_)->OnQueryDragIcon()); \
     }},
#define ON_WM_DROPFILES()                                                                 \
    {WM_DROPFILES, 0, 0, [](CCmdTarget* target_, WPARAM wParam_, LPARAM) -> LRESULT {     \
         static_cast<ThisClass*>(target_)->OnDropFiles(reinterpret_cast<HDROP>(wParam_)); \
         return 0;                                                                        \
     }},

class CCmdTarget : public CObject {
public:
    // Offers a command or control notification to this target's message map. TRUE if handled.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The handler of (message, code, id) in this target's map chain, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;
};

// ---- Menus -------------------------------------------------------------------------------------
// A menu as data: the window shows it (menu bar, system menu popup) and rebuilds what it shows
// when the menu changes.
class CMenu {
public:
    struct Item {
        UINT flags = 0;
        UINT id = 0;
        CString text;
        std::unique_ptr<CMenu> popup;  // MF_POPUP items
    };

    CMenu();
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    // MF_STRING, MF_SEPARATOR, MF_GRAYED. For MF_POPUP, nIDNewItem is the HMENU of a CMenu whose
    // items are copied in.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
    UINT GetMenuItemCount() const;
    UINT GetMenuItemID(int nPos) const;  // 0xFFFFFFFF for a popup, 0 for a separator
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    HMENU GetSafeHmenu() const { return m_hMenu; }

    const std::vector<Item>& Items() const { return m_items; }
    static CMenu* FromHandle(HMENU h);
    // Framework use: called after every change, so that the window showing the menu follows.
    std::function<void()> m_onChanged;

    HMENU m_hMenu = nullptr;

private:
    void Changed();
    Item* FindItem(UINT nID, UINT nFlags);
    std::vector<Item> m_items;
};

// ---- Windows -----------------------------------------------------------------------------------

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // Messages. SendMessage runs WindowProc at once.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // The default processing of the message being handled.
    LRESULT Default();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    // Children and state.
    CWnd* GetDlgItem(int nID) const;
    BOOL EnableWindow(BOOL bEnable = TRUE);  // returns TRUE if the window was disabled before
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);
    void SetWindowText(const char* lpszString);
    void GetWindowText(CString& rString) const;
    void SetDlgItemText(int nID, const char* lpszString);
    int GetDlgItemText(int nID, CString& rString) const;
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
    CWnd* SetActiveWindow();
    void DragAcceptFiles(BOOL bAccept = TRUE);
    // The window's system menu (null when the window has none). bRevert: back to the default menu.
    CMenu* GetSystemMenu(BOOL bRevert);
    BOOL IsIconic() const;
    void GetClientRect(CRect* lpRect) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    BOOL DestroyWindow();

    // Data exchange between the controls and the members bound in DoDataExchange. Returns FALSE
    // when a value read from the controls was refused (the user has been told).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    // Default handlers: the window system's own processing.
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDropFiles(HDROP hDropInfo);

    DECLARE_MESSAGE_MAP()
};

class CButton : public CWnd {};
class CStatic : public CWnd {};
class CEdit : public CWnd {};

// A list box. With LBS_SORT, AddString sorts the string in (case-insensitive). Indices are display
// positions.
class CListBox : public CWnd {
public:
    int AddString(const char* lpszItem);
    void ResetContent();
    int GetCount() const;
    int GetText(int nIndex, CString& rString) const;
};

// A combo box; with CBS_SORT, AddString sorts the string in as CListBox does.
class CComboBox : public CWnd {
public:
    int AddString(const char* lpszString);
    // Selects the first item from nStartAfter + 1 that begins with lpszString (case-insensitive).
    int SelectString(int nStartAfter, const char* lpszString);
};

// ---- Data exchange -----------------------------------------------------------------------------
// DDX_ routines copy between a control and a member, in the direction m_bSaveAndValidate gives;
// DDV_ routines check a value read from the controls. A refused value prompts the user through
// AfxMessageBox and Fail()s the exchange: every later DDX_/DDV_ call of that exchange does nothing.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
    BOOL m_bFailed = FALSE;

    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Puts the focus back on the last prepared control and stops the exchange.
    void Fail();
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);

// The texts of the exchange's refusal prompts.
extern const char* const AFX_PROMPT_PARSE_INT;            // "Please enter an integer."
CString AfxFormatIntRangePrompt(int minVal, int maxVal);  // "Please enter an integer between 0 and 10."

// ---- Dialogs -----------------------------------------------------------------------------------
struct AfxModalLoop;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template, runs it modally until EndDialog and returns the result
    // given to EndDialog (-1 when the template cannot be found).
    virtual INT_PTR DoModal();
    // Creates the dialog without a modal run (modeless); tests drive it from there.
    BOOL Create(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);
    // Ends the dialog: the modal run returns nResult.
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();      // UpdateData(TRUE), then EndDialog(IDOK) when it succeeded
    virtual void OnCancel();  // EndDialog(IDCANCEL)

    UINT m_nIDHelp = 0;

protected:
    UINT m_lpszTemplateName;  // the template's resource number
    CWnd* m_pParentWnd;

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCmdMsg(UINT nID, int nCode) override;

    DECLARE_MESSAGE_MAP()

private:
    friend struct AfxDialogAccess;
    BOOL CreateIndirect(UINT nIDTemplate, CWnd* pParentWnd, bool modal);
    AfxModalLoop* m_pModalLoop = nullptr;
    bool m_bEnded = false;
    int m_nModalResult = -1;
};

// ---- Painting ----------------------------------------------------------------------------------
class CDC {
public:
    CDC() = default;
    virtual ~CDC() = default;
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    // Draws the icon's standard-size image (SM_CXICON × SM_CYICON) with its top-left at (x, y).
    BOOL DrawIcon(int x, int y, HICON hIcon);
};

// Painting of a window inside its WM_PAINT; outside of one it draws into a scratch image.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

private:
    CWnd* m_pWnd;
};

int GetSystemMetrics(int nIndex);

// ---- The application ---------------------------------------------------------------------------
class CWinApp : public CCmdTarget {
public:
    // lpszAppName null: the name is the string AFX_IDS_APP_TITLE if registered, else the
    // executable's name.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;

    // Start-up. Returning FALSE ends the program at once; TRUE runs the application's own loop
    // until the main window closes.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    virtual CDocument* OpenDocumentFile(const char* lpszFileName);

    BOOL Enable3dControls();
    HICON LoadIcon(UINT nIDResource) const;

    afx_msg void OnHelp();     // there is no help content: does nothing
    afx_msg void OnAppExit();  // closes the main window as its Close does

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();
BOOL AfxEnableControlContainer();

// Builds the application on the window system, calls the global application's InitInstance and,
// if that returns TRUE, its Run. The command line is handed to the window system only. Returns the
// process exit code; 1 when there is no display to show windows on (nothing is shown then).
int AfxWinMain(int argc, char** argv);
// Whether the window system can show windows here (a display, or a headless platform chosen).
bool AfxHaveDisplay();

// ---- Prompts -----------------------------------------------------------------------------------
// Every prompt of the program goes through here: a modal message box (nested loop) titled with the
// application's name. Returns IDOK, IDCANCEL, IDYES, IDNO, ...
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// ---- Busy cursor -------------------------------------------------------------------------------
// The busy cursor over every window of the application for the object's lifetime (scopes nest).
// Prompts shown meanwhile show the normal cursor.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    bool set_ = false;
};

// ---- Dropped files -----------------------------------------------------------------------------
// iFile DRAG_QUERY_COUNT: the number of files. lpszFile null: the length of path iFile. Else the
// path copied into lpszFile (at most cch - 1 characters and a terminating NUL); the count copied.
UINT DragQueryFile(HDROP hDrop, UINT iFile, char* lpszFile, UINT cch);
// The whole path of file iFile, however long; empty when there is no such file.
CString DragQueryFilePath(HDROP hDrop, UINT iFile);
void DragFinish(HDROP hDrop);
