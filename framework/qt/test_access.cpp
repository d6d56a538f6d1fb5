// Test access to the widgets behind the framework's windows (see qt_access.h).
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "framework/qt/dialog_units.h"
#include "framework/qt/menu_builder.h"
#include "framework/qt/window_record.h"

using namespace afx;

QWidget* AfxQtWidget(const CWnd* wnd) { return (wnd && wnd->m_hWnd) ? wnd->m_hWnd->widget.data() : nullptr; }

QWidget* AfxQtControl(const CWnd* dialog, int id) {
    if (!dialog || !dialog->m_hWnd) return nullptr;
    HWND__* control = dialog->m_hWnd->FindChild(id);
    return control ? control->widget.data() : nullptr;
}

QWidget* AfxQtClientArea(const CWnd* dialog) { return (dialog && dialog->m_hWnd) ? dialog->m_hWnd->client : nullptr; }

QMenuBar* AfxQtMenuBar(const CWnd* dialog) { return (dialog && dialog->m_hWnd) ? dialog->m_hWnd->menuBar : nullptr; }

QSize AfxQtBaseUnits(const CWnd* dialog) { return (dialog && dialog->m_hWnd) ? dialog->m_hWnd->baseUnits : QSize(); }

QRect AfxQtDialogUnitsToPixels(const CWnd* dialog, int x, int y, int cx, int cy) {
    return MapDialogRect(AfxQtBaseUnits(dialog), x, y, cx, cy);
}

static QAction* FindEnabledCommand(const QList<QAction*>& actions, UINT id) {
    for (QAction* action : actions) {
        if (!action->isEnabled()) continue;  // a greyed popup cannot be opened, a greyed item cannot be chosen
        if (action->menu()) {
            if (QAction* inner = FindEnabledCommand(action->menu()->actions(), id)) return inner;
        } else if (!action->isSeparator() && action->data().value<UINT>() == id) {
            return action;
        }
    }
    return nullptr;
}

bool AfxQtRunMenuCommand(CWnd* dialog, UINT id) {
    QMenuBar* bar = AfxQtMenuBar(dialog);
    QAction* action = bar ? FindEnabledCommand(bar->actions(), id) : nullptr;
    if (!action) return false;
    action->trigger();
    return true;
}

void AfxQtSetPopupHook(AfxQtPopupHook hook) { PopupHook() = std::move(hook); }

bool AfxQtChooseSystemMenuItem(CWnd* dialog, UINT id) {
    if (!dialog || !dialog->m_hWnd) return false;
    bool found = false;
    AfxQtPopupHook previous = std::move(PopupHook());
    PopupHook() = [&found, id](QMenu& menu) -> QAction* {
        QAction* action = FindEnabledCommand(menu.actions(), id);
        found = action != nullptr;
        return action;
    };
    OpenSystemMenu(dialog->m_hWnd, QPoint(0, 0));
    PopupHook() = std::move(previous);
    return found;
}

bool AfxQtDropFiles(CWnd* dialog, const std::vector<std::string>& paths) {
    QWidget* window = AfxQtWidget(dialog);
    if (!window || !dialog->m_hWnd->IsDialog()) return false;
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(PathToQt(path));
    mime.setUrls(urls);
    const QPointF at(window->width() / 2.0, window->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return true;
}

struct AfxDialogAccess {
    static bool Ended(const CDialog& dialog, int* result) {
        if (result) *result = dialog.m_nModalResult;
        return dialog.m_bEnded;
    }
};

bool AfxQtDialogEnded(const CDialog& dialog, int* result) { return AfxDialogAccess::Ended(dialog, result); }

bool AfxQtChooseComboItem(CWnd* dialog, int id, const char* text) {
    auto* combo = qobject_cast<QComboBox*>(AfxQtControl(dialog, id));
    if (!combo) return false;
    const int index = combo->findText(ToQt(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}
