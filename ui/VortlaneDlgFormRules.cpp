// The main dialog's output-form rules: the options a form allows, the output name's extension and
// whether Convert is offered.
#include "doc/cipher_buttons.h"
#include "doc/output_forms.h"
#include "doc/output_name.h"
#include "ui/VortlaneDlg.h"
#include "ui/main_dialog_template.h"

void CVortlaneDlg::OnSelchangeOutputForm() {
    // Picks up the new form and whatever the user typed into the output name.
    UpdateData(TRUE);

    bool encoding = true;
    bool cipher = true;
    bool depth = true;
    if (const OutputFormRule* rule = FindOutputFormRule(m_strOutForm)) {
        m_pDoc->m_nOutputForm = rule->form;
        encoding = rule->encoding;
        cipher = rule->cipher;
        depth = rule->depth;
    }

    EnableControl(IDC_PEM, encoding);
    EnableControl(IDC_DER, encoding);
    EnableControl(IDC_FORM_GROUP, encoding);

    for (int index = 0; index < kCipherButtonCount; ++index) {
        EnableControl(kCipherButtonControls[index], CipherButtonAppliesToForm(index, m_pDoc->m_nOutputForm));
    }
    // Show checked the cipher the document will write this form with, not a fixed button: a check
    // mark on "DES (64Bit)" while the document writes 3DES, or writes in clear, would mislead.
    if (const int shown = CheckedCipherIndex(*m_pDoc, m_pDoc->m_nOutputForm); shown >= 0) m_nCrypt = shown;

    EnableControl(IDC_CRYPT_GROUP, cipher);
    EnableControl(IDC_DEPTH, depth);
    EnableControl(IDC_DEPTH_LABEL, depth);

    UpdateData(FALSE);
    // A copy: the exchange inside SetOutputFileName rewrites m_strOutFile.
    const CString current = m_strOutFile;
    SetOutputFileName(current.c_str());
    UpdateConvertButton();
}

void CVortlaneDlg::SetOutputFileName(const char* name) {
    if (name == nullptr || *name == '\0') {
        SetDlgItemText(IDC_OUTPUT_FILE, "");
        return;
    }
    // Derived without a length limit: input paths are never cut, so neither is the name made of them.
    const CString derived = DeriveOutputFileName(name, m_strOutForm);
    SetDlgItemText(IDC_OUTPUT_FILE, derived.c_str());
    UpdateData(TRUE);
}

void CVortlaneDlg::UpdateConvertButton() {
    // All four are asked every time, each for the document's own chain depth.
    const bool hasCertificate = m_pDoc->HasCertificate() != 0;
    const bool hasCrl = m_pDoc->HasCrl() != 0;
    const bool hasRequest = m_pDoc->HasRequest() != 0;
    const bool hasPrivateKey = m_pDoc->HasPrivateKey() != 0;

    bool enable = false;
    if (const OutputFormRule* rule = FindOutputFormRule(m_strOutForm)) {
        enable = (!rule->needsCertificate || hasCertificate) && (!rule->needsCrl || hasCrl) &&
                 (!rule->needsRequest || hasRequest) && (!rule->needsPrivateKey || hasPrivateKey);
    }
    EnableControl(IDOK, enable);
}
