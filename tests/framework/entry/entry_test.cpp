// The program's entry: no display means nothing runs; with one, the global application's start-up
// runs inside a fresh window system, and Exit from the menu ends the main dialog's modal run.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>

#include "framework/afxtest.h"
#include "framework/afxwin.h"

namespace {

constexpr UINT IDD_ENTRY = 700;
constexpr UINT IDR_ENTRY_MENU = 701;

class CEntryApp : public CWinApp {
public:
    int starts = 0;
    bool hadWindowSystem = false;
    INT_PTR modalResult = 0;

    BOOL InitInstance() override {
        ++starts;
        hadWindowSystem = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
        DialogTemplate t;
        t.id = IDD_ENTRY;
        t.caption = "Entry";
        t.style = DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
        t.cx = 100;
        t.cy = 40;
        t.fontFace = "ＭＳ Ｐゴシック";
        t.pointSize = 10;
        t.menuId = IDR_ENTRY_MENU;
        t.controls = {{IDCANCEL, "button", BS_PUSHBUTTON | WS_TABSTOP, "Quit", 50, 20, 40, 14}};
        AfxRegisterDialog(t);
        AfxRegisterMenu({IDR_ENTRY_MENU, {{"&File", 0, MF_POPUP, {{"E&xit", ID_APP_EXIT, 0, {}}}}}});

        CDialog dlg(IDD_ENTRY);
        m_pMainWnd = &dlg;
        // Exit, as chosen from the menu once the modal run is going.
        AfxSetModalHook([](CDialog& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0); });
        modalResult = dlg.DoModal();
        AfxSetModalHook(nullptr);
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

CEntryApp theApp;

void Unset(const char* name) { unsetenv(name); }

}  // namespace

TEST(Entry, WithoutADisplayNothingStartsAndWithOneStartUpRunsToTheEnd) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) Unset(name);
    char program[] = "quillon";
    char file[] = "/tmp/given-on-the-command-line.pem";
    char* argv[] = {program, file, nullptr};
    EXPECT_FALSE(AfxHaveDisplay());
    EXPECT_EQ(AfxWinMain(2, argv), 1);
    EXPECT_EQ(theApp.starts, 0);

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_TRUE(AfxHaveDisplay());
    EXPECT_EQ(AfxWinMain(2, argv), 0);
    EXPECT_EQ(theApp.starts, 1);
    EXPECT_TRUE(theApp.hadWindowSystem);
    EXPECT_EQ(theApp.modalResult, IDCANCEL);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);  // gone when the entry returns
}
