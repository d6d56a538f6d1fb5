// The application object, the program's entry and the framework's message box.
#include <cstdlib>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>

#include "framework/qt/dialog_window.h"
#include "framework/qt/qt_access.h"
#include "framework/qt/wait_cursor.h"

using namespace afx;

namespace {
CWinApp* g_app = nullptr;
AfxMessageBoxHook g_messageBoxHook;
}  // namespace

void AfxSetMessageBoxHook(AfxMessageBoxHook hook) { g_messageBoxHook = std::move(hook); }

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName) : m_strAppName(lpszAppName ? lpszAppName : "") { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    const int code = QApplication::exec();
    const int exitCode = ExitInstance();
    return code ? code : exitCode;
}

int CWinApp::ExitInstance() { return 0; }

CDocument* CWinApp::OpenDocumentFile(const char*) { return nullptr; }

BOOL CWinApp::Enable3dControls() { return TRUE; }  // the widget style draws controls with depth already

HICON CWinApp::LoadIcon(UINT nIDResource) const { return AfxLoadIcon(nIDResource); }

void CWinApp::OnHelp() {}

void CWinApp::OnAppExit() {
    // As the main window's own Close: through WM_CLOSE, which a dialog turns into its Cancel.
    if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

const char* AfxGetAppName() {
    static CString name;
    if (g_app && !g_app->m_strAppName.empty())
        name = g_app->m_strAppName;
    else if (!AfxLoadString(AFX_IDS_APP_TITLE, name))
        name = QCoreApplication::instance() ? FromQt(QCoreApplication::applicationName()) : CString();
    return name.c_str();
}

BOOL AfxEnableControlContainer() { return TRUE; }  // no template hosts embedded controls

bool AfxHaveDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

int AfxWinMain(int argc, char** argv) {
    if (!AfxHaveDisplay()) return 1;
    // Qt takes its own options from the command line; the program reads nothing of it.
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    CWinApp* app = AfxGetApp();
    int code = 0;
    if (app) {
        if (app->InitInstance())
            code = app->Run();
        else
            code = app->ExitInstance();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXSCREEN:
    case SM_CYSCREEN:
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return nIndex == SM_CXSCREEN ? screen->size().width() : screen->size().height();
        return 0;
    default: return 0;
    }
}

namespace afx {

QWidget* PromptOwner() {
    auto usable = [](QWidget* w) -> QWidget* {
        if (!w || !w->isVisible()) return nullptr;
        if (auto* dialog = dynamic_cast<DialogWindow*>(w))
            if (!dialog->record) return nullptr;  // a dialog being destroyed
        return w;
    };
    if (QWidget* w = usable(QApplication::activeModalWidget())) return w;
    if (CWnd* main = AfxGetMainWnd())
        if (QWidget* w = usable(AfxQtWidget(main))) return w;
    return usable(QApplication::activeWindow());
}

int ShowMessageBox(const CString& text, const char* caption, UINT type) {
    if (g_messageBoxHook) return g_messageBoxHook(text, type);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONEXCLAMATION: icon = QMessageBox::Warning; break;
    case MB_ICONASTERISK: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MB_ABORTRETRYIGNORE: buttons = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    case MB_YESNOCANCEL: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case MB_RETRYCANCEL: buttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    default: break;
    }
    QPointer<QMessageBox> box = new QMessageBox(icon, ToQt(caption ? CString(caption) : CString(AfxGetAppName())),
                                                ToQt(text), buttons, PromptOwner());
    box->setWindowModality(Qt::ApplicationModal);
    afx::NormalCursorWhilePrompting normalCursor;
    const int answer = box->exec();
    delete box.data();  // null when the owner went away while it was open
    switch (answer) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default:
        // Closed without a button: the classic box answers Cancel where there is one.
        return (buttons & QMessageBox::Cancel) ? IDCANCEL : (buttons & QMessageBox::No) ? IDNO : IDOK;
    }
}

}  // namespace afx

int AfxMessageBox(const char* lpszText, UINT nType, UINT) {
    return ShowMessageBox(lpszText ? lpszText : "", nullptr, nType);
}
