// The widgets of a window's menus, built from the menu data (CMenu): the menu bar, which follows the
// data whenever it changes, and the system menu's popup. Commands chosen go to the window's object.
#pragma once

#include <QMenu>
#include <QPoint>

#include "framework/qt/qt_access.h"
#include "framework/qt/window_record.h"

namespace afx {

// Gives the dialog of this record the menu bar of the template, above its client area. Returns the
// bar's height; 0, and no bar, when the template has no menu.
int InstallMenuBar(HWND__* record, UINT menuId);
void RebuildMenuBar(HWND__* record);
QMenu* BuildPopup(const CMenu& menu, QWidget* parent);
// Shows the system menu at that point (or hands it to the popup hook) and sends the choice.
void OpenSystemMenu(HWND__* record, const QPoint& globalPos);
AfxQtPopupHook& PopupHook();

}  // namespace afx
