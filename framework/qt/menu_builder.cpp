// The widgets of a window's menus (see menu_builder.h).
#include <memory>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPointer>

#include "framework/qt/menu_builder.h"

namespace afx {

AfxQtPopupHook& PopupHook() {
    static AfxQtPopupHook hook;
    return hook;
}

QMenu* BuildPopup(const CMenu& menu, QWidget* parent) {
    auto* popup = new QMenu(parent);
    for (const CMenu::Item& item : menu.Items()) {
        const bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
        if (item.flags & MF_SEPARATOR) {
            popup->addSeparator();
        } else if (item.popup) {
            QMenu* sub = BuildPopup(*item.popup, popup);
            sub->setTitle(ToQt(item.text));
            popup->addMenu(sub)->setEnabled(enabled);
        } else {
            // The text after a tab is shown as shortcut text only: no shortcut is registered.
            QAction* action = popup->addAction(ToQt(item.text));
            action->setData(QVariant::fromValue(item.id));
            action->setEnabled(enabled);
            action->setCheckable(item.flags & MF_CHECKED);
            action->setChecked(item.flags & MF_CHECKED);
        }
    }
    return popup;
}

// A chosen command goes to the window's object as WM_COMMAND, as long as the window is there: its
// record is found again from the widget at that moment, so a window on its way out gets nothing.
static void ConnectCommand(HWND__* record, QAction* action, UINT id) {
    QPointer<QWidget> window = record->widget;
    QObject::connect(action, &QAction::triggered, window,
                     [window, id] { Send(RecordOf(window), WM_COMMAND, MAKEWPARAM(id, 0), 0); });
}

static void ConnectCommands(HWND__* record, QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            ConnectCommands(record, action->menu());
        } else if (!action->isSeparator()) {
            ConnectCommand(record, action, action->data().value<UINT>());
        }
    }
}

void RebuildMenuBar(HWND__* record) {
    if (!record->menuBar || !record->menu) return;
    QMenuBar* bar = record->menuBar;
    // A change may come from a command chosen in one of these menus: let them go once it is done.
    for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    bar->clear();
    for (const CMenu::Item& item : record->menu->Items()) {
        const bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
        if (item.flags & MF_SEPARATOR) continue;
        if (item.popup) {
            QMenu* popup = BuildPopup(*item.popup, bar);
            popup->setTitle(ToQt(item.text));
            ConnectCommands(record, popup);
            bar->addMenu(popup)->setEnabled(enabled);
        } else {
            QAction* action = bar->addAction(ToQt(item.text));
            action->setData(QVariant::fromValue(item.id));
            action->setEnabled(enabled);
            ConnectCommand(record, action, item.id);
        }
    }
}

void OpenSystemMenu(HWND__* record, const QPoint& globalPos) {
    if (!record || !record->wnd || !(record->style & WS_SYSMENU)) return;
    CMenu* menu = record->wnd->GetSystemMenu(FALSE);
    if (!menu) return;
    QPointer<QWidget> window = record->widget;
    std::unique_ptr<QMenu> popup(BuildPopup(*menu, window));
    QAction* chosen = PopupHook() ? PopupHook()(*popup) : popup->exec(globalPos);
    if (!chosen || !chosen->isEnabled() || chosen->isSeparator() || chosen->menu()) return;
    const UINT id = chosen->data().value<UINT>();
    popup.reset();
    // The menu ran a loop of its own: the window may have gone meanwhile.
    Send(RecordOf(window), WM_SYSCOMMAND, id, 0);
}

// The menu data of a template: popups hold their items, the bar holds the popups.
static void FillMenu(CMenu& menu, const std::vector<MenuItemTemplate>& items) {
    for (const MenuItemTemplate& item : items) {
        if (item.flags & MF_POPUP) {
            CMenu sub;
            sub.CreatePopupMenu();
            FillMenu(sub, item.items);
            menu.AppendMenu(item.flags, reinterpret_cast<UINT_PTR>(sub.GetSafeHmenu()), item.text.c_str());
        } else {
            menu.AppendMenu(item.flags, item.id, item.text.c_str());
        }
    }
}

int InstallMenuBar(HWND__* record, UINT menuId) {
    const MenuTemplate* menuTemplate = menuId ? AfxFindMenuTemplate(menuId) : nullptr;
    if (!menuTemplate) return 0;
    record->menu = std::make_unique<CMenu>();
    record->menu->CreateMenu();
    FillMenu(*record->menu, menuTemplate->items);
    record->menuBar = new QMenuBar(record->widget);
    record->menuBar->setNativeMenuBar(false);
    record->menuBar->setFont(QApplication::font());
    RebuildMenuBar(record);
    record->menu->m_onChanged = [record] { RebuildMenuBar(record); };
    return record->menuBar->sizeHint().height();
}

}  // namespace afx
