// The data-exchange routines: copying between controls and members, and refusing bad input with a
// prompt that stops the exchange.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include "framework/afx_impl.h"
#include "framework/qt/window_record.h"

using namespace afx;

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    return (m_pDlgWnd && m_pDlgWnd->m_hWnd) ? m_pDlgWnd->m_hWnd->FindChild(nIDC) : nullptr;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND control = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail() {
    m_bFailed = TRUE;
    HWND control = (m_pDlgWnd && m_pDlgWnd->m_hWnd) ? m_pDlgWnd->m_hWnd->FindChild(m_idLastControl) : nullptr;
    if (!control || !control->widget) return;
    control->widget->setFocus(Qt::OtherFocusReason);
    if (m_bEditLastControl)
        if (auto* line = qobject_cast<QLineEdit*>(control->widget.data())) line->selectAll();
}

// Sets a control's text only when it differs, so that an exchange does not flicker the controls.
static void SetTextIfChanged(HWND control, const CString& text) {
    CString current;
    control->wnd->GetWindowText(current);
    if (current != text) control->wnd->SetWindowText(text.c_str());
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX->m_bFailed || rControl.m_hWnd) return;
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control) return;
    control->wnd = &rControl;
    rControl.m_hWnd = control;
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (pDX->m_bFailed) return;
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (pDX->m_bSaveAndValidate)
        control->wnd->GetWindowText(value);
    else
        SetTextIfChanged(control, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bFailed) return;
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (!pDX->m_bSaveAndValidate) {
        SetTextIfChanged(control, std::to_string(value));
        return;
    }
    CString text;
    control->wnd->GetWindowText(text);
    int parsed = 0;
    if (!afx::ParseInt(text, &parsed)) {
        // The member keeps its value; the user is told and the exchange stops here.
        AfxMessageBox(AFX_PROMPT_PARSE_INT, MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    value = parsed;
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bFailed) return;
    HWND first = pDX->PrepareCtrl(nIDC);
    if (!first || !first->parent) return;
    // The group: radio buttons from this control up to the next control that starts a group.
    std::vector<QAbstractButton*> radios;
    HWND dialog = first->parent;
    for (size_t i = static_cast<size_t>(first->index); i < dialog->children.size(); ++i) {
        HWND control = dialog->children[i].get();
        if (control != first && (control->style & WS_GROUP)) break;
        if (IsRadio(control))
            if (auto* button = qobject_cast<QAbstractButton*>(control->widget.data())) radios.push_back(button);
    }
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (size_t k = 0; k < radios.size(); ++k)
            if (radios[k]->isChecked()) {
                value = static_cast<int>(k);
                break;
            }
    } else {
        for (size_t k = 0; k < radios.size(); ++k) radios[k]->setChecked(static_cast<int>(k) == value);
    }
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) {
    if (pDX->m_bFailed) return;
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control) return;
    auto* combo = qobject_cast<QComboBox*>(control->widget.data());
    if (!combo) return;
    if (pDX->m_bSaveAndValidate) {
        control->wnd->GetWindowText(value);
        return;
    }
    if (combo->isEditable()) {
        combo->setEditText(ToQt(value));
        return;
    }
    // The item with exactly that text; failing that, the classic search for an item it begins.
    const int exact = combo->findText(ToQt(value), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (exact >= 0)
        combo->setCurrentIndex(exact);
    else if (!value.empty())
        static_cast<CComboBox*>(control->ownedWnd.get())->SelectString(-1, value.c_str());
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    // Only values read from the controls are checked; the value is already stored in the member.
    if (pDX->m_bFailed || !pDX->m_bSaveAndValidate) return;
    if (value >= minVal && value <= maxVal) return;
    AfxMessageBox(AfxFormatIntRangePrompt(minVal, maxVal).c_str(), MB_ICONEXCLAMATION);
    pDX->Fail();
}
