// The main dialog's commands: dropped files, Clear, Convert, Quit, and the encoding, depth and
// cipher buttons.
#include "ui/VortlaneDlg.h"
#include "ui/main_dialog_template.h"

namespace {

// Stores the identifiers of the cipher button with that control id, as its click does.
void ClickCipherControl(int controlId, CVortlaneDoc& doc) {
    for (int index = 0; index < kCipherButtonCount; ++index) {
        if (kCipherButtonControls[index] == controlId) ClickCipherButton(kCipherButtons[index], doc);
    }
}

}  // namespace

void CVortlaneDlg::OnDropFiles(HDROP hDropInfo) {
    SetActiveWindow();
    const UINT count = DragQueryFile(hDropInfo, DRAG_QUERY_COUNT, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        // The whole path: a path cut to a fixed buffer could name another file.
        const CString path = DragQueryFilePath(hDropInfo, index);
        AfxGetApp()->OpenDocumentFile(path.c_str());
    }
    DragFinish(hDropInfo);
}

void CVortlaneDlg::RefreshChainLog() { SetDlgItemText(IDC_LOG, m_strLog.c_str()); }

void CVortlaneDlg::ShowDocumentEncoding() {
    m_nEncoding = m_pDoc->m_bDerOutput ? 0 : 1;
    CheckRadioButton(IDC_PEM, IDC_DER, m_nEncoding == 0 ? IDC_DER : IDC_PEM);
}

void CVortlaneDlg::OnClear() {
    AfxGetApp()->OnCmdMsg(ID_FILE_NEW, CN_COMMAND);
    SetDlgItemText(IDC_LOG, "");
}

void CVortlaneDlg::OnOK() {
    // The accept key reaches here too: while "Convert" is disabled it does nothing.
    if (CWnd* convert = GetDlgItem(IDOK); convert != nullptr && !convert->IsWindowEnabled()) return;
    // Convert: the dialog stays open and can convert again at once.
    UpdateData(TRUE);
    CWaitCursor busy;
    m_pDoc->WriteOutput(m_strOutFile, m_nDepth, &m_strLog);
    SetDlgItemText(IDC_LOG, m_strLog.c_str());
}

void CVortlaneDlg::OnPem() { m_pDoc->m_bDerOutput = 0; }

void CVortlaneDlg::OnDer() { m_pDoc->m_bDerOutput = 1; }

void CVortlaneDlg::OnChangeDepth() { UpdateData(TRUE); }

void CVortlaneDlg::OnDes64() { ClickCipherControl(IDC_DES64, *m_pDoc); }

void CVortlaneDlg::On3des128() { ClickCipherControl(IDC_3DES128, *m_pDoc); }

void CVortlaneDlg::On3des192() { ClickCipherControl(IDC_3DES192, *m_pDoc); }

void CVortlaneDlg::OnRc2_40() { ClickCipherControl(IDC_RC2_40, *m_pDoc); }

void CVortlaneDlg::OnRc2_128() { ClickCipherControl(IDC_RC2_128, *m_pDoc); }

void CVortlaneDlg::OnNoEncrypt() { ClickCipherControl(IDC_NO_ENCRYPT, *m_pDoc); }
