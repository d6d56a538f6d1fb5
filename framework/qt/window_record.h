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
#include "framework/qt/text.h"

class QMenuBar;
class DialogWindow;

struct HWND__ {
    QPointer<QWidget> widget;
    CWnd* wnd = nullptr;             // the attached object (DDX_Control may attach the program's own)
    std::unique_ptr<CWnd> ownedWnd;  // the framework's object for a control
    HWND__* parent = nullptr;
    int id = 0;
    int index = -1;  // position in the parent's template order
    CString className;
    DWORD style = 0;
    DWORD exStyle = 0;
    CString initialText;  // the template's text

    // Dialog windows only.
    std::vector<std::unique_ptr<HWND__>> children;  // template order
    bool isDialog = false;
    QPointer<DialogWindow> window;  // guarded: an owner window's deletion takes its dialogs' widgets along
    QPointer<QWidget> client;       // the area below the menu bar that holds the controls
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

HWND__* RecordOf(const QWidget* widget);  // the record a widget belongs to, or null
void SetRecord(QWidget* widget, HWND__* record);
void ForgetRecord(HWND__* record);  // the record is going: its widget no longer leads to it
bool IsRadio(const HWND__* control);
bool IsAutoRadio(const HWND__* control);
// Sends a message to the record's attached object; 0 when there is none (the window is going).
LRESULT Send(HWND__* record, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Services of other parts that windows call on.
// Fills the area behind a minimized window's icon (default WM_ICONERASEBKGND; paint.cpp).
void EraseBackground(HWND__* record, HDC dc);
// A message box over the active window (app.cpp); caption null: the application's name.
int ShowMessageBox(const CString& text, const char* caption, UINT type);
// The window a prompt belongs over: the active modal one, else the main window, if shown.
QWidget* PromptOwner();
// Test and application hooks (hooks.cpp).
extern AfxModalHook g_modalHook;

}  // namespace afx
