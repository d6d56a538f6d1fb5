// CFileDialog over QFileDialog, with the classic filter string turned into Qt's name filters.
#include <QFileDialog>
#include <QFileInfo>

#include "framework/afxtest.h"
#include "framework/qt/window_record.h"

using namespace afx;

namespace {
AfxFileDialogHook g_fileDialogHook;
}

void AfxSetFileDialogHook(AfxFileDialogHook hook) { g_fileDialogHook = std::move(hook); }

// The label shows as the caller wrote it ("All files (*.*)"); the patterns Qt matches follow in a
// group of their own, which the dialog keeps out of sight (HideNameFilterDetails). "*.*" means every
// file on the classic platform: here a name need not have a dot.
static QString QtNameFilter(const FileDialogFilter& filter) {
    QStringList patterns;
    for (const CString& pattern : filter.patterns) patterns << (pattern == "*.*" ? QStringLiteral("*") : ToQt(pattern));
    return ToQt(filter.label) + QStringLiteral(" (") + patterns.join(u' ') + QStringLiteral(")");
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName, DWORD dwFlags,
                         const char* lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(lpszDefExt ? lpszDefExt : ""),
      m_strFileName(lpszFileName ? lpszFileName : ""),
      m_dwFlags(dwFlags),
      m_strFilter(lpszFilter ? lpszFilter : ""),
      m_pParentWnd(pParentWnd) {}

INT_PTR CFileDialog::DoModal() {
    m_strPathName.clear();
    FileDialogRequest request;
    request.open = m_bOpenFileDialog;
    request.title = !m_strTitle.empty() ? m_strTitle : (m_bOpenFileDialog ? "Open" : "Save As");
    request.defExt = m_strDefExt;
    request.fileName = m_strFileName;
    request.flags = m_dwFlags;
    request.filters = AfxParseFileFilter(m_strFilter.c_str());
    request.selectedFilter = 0;
    if (g_fileDialogHook) {
        std::optional<CString> chosen = g_fileDialogHook(request);
        if (!chosen || chosen->empty()) return IDCANCEL;
        m_strPathName = *chosen;
        return IDOK;
    }

    // Parentless: the dialog's life is this function's, whatever happens to the windows around it.
    QFileDialog dialog(nullptr, ToQt(request.title));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // A name that does not exist is refused here only when the caller asks for it; otherwise the path
    // goes back to the caller, which decides what it means (the program's input route ignores it).
    const bool mustExist = m_bOpenFileDialog && (m_dwFlags & OFN_FILEMUSTEXIST);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!m_bOpenFileDialog && !(m_dwFlags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileDialogFilter& filter : request.filters) nameFilters << QtNameFilter(filter);
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.front());
    }
    if (!m_strDefExt.empty()) dialog.setDefaultSuffix(ToQt(m_strDefExt));
    if (!m_strFileName.empty()) dialog.selectFile(PathToQt(m_strFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
    m_strPathName = PathFromQt(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath());
    return IDOK;
}

CString CFileDialog::GetPathName() const { return m_strPathName; }
