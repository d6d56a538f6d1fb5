// What stands behind an HWND: the Qt widget of a window or control, the framework object attached
// to it, and for a dialog its controls in template order, menus, font metrics and icons.
#pragma once

#include <memory>
#include <vector>

#include <QFont>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include "framework/afxtest.h"
#include "framework/afxwin.h"

class QMenuBar;
class DialogWindow;
class ClientArea;

struct HWND__ {
    QPointer<QWidget> widget;
    CWnd* wnd = nullptr;              // the attached object (DDX_Control may attach the program's own)
    std::unique_ptr<CWnd> ownedWnd;   // the framework's object for a control
    HWND__* parent = nullptr;
    int id = 0;
    int index = -1;  // position in the parent's template order
    CString className;
    DWORD style = 0;
    DWORD exStyle = 0;
    HICON staticIcon = nullptr;  // SS_ICON statics
    CString initialText;         // the template's text

    // Dialog windows only.
    std::vector<std::unique_ptr<HWND__>> children;  // template order
    bool isDialog = false;
    QPointer<DialogWindow> window;  // guarded: an owner window's deletion takes its dialogs' widgets along
    QPointer<ClientArea> client;
    QMenuBar* menuBar = nullptr;
    std::unique_ptr<CMenu> menu;
    std::unique_ptr<CMenu> systemMenu;
    QFont font;
    QSize baseUnits;  // average character width, character height
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    bool acceptFiles = false;
    bool allowClose = false;  // set while the framework itself closes the window
    int busy = 0;             // messages being handled; destruction waits until none is
    bool destroyed = false;   // DestroyWindow ran while busy: the record goes when busy drops to 0
    bool inPaint = false;     // the client area is inside its paintEvent

    bool IsDialog() const { return isDialog; }
    HWND__* FindChild(int nID);
    // The radio group [first, last) that the control at index belongs to, by WS_GROUP starts.
    std::pair<int, int> GroupOf(int index) const;
};

namespace afx {

HWND__* RecordOf(const QWidget* widget);          // the record a widget belongs to, or null
void SetRecord(QWidget* widget, HWND__* record);
void ForgetRecord(HWND__* record);  // the record is going: its widget no longer leads to it
bool IsRadio(const HWND__* control);
bool IsAutoRadio(const HWND__* control);
QString ToQt(const char* text);
QString ToQt(const CString& text);
CString FromQt(const QString& text);
QString PathToQt(const CString& path);
CString PathFromQt(const QString& path);
// Classic mnemonic text ("&File") to display text without the marker ("File").
QString StripMnemonic(const QString& text);

// Building and showing dialogs (dialog_window.cpp).
HWND__* CreateDialogWindow(const DialogTemplate& tmpl, CWnd* owner, CWnd* parent);
void DestroyDialogWindow(HWND__* record);
void FinishDestroy(HWND__* record);
// Fills the area behind a minimized window's icon (default WM_ICONERASEBKGND; paint.cpp).
void EraseBackground(HWND__* record, HDC dc);
// A message box over the active window (app.cpp); caption null: the application's name.
int ShowMessageBox(const CString& text, const char* caption, UINT type);
// The window a prompt belongs over: the active modal one, else the main window, if shown.
QWidget* PromptOwner();
void OpenSystemMenu(HWND__* record, const QPoint& globalPos);
void RebuildMenuBar(HWND__* record);
QMenu* BuildPopup(const CMenu& menu, QWidget* parent);

// Text of edits: the program's "\r\n" lines against Qt's "\n".
QString EditTextToQt(const HWND__* control, const CString& text);
CString EditTextFromQt(const HWND__* control, const QString& text);

// Sorted insertion position for LBS_SORT / CBS_SORT lists (case-insensitive).
int SortedPosition(const QStringList& items, const QString& text);

// The notification lockout of UpdateData: control notifications to this window are dropped.
extern HWND__* g_lockoutWindow;

// The message being handled, for CWnd::Default.
struct CurrentMessage {
    CWnd* wnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<CurrentMessage>& MessageStack();

// Test and application hooks (hooks.cpp).
extern AfxModalHook g_modalHook;

}  // namespace afx
