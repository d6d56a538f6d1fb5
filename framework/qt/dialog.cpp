// CDialog: creation from a template, initialisation, the modal run and its ending.
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include "framework/qt/dialog_window.h"

using namespace afx;

struct AfxModalLoop {
    QEventLoop loop;
};

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_lpszTemplateName(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_pModalLoop) m_pModalLoop->loop.exit();
    DestroyWindow();
}

BOOL CDialog::CreateIndirect(UINT nIDTemplate, CWnd* pParentWnd, bool modal) {
    const DialogTemplate* tmpl = AfxFindDialogTemplate(nIDTemplate);
    if (!tmpl || m_hWnd) return FALSE;
    m_bEnded = false;
    m_nModalResult = -1;
    HWND__* record = CreateDialogWindow(*tmpl, this, pParentWnd);
    m_hWnd = record;
    if (modal) record->window->setWindowModality(Qt::ApplicationModal);
    const bool wasVisible = tmpl->style & WS_VISIBLE;
    const LRESULT focusDefault = SendMessage(WM_INITDIALOG, 0, 0);
    if (!m_hWnd) return FALSE;  // destroyed while initialising
    if (focusDefault) {
        // The first enabled tab stop gets the focus, as the classic dialog manager gives it.
        for (auto& control : record->children) {
            QWidget* widget = control->widget;
            if ((control->style & WS_TABSTOP) && widget && widget->isEnabled() &&
                (widget->focusPolicy() & Qt::TabFocus)) {
                widget->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
    if (!m_bEnded && (modal || wasVisible)) record->window->show();
    return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    return CreateIndirect(nIDTemplate ? nIDTemplate : m_lpszTemplateName, pParentWnd ? pParentWnd : m_pParentWnd,
                          false);
}

INT_PTR CDialog::DoModal() {
    // Without a parent, a modal dialog belongs to the main window (stacked over it, centred on it),
    // as the classic framework gives it its owner.
    CWnd* owner = m_pParentWnd;
    if (!owner && AfxGetMainWnd() != this && AfxGetMainWnd() && AfxGetMainWnd()->m_hWnd &&
        AfxGetMainWnd()->m_hWnd->window)
        owner = AfxGetMainWnd();
    if (!CreateIndirect(m_lpszTemplateName, owner, true)) return -1;
    if (!m_bEnded && m_hWnd) {
        AfxModalLoop modal;
        m_pModalLoop = &modal;
        QPointer<QWidget> window = m_hWnd->window.data();
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            window->raise();  // the headless platform has no stacking to change
        window->activateWindow();
        if (g_modalHook) {
            // Runs from inside the loop, once it has started.
            QMetaObject::invokeMethod(
                window,
                [this, window] {
                    if (window && m_hWnd && !m_bEnded && g_modalHook) g_modalHook(*this);
                },
                Qt::QueuedConnection);
        }
        if (!m_bEnded) modal.loop.exec(QEventLoop::DialogExec);
        m_pModalLoop = nullptr;
    }
    DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (m_hWnd && m_hWnd->window) {
        m_hWnd->allowClose = true;
        m_hWnd->window->hide();
        m_hWnd->allowClose = false;
    }
    if (m_pModalLoop) m_pModalLoop->loop.exit();
}

BOOL CDialog::OnInitDialog() {
    // The template's initialisation strings go in before the first exchange.
    if (m_hWnd)
        if (const DialogTemplate* tmpl = AfxFindDialogTemplate(static_cast<UINT>(m_hWnd->id)))
            for (const InitString& init : tmpl->initStrings) {
                HWND__* control = m_hWnd->FindChild(init.controlId);
                if (!control) continue;
                if (control->className == "combobox")
                    static_cast<CComboBox*>(control->ownedWnd.get())->AddString(init.text.c_str());
                else if (control->className == "listbox")
                    static_cast<CListBox*>(control->ownedWnd.get())->AddString(init.text.c_str());
            }
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_CLOSE: {
        // Closing a dialog is its Cancel, unless the Cancel button is disabled.
        HWND__* cancel = m_hWnd ? m_hWnd->FindChild(IDCANCEL) : nullptr;
        if (cancel && cancel->widget && !cancel->widget->isEnabled()) return 0;
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    default: return CWnd::DefWindowProc(message, wParam, lParam);
    }
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode) {
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    // Commands (not control notifications, not system commands) the dialog does not handle go to
    // the application, whose table ends in the framework's.
    if (nCode != static_cast<int>(CN_COMMAND) || nID < 0x8000 || nID >= 0xF000) return FALSE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}
