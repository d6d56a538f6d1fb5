// A dialog's window: its life from the template to its destruction, and the events of its widgets.
#include "framework/qt/dialog_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "framework/afx_impl.h"
#include "framework/qt/control_factory.h"
#include "framework/qt/dialog_units.h"
#include "framework/qt/frame_box.h"
#include "framework/qt/menu_builder.h"

namespace afx {

HWND__* CreateDialogWindow(const DialogTemplate& tmpl, CWnd* owner, CWnd* parent) {
    auto* record = new HWND__;
    record->isDialog = true;
    record->wnd = owner;
    record->id = static_cast<int>(tmpl.id);
    record->className = "#32770";
    record->style = tmpl.style;
    record->exStyle = tmpl.exStyle;
    record->acceptFiles = (tmpl.exStyle & WS_EX_ACCEPTFILES) != 0;

    QWidget* parentWidget = nullptr;
    if (parent && parent->m_hWnd && parent->m_hWnd->window) parentWidget = parent->m_hWnd->window;
    Qt::WindowFlags flags = (parentWidget || !(tmpl.exStyle & WS_EX_APPWINDOW)) ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint;
    if ((tmpl.style & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (tmpl.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;

    auto* window = new DialogWindow(record, parentWidget, flags);
    record->window = window;
    record->widget = window;
    SetRecord(window, record);
    window->setWindowTitle(ToQt(tmpl.caption));
    record->font = ResolveDialogFont(tmpl.fontFace, tmpl.pointSize);
    record->baseUnits = BaseUnits(record->font);
    window->setFont(record->font);

    const int menuHeight = InstallMenuBar(record, tmpl.menuId);

    const QRect clientRect = MapDialogRect(record->baseUnits, 0, 0, tmpl.cx, tmpl.cy);
    record->client = new ClientArea(record, window);
    record->client->installEventFilter(window);
    record->client->setGeometry(0, menuHeight, clientRect.width(), clientRect.height());
    if (record->menuBar) record->menuBar->setGeometry(0, 0, clientRect.width(), menuHeight);
    const QSize windowSize(clientRect.width(), clientRect.height() + menuHeight);
    if (tmpl.style & WS_THICKFRAME)
        window->resize(windowSize);
    else
        window->setFixedSize(windowSize);

    for (size_t i = 0; i < tmpl.controls.size(); ++i) CreateControl(record, tmpl.controls[i], static_cast<int>(i));

    // Tab order is template order; frames sit behind everything else.
    QWidget* previous = nullptr;
    for (auto& control : record->children) {
        QWidget* widget = control->widget;
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previous) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
    for (auto& control : record->children)
        if (dynamic_cast<FrameBox*>(control->widget.data())) control->widget->lower();

    window->setAcceptDrops(true);
    window->setEnabled(!(tmpl.style & WS_DISABLED));
    {  // centred over the owner, or on the screen
        QScreen* screen = parentWidget ? parentWidget->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect area = parentWidget ? parentWidget->frameGeometry() : screen->availableGeometry();
            window->move(area.center() - QPoint(windowSize.width() / 2, windowSize.height() / 2));
        }
    }
    return record;
}

void DestroyDialogWindow(HWND__* record) {
    if (!record || record->destroyed) return;
    record->destroyed = true;
    for (auto& control : record->children) {
        if (control->wnd && control->wnd != control->ownedWnd.get())
            control->wnd->m_hWnd = nullptr;  // the program's control objects outlive the window
        control->wnd = control->ownedWnd.get();
    }
    if (record->wnd && record->wnd->m_hWnd == record) record->wnd->m_hWnd = nullptr;
    record->wnd = nullptr;
    if (record->menu) record->menu->m_onChanged = nullptr;
    if (DialogWindow* window = record->window) {
        // From here on no event of these widgets reaches the program.
        window->record = nullptr;
        if (record->client) static_cast<ClientArea*>(record->client.data())->record = nullptr;
        record->allowClose = true;
        window->hide();
    }
    if (record->busy == 0) FinishDestroy(record);
}

void FinishDestroy(HWND__* record) {
    for (auto& control : record->children) {
        if (control->ownedWnd) control->ownedWnd->m_hWnd = nullptr;
        ForgetRecord(control.get());
    }
    ForgetRecord(record);
    // A Qt event of these widgets may still be on the stack: they go when it has returned.
    if (record->window) record->window->deleteLater();
    delete record;
}

}  // namespace afx

using namespace afx;

// ---- DialogWindow ------------------------------------------------------------------------------

DialogWindow::DialogWindow(HWND__* r, QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), record(r) {}

void DialogWindow::closeEvent(QCloseEvent* event) {
    if (!record || record->allowClose) {
        event->accept();
        return;
    }
    // The close box is the system menu's Close: it goes through WM_SYSCOMMAND like the classic one.
    event->ignore();
    Send(record, WM_SYSCOMMAND, SC_CLOSE, 0);
}

static HWND__* ControlRecord(HWND__* dialog, QWidget* widget) {
    HWND__* r = RecordOf(widget);
    return (r && r->parent == dialog) ? r : nullptr;
}

void DialogWindow::MoveInRadioGroup(HWND__* control, int step) {
    auto [first, last] = record->GroupOf(control->index);
    std::vector<HWND__*> radios;
    for (int i = first; i < last; ++i) {
        HWND__* c = record->children[static_cast<size_t>(i)].get();
        if (IsRadio(c) && c->widget && c->widget->isEnabled() && c->widget->isVisible()) radios.push_back(c);
    }
    auto it = std::find(radios.begin(), radios.end(), control);
    if (radios.size() < 2 || it == radios.end()) return;
    const int n = static_cast<int>(radios.size());
    const int pos = static_cast<int>(it - radios.begin());
    HWND__* next = radios[static_cast<size_t>(((pos + step) % n + n) % n)];
    next->widget->setFocus(Qt::TabFocusReason);
    if (IsAutoRadio(next)) static_cast<QAbstractButton*>(next->widget.data())->click();
}

bool DialogWindow::HandleSystemMenuKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || (event->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
    if (record && record->client) OpenSystemMenu(record, record->client->mapToGlobal(QPoint(0, 0)));
    return true;
}

static bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    default: return false;
    }
}

bool DialogWindow::BlockedByModal() const {
    // While another modal window (a dialog run from this one, a prompt) is up, this one takes no
    // input: the window system already keeps its events away; this keeps everything else away too.
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != this && !isAncestorOf(modal);
}

bool DialogWindow::event(QEvent* event) {
    if (IsInput(event->type()) && BlockedByModal()) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (IsInput(event->type()) && BlockedByModal()) {
        event->ignore();
        return true;
    }
    if (event->type() != QEvent::KeyPress || !record) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (HandleSystemMenuKey(key)) return true;
    keyTarget_ = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    // Arrow keys move within a radio group, before the button's own handling moves the focus on.
    HWND__* control = watched->isWidgetType() ? ControlRecord(record, static_cast<QWidget*>(watched)) : nullptr;
    if (control && IsRadio(control) && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left: MoveInRadioGroup(control, -1); return true;
        case Qt::Key_Down:
        case Qt::Key_Right: MoveInRadioGroup(control, 1); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (!record) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (HandleSystemMenuKey(event)) return;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        // There is no key table: shortcuts shown in the menus do nothing.
        QWidget::keyPressEvent(event);
        return;
    }
    HWND__* focused = ControlRecord(record, keyTarget_ ? keyTarget_.data() : focusWidget());
    keyTarget_ = nullptr;
    switch (event->key()) {
    case Qt::Key_Escape: {
        HWND__* cancel = record->FindChild(IDCANCEL);
        Send(record, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (focused && focused->className == "edit" && (focused->style & ES_MULTILINE) &&
            (focused->style & ES_WANTRETURN))
            return;
        if (auto* push = qobject_cast<QPushButton*>(focused ? focused->widget.data() : nullptr)) {
            if (push->isEnabled()) push->click();
            return;
        }
        // The accept key is the OK button's; while that is disabled it does nothing.
        HWND__* ok = record->FindChild(IDOK);
        if (ok && ok->widget && !ok->widget->isEnabled()) return;
        Send(record, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        return;
    }
    default: break;
    }
    QWidget::keyPressEvent(event);
}

static bool HasLocalFiles(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) return true;
    return false;
}

void DialogWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (record && record->acceptFiles && HasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DialogWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (record && record->acceptFiles && HasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

// Hands the dropped files to the dialog as WM_DROPFILES, and releases the handle in case the handler
// kept it.
static void DeliverDrop(HWND__* record, std::vector<CString> paths) {
    if (!record || paths.empty()) return;
    HDROP drop = NewDrop(std::move(paths));
    Send(record, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    DragFinish(drop);
}

void DialogWindow::dropEvent(QDropEvent* event) {
    if (!record || !record->acceptFiles || !HasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    std::vector<CString> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(PathFromQt(url.toLocalFile()));
    event->acceptProposedAction();
    DeliverDrop(record, std::move(paths));
}

void DialogWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && record && record->client) record->client->update();
    QWidget::changeEvent(event);
}

// ---- ClientArea --------------------------------------------------------------------------------

ClientArea::ClientArea(HWND__* r, QWidget* parent) : QWidget(parent), record(r) {}

void ClientArea::paintEvent(QPaintEvent*) {
    if (!record) return;
    record->inPaint = true;
    Send(record, WM_PAINT, 0, 0);
    if (record) record->inPaint = false;
}

void ClientArea::contextMenuEvent(QContextMenuEvent* event) {
    // The background, its texts and frames open the system menu; other controls keep the click.
    if (event->reason() == QContextMenuEvent::Mouse)
        if (HWND__* control = RecordOf(childAt(event->pos())))
            if (control != record && control->className != "static") return;
    OpenSystemMenu(record, event->globalPos());
}
