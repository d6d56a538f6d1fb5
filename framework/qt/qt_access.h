// Test access to the Qt widgets behind the framework's windows: reach a control's widget, run a
// menu command or a system-menu item as the user would, deliver a drop, see what was painted.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "framework/afxwin.h"

// The top-level widget of a window, or a control's own widget; null when it has no window.
QWidget* AfxQtWidget(const CWnd* wnd);
// The widget of the control with that id in a dialog, or null.
QWidget* AfxQtControl(const CWnd* dialog, int id);
// The area below the menu bar that holds the controls (the client area).
QWidget* AfxQtClientArea(const CWnd* dialog);
QMenuBar* AfxQtMenuBar(const CWnd* dialog);

// The dialog's base units in pixels (average character width, character height) and a rectangle in
// dialog units converted to client pixels.
QSize AfxQtBaseUnits(const CWnd* dialog);
QRect AfxQtDialogUnitsToPixels(const CWnd* dialog, int x, int y, int cx, int cy);

// Runs a menu-bar command as choosing it would. false, and nothing runs, when no item carries that
// id or the item or its popup is greyed.
bool AfxQtRunMenuCommand(CWnd* dialog, UINT id);

// While installed, a popup menu (the system menu) is not shown: the hook gets it and returns the
// action the user would choose, or null to dismiss it.
using AfxQtPopupHook = std::function<QAction*(QMenu& menu)>;
void AfxQtSetPopupHook(AfxQtPopupHook hook);
// Opens the system menu as Alt+Space would and chooses the item with that id. false when the
// window has no system menu or no enabled item with that id.
bool AfxQtChooseSystemMenuItem(CWnd* dialog, UINT id);

// Delivers a drop of these local files on the dialog, through the same drag-enter and drop events a
// file manager's drop gives. Returns whether the dialog accepted the drag.
bool AfxQtDropFiles(CWnd* dialog, const std::vector<std::string>& paths);

// Whether the dialog has ended (EndDialog ran) and with which result.
bool AfxQtDialogEnded(const CDialog& dialog, int* result = nullptr);

// Chooses a combo box item by its text as the user would (selection and CBN_SELCHANGE). false when
// no item has that text.
bool AfxQtChooseComboItem(CWnd* dialog, int id, const char* text);

// Every DrawIcon since the last clear: where, and which icon.
struct AfxQtDrawIconCall {
    int x;
    int y;
    HICON icon;
};
std::vector<AfxQtDrawIconCall>& AfxQtDrawIconLog();

// The image of an icon at a size (the nearest image the icon holds, scaled if need be).
QImage AfxQtIconImage(HICON icon, int size);
