// CWnd: sending and default processing of messages, and the window operations the program uses.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWindow>

#include "framework/qt/dialog_window.h"
#include "framework/qt/frame_box.h"
#include "framework/qt/icons.h"
#include "framework/qt/menu_builder.h"

using namespace afx;

namespace {

// The notification lockout of UpdateData: control notifications to this window are dropped.
HWND__* g_lockoutWindow = nullptr;

// The messages being handled, innermost last, for CWnd::Default.
struct CurrentMessage {
    CWnd* wnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<CurrentMessage>& MessageStack() {
    static std::vector<CurrentMessage> stack;
    return stack;
}

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() {
    HWND__* record = m_hWnd;
    if (!record) return;
    if (record->IsDialog() && record->wnd == this) {
        DestroyDialogWindow(record);
    } else if (record->wnd == this && record->ownedWnd.get() != this) {
        record->wnd = record->ownedWnd.get();  // the control goes back to the framework's object
    }
    m_hWnd = nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* record = (m_hWnd && m_hWnd->IsDialog()) ? m_hWnd : nullptr;
    if (record) ++record->busy;
    MessageStack().push_back({this, message, wParam, lParam});
    const LRESULT result = WindowProc(message, wParam, lParam);
    MessageStack().pop_back();
    if (record && --record->busy == 0 && record->destroyed) FinishDestroy(record);
    return result;
}

LRESULT CWnd::Default() {
    auto& stack = MessageStack();
    if (stack.empty() || stack.back().wnd != this) return 0;
    const CurrentMessage current = stack.back();
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 1;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (!entry) return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    // While UpdateData runs, the texts it sets must not call handlers back: control notifications
    // to this window are dropped, as the classic framework does.
    if (lParam != 0 && m_hWnd && g_lockoutWindow == m_hWnd) return TRUE;
    return OnCmdMsg(id, code);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* record = m_hWnd;
    if (!record) return 0;
    switch (message) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessage(WM_CLOSE); break;
        case SC_MINIMIZE:
            if (record->window) record->window->showMinimized();
            break;
        case SC_MAXIMIZE:
            if (record->window && (record->style & WS_MAXIMIZEBOX)) record->window->showMaximized();
            break;
        case SC_RESTORE:
            if (record->window) record->window->showNormal();
            break;
        case SC_MOVE:
            if (record->window && record->window->windowHandle()) record->window->windowHandle()->startSystemMove();
            break;
        case SC_KEYMENU:
            if (lParam == ' ' && record->client) OpenSystemMenu(record, record->client->mapToGlobal(QPoint(0, 0)));
            break;
        default: break;
        }
        return 0;
    case WM_ICONERASEBKGND: EraseBackground(record, reinterpret_cast<HDC>(wParam)); return 1;
    case WM_DROPFILES: DragFinish(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_SETICON: {
        HICON& slot = wParam == ICON_BIG ? record->bigIcon : record->smallIcon;
        HICON previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
        if (record->window) {
            QIcon icon = QtIcon(record->bigIcon);
            for (const QSize& size : QtIcon(record->smallIcon).availableSizes())
                icon.addPixmap(QtIcon(record->smallIcon).pixmap(size));
            record->window->setWindowIcon(icon);
        }
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? record->bigIcon : record->smallIcon);
    case WM_SETTEXT: SetWindowText(reinterpret_cast<const char*>(lParam)); return TRUE;
    case WM_INITDIALOG: return TRUE;
    default: return 0;  // WM_PAINT: the widgets paint themselves; WM_CLOSE: only dialogs act on it
    }
}

afx_msg void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
afx_msg void CWnd::OnPaint() { Default(); }
afx_msg HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
afx_msg void CWnd::OnDropFiles(HDROP) { Default(); }

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!m_hWnd) return nullptr;
    HWND__* child = m_hWnd->FindChild(nID);
    return child ? child->wnd : nullptr;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (!m_hWnd || !m_hWnd->widget) return FALSE;
    const BOOL wasDisabled = m_hWnd->widget->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
    m_hWnd->widget->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    // The window's own state, as the classic call gives it, not whether a parent is disabled.
    return (m_hWnd && m_hWnd->widget && !m_hWnd->widget->testAttribute(Qt::WA_ForceDisabled)) ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (!m_hWnd || !m_hWnd->widget) return FALSE;
    QWidget* widget = m_hWnd->widget;
    const BOOL wasVisible = widget->isVisible() ? TRUE : FALSE;
    switch (nCmdShow) {
    case SW_HIDE: widget->hide(); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: widget->showMinimized(); break;
    case SW_RESTORE:
    case SW_SHOWNORMAL: widget->showNormal(); break;
    default: widget->show(); break;
    }
    return wasVisible;
}

void CWnd::SetWindowText(const char* lpszString) {
    HWND__* record = m_hWnd;
    if (!record || !record->widget) return;
    const CString text = lpszString ? lpszString : "";
    QWidget* widget = record->widget;
    if (record->IsDialog()) {
        widget->setWindowTitle(ToQt(text));
    } else if (auto* frame = dynamic_cast<FrameBox*>(widget)) {
        frame->SetCaption(ToQt(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(ToQt(text));
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        const QString q = EditTextToQt(record, text);
        if (line->text() == q && record->parent)  // unchanged text still tells the parent, as the classic edit does
            Send(record->parent, WM_COMMAND, MAKEWPARAM(static_cast<UINT>(record->id), EN_CHANGE),
                 reinterpret_cast<LPARAM>(record));
        else
            line->setText(q);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(EditTextToQt(record, text));
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable())
            combo->setEditText(ToQt(text));
        else
            combo->setCurrentIndex(combo->findText(ToQt(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText((record->style & SS_NOPREFIX) ? ToQt(text) : StripMnemonic(ToQt(text)));
    }
    record->initialText = text;
}

void CWnd::GetWindowText(CString& rString) const {
    rString.clear();
    HWND__* record = m_hWnd;
    if (!record || !record->widget) return;
    QWidget* widget = record->widget;
    if (record->IsDialog())
        rString = FromQt(widget->windowTitle());
    else if (dynamic_cast<FrameBox*>(widget) || qobject_cast<QLabel*>(widget))
        rString = record->initialText;
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        rString = FromQt(button->text());
    else if (auto* line = qobject_cast<QLineEdit*>(widget))
        rString = EditTextFromQt(record, line->text());
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
        rString = EditTextFromQt(record, edit->toPlainText());
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        rString = FromQt(combo->currentIndex() >= 0 || combo->isEditable() ? combo->currentText() : QString());
}

void CWnd::SetDlgItemText(int nID, const char* lpszString) {
    if (CWnd* item = GetDlgItem(nID)) item->SetWindowText(lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
    rString.clear();
    if (CWnd* item = GetDlgItem(nID)) item->GetWindowText(rString);
    return static_cast<int>(rString.size());
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (!m_hWnd) return;
    // As the classic call: every button whose id lies in the range, by number.
    for (auto& child : m_hWnd->children)
        if (child->id >= nIDFirstButton && child->id <= nIDLastButton)
            if (auto* button = qobject_cast<QAbstractButton*>(child->widget.data()))
                button->setChecked(child->id == nIDCheckButton);
}

CWnd* CWnd::SetActiveWindow() {
    HWND__* previous = RecordOf(QApplication::activeWindow());
    if (m_hWnd && m_hWnd->widget) {
        QWidget* window = m_hWnd->widget->window();
        window->raise();
        window->activateWindow();
    }
    return previous ? previous->wnd : nullptr;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (m_hWnd && m_hWnd->IsDialog()) m_hWnd->acceptFiles = bAccept != FALSE;
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
    HWND__* record = m_hWnd;
    if (!record || !record->IsDialog() || !(record->style & WS_SYSMENU)) return nullptr;
    if (!record->systemMenu || bRevert) {
        // What the classic platform gives a fixed-size dialog without minimize and maximize boxes.
        record->systemMenu = std::make_unique<CMenu>();
        record->systemMenu->CreatePopupMenu();
        record->systemMenu->AppendMenu(MF_STRING, SC_MOVE, "&Move");
        record->systemMenu->AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    }
    return bRevert ? nullptr : record->systemMenu.get();
}

BOOL CWnd::IsIconic() const { return (m_hWnd && m_hWnd->window && m_hWnd->window->isMinimized()) ? TRUE : FALSE; }

void CWnd::GetClientRect(CRect* lpRect) const {
    if (!lpRect) return;
    *lpRect = CRect{};
    if (!m_hWnd || !m_hWnd->widget) return;
    const QWidget* area = m_hWnd->client ? static_cast<QWidget*>(m_hWnd->client) : m_hWnd->widget.data();
    *lpRect = CRect{0, 0, area->width(), area->height()};
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    if (!m_hWnd) return nullptr;
    return bBigIcon ? m_hWnd->bigIcon : m_hWnd->smallIcon;
}

BOOL CWnd::DestroyWindow() {
    HWND__* record = m_hWnd;
    if (!record || !record->IsDialog()) return FALSE;
    m_hWnd = nullptr;
    DestroyDialogWindow(record);
    return TRUE;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    HWND__* previous = g_lockoutWindow;
    g_lockoutWindow = m_hWnd;
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    g_lockoutWindow = previous;
    return exchange.m_bFailed ? FALSE : TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}
