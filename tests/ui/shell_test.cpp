// The application shell: menu routing, the About box and its two ways in, the system menu, the
// minimized icon, and the application icon.
#include <filesystem>
#include <set>

#include <QImage>
#include <QTest>

#include "app/app_icon.h"
#include "input_files.h"
#include "main_dialog_fixture.h"
#include "ui/minimized_icon.h"

namespace {

// Counts About boxes and closes each with its OK button, as the user would.
struct AboutBoxes {
    AboutBoxes() {
        AfxSetModalHook([this](CDialog& dialog) {
            CString caption;
            dialog.GetWindowText(caption);
            captions.push_back(caption);
            QWidget* ok = AfxQtControl(&dialog, IDOK);
            ASSERT_NE(ok, nullptr);
            QTest::mouseClick(ok, Qt::LeftButton);
        });
    }
    ~AboutBoxes() { AfxSetModalHook(nullptr); }
    std::vector<CString> captions;
};

}  // namespace

TEST_F(MainDialogTest, AboutOpensFromTheHelpMenuAndTheSystemMenu) {
    AboutBoxes about;
    ASSERT_TRUE(AfxQtRunMenuCommand(dlg.get(), ID_APP_ABOUT));
    ASSERT_TRUE(AfxQtChooseSystemMenuItem(dlg.get(), IDM_ABOUTBOX));
    // The low four bits are ignored: 0x10 to 0x1F all mean About.
    dlg->SendMessage(WM_SYSCOMMAND, 0x10, 0);
    dlg->SendMessage(WM_SYSCOMMAND, 0x1F, 0);
    dlg->SendMessage(WM_SYSCOMMAND, 0x20, 0);
    EXPECT_EQ(about.captions, std::vector<CString>(4, "About vortlane"));
    EXPECT_FALSE(AfxQtDialogEnded(*dlg));
}

TEST_F(MainDialogTest, SystemMenuEndsWithTheAboutEntry) {
    CMenu* menu = dlg->GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    const UINT count = menu->GetMenuItemCount();
    ASSERT_GE(count, 2u);
    EXPECT_EQ(menu->Items()[count - 2].flags & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(menu->GetMenuItemID(static_cast<int>(count) - 1), static_cast<UINT>(IDM_ABOUTBOX));
    CString text;
    menu->GetMenuString(count - 1, text, MF_BYPOSITION);
    EXPECT_EQ(text, "&About vortlane...");
}

TEST_F(MainDialogTest, MenuBarHasNoKeyTableAndAGreyedEditMenu) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root}));
    ScriptedFileDialogs dialogs;
    QWidget* window = AfxQtWidget(dlg.get());
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(Control(IDC_OUTPUT_FILE), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(InputList().size(), 1u);
    EXPECT_TRUE(dialogs.requests.empty());

    for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) {
        EXPECT_FALSE(AfxQtRunMenuCommand(dlg.get(), id)) << id;
    }
    // New from the menu reaches the application.
    ASSERT_TRUE(AfxQtRunMenuCommand(dlg.get(), ID_FILE_NEW));
    EXPECT_TRUE(InputList().empty());
}

TEST_F(MainDialogTest, MinimizedDialogDrawsItsIconCentred) {
    AfxQtDrawIconLog().clear();
    dlg->SendMessage(WM_PAINT);
    EXPECT_TRUE(AfxQtDrawIconLog().empty());  // not minimized: ordinary painting only

    dlg->ShowWindow(SW_MINIMIZE);
    ASSERT_TRUE(dlg->IsIconic());
    dlg->SendMessage(WM_PAINT);
    ASSERT_EQ(AfxQtDrawIconLog().size(), 1u);
    CRect client;
    dlg->GetClientRect(&client);
    const IconPosition want =
        CenteredIconPosition(client.Width(), client.Height(), GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    EXPECT_EQ(AfxQtDrawIconLog()[0].x, want.x);
    EXPECT_EQ(AfxQtDrawIconLog()[0].y, want.y);
    EXPECT_EQ(AfxQtDrawIconLog()[0].icon, dlg->m_hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(dlg->SendMessage(WM_QUERYDRAGICON)), dlg->m_hIcon);
}

TEST(MinimizedIcon, CentresWithDivisionTowardZero) {
    EXPECT_EQ(CenteredIconPosition(30, 30, 32, 32).x, 0);  // -1 / 2 is 0, not -1
    EXPECT_EQ(CenteredIconPosition(29, 31, 32, 32).x, -1);
    EXPECT_EQ(CenteredIconPosition(29, 31, 32, 32).y, 0);
    EXPECT_EQ(CenteredIconPosition(100, 50, 32, 32).x, 34);
    EXPECT_EQ(CenteredIconPosition(100, 50, 32, 32).y, 9);
}

TEST(ApplicationIcon, HoldsTwoSixteenColourImages) {
    HICON icon = AfxLoadIcon(IDR_MAINFRAME);
    ASSERT_NE(icon, nullptr);
    for (int size : {32, 16}) {
        const QImage image = AfxQtIconImage(icon, size);
        ASSERT_EQ(image.width(), size);
        ASSERT_EQ(image.height(), size);
        std::set<QRgb> colours;
        int opaque = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 0) continue;
                ++opaque;
                colours.insert(pixel);
            }
        }
        EXPECT_LE(colours.size(), 16u);
        EXPECT_GT(opaque, size * size / 4);
    }
    // Every letter of the art has a colour.
    for (const IconArt& art : kAppIconArt) {
        for (int y = 0; y < art.size; ++y) {
            for (int x = 0; x < art.size; ++x) {
                const char letter = art.rows[y][x];
                bool known = letter == '.';
                for (const IconColour& colour : kIconPalette) known = known || colour.letter == letter;
                EXPECT_TRUE(known) << "'" << letter << "' at " << x << "," << y;
            }
        }
    }
}

TEST_F(MainDialogTest, ExitAndQuitEndTheDialogWithoutWriting) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root}));
    const std::string out = Text(IDC_OUTPUT_FILE);
    Click(IDCANCEL);
    int result = 0;
    ASSERT_TRUE(AfxQtDialogEnded(*dlg, &result));
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(std::filesystem::exists(out));

    TearDown();
    SetUp();
    ASSERT_TRUE(AfxQtRunMenuCommand(dlg.get(), ID_APP_EXIT));
    ASSERT_TRUE(AfxQtDialogEnded(*dlg, &result));
    EXPECT_EQ(result, IDCANCEL);
}
