// Commands and keys: radio groups by template order, the menu bar's commands reaching the
// application, no key table, the system menu and closing.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTest>

#include "test_fixture.h"

TEST_F(DialogTest, TwoRadioGroupsInSiblingFramesAreIndependent) {
    auto* der = Control<QRadioButton>(IDC_T_DER);
    auto* pem = Control<QRadioButton>(IDC_T_PEM);
    auto* a = Control<QRadioButton>(IDC_T_CIPHER_A);
    auto* b = Control<QRadioButton>(IDC_T_CIPHER_B);
    auto* c = Control<QRadioButton>(IDC_T_CIPHER_C);
    ASSERT_TRUE(der->isChecked() && a->isChecked());

    QTest::mouseClick(pem, Qt::LeftButton);
    EXPECT_TRUE(pem->isChecked());
    EXPECT_FALSE(der->isChecked());
    EXPECT_TRUE(a->isChecked());
    EXPECT_EQ(dlg.pemClicks, 1);

    b->click();
    EXPECT_TRUE(b->isChecked());
    EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(c->isChecked());
    EXPECT_TRUE(pem->isChecked());

    // Clicking the checked button keeps it checked and still tells the dialog.
    pem->click();
    EXPECT_TRUE(pem->isChecked());
    EXPECT_EQ(dlg.pemClicks, 2);

    // Arrow keys move within the group and check as they go; they do not leave it.
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Down);
    EXPECT_TRUE(c->isChecked());
    EXPECT_FALSE(b->isChecked());
    QTest::keyClick(c, Qt::Key_Down);
    EXPECT_TRUE(a->isChecked());
    EXPECT_TRUE(pem->isChecked());
}

TEST_F(DialogTest, CheckRadioButtonChecksByIdRangeWithoutNotifying) {
    dlg.CheckRadioButton(IDC_T_DER, IDC_T_PEM, IDC_T_PEM);
    EXPECT_TRUE(Control<QRadioButton>(IDC_T_PEM)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(IDC_T_DER)->isChecked());
    EXPECT_EQ(dlg.pemClicks, 0);
}

TEST_F(DialogTest, MenuCommandsGoToTheDialogFirstThenTheApplication) {
    EXPECT_TRUE(AfxQtRunMenuCommand(&dlg, ID_FILE_NEW));
    EXPECT_TRUE(AfxQtRunMenuCommand(&dlg, ID_FILE_OPEN));
    EXPECT_EQ(TestApp().fileNew, 1);
    EXPECT_EQ(TestApp().fileOpen, 1);

    EXPECT_TRUE(AfxQtRunMenuCommand(&dlg, ID_APP_ABOUT));
    EXPECT_EQ(dlg.aboutCommands, 1);  // the dialog's own entry wins

    // A greyed popup cannot be opened: nothing of it can be chosen.
    EXPECT_FALSE(AfxQtRunMenuCommand(&dlg, ID_EDIT_UNDO));
    EXPECT_FALSE(AfxQtRunMenuCommand(&dlg, 0x1234));
    QAction* edit = nullptr;
    for (QAction* action : AfxQtMenuBar(&dlg)->actions())
        if (action->text() == "&Edit") edit = action;
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(AfxQtDialogEnded(dlg));
}

TEST_F(DialogTest, ExitClosesTheMainWindowAsQuitDoes) {
    EXPECT_TRUE(AfxQtRunMenuCommand(&dlg, ID_APP_EXIT));
    int result = 0;
    EXPECT_TRUE(AfxQtDialogEnded(dlg, &result));
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dlg.cancelCount, 1);
    EXPECT_FALSE(Window()->isVisible());
}

TEST_F(DialogTest, ControlNotificationsAreNotOfferedToTheApplication) {
    // A control id in the command range, unhandled by the dialog, stays with the dialog.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, EN_CHANGE), 0);
    EXPECT_EQ(TestApp().fileNew, 0);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, CN_COMMAND), 0);
    EXPECT_EQ(TestApp().fileNew, 1);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, CN_COMMAND), 0);  // the framework's help: nothing
    EXPECT_FALSE(AfxQtDialogEnded(dlg));
}

TEST_F(DialogTest, MenuShortcutTextsAreNoKeyTable) {
    std::function<void(const QList<QAction*>&)> check = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
            if (action->menu()) check(action->menu()->actions());
        }
    };
    check(AfxQtMenuBar(&dlg)->actions());
    EXPECT_EQ(Window()->findChildren<QShortcut*>().size(), 0);

    QApplication::setActiveWindow(Window());
    // A shortcut of our own, as a key table would have: the same keystrokes do reach shortcuts.
    int probe = 0;
    QAction control(Window());
    control.setShortcut(QKeySequence("Ctrl+K"));
    Window()->addAction(&control);
    QObject::connect(&control, &QAction::triggered, [&probe] { ++probe; });
    for (QWidget* target : {Window(), AfxQtControl(&dlg, IDC_T_NAME)}) {
        QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_K, Qt::ControlModifier);
    }
    EXPECT_EQ(probe, 2);
    EXPECT_EQ(TestApp().fileNew, 0);
    EXPECT_EQ(TestApp().fileOpen, 0);
}

TEST_F(DialogTest, EnterIsConvertOnlyWhileOkIsEnabledAndEscapeIsCancel) {
    auto* name = Control<QLineEdit>(IDC_T_NAME);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(dlg.okCount, 1);
    dlg.GetDlgItem(IDOK)->EnableWindow(FALSE);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(dlg.okCount, 1);
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_EQ(dlg.cancelCount, 1);
    EXPECT_TRUE(AfxQtDialogEnded(dlg));
}

class SystemMenuTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, IDM_TEST_ABOUT, AfxLoadString(101).c_str());
        AfxQtSetPopupHook([this](QMenu& popup) -> QAction* {
            ++opened;
            texts.clear();
            for (QAction* action : popup.actions())
                if (!action->isSeparator()) texts << action->text();
            return nullptr;
        });
    }
    int opened = 0;
    QStringList texts;
};

TEST_F(SystemMenuTest, AltSpaceAndRightClickOnTheBackgroundOpenIt) {
    QTest::keyClick(AfxQtControl(&dlg, IDC_T_NAME), Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(texts, QStringList({"&Move", "&Close\tAlt+F4", "&About test..."}));
    EXPECT_EQ(Control<QLineEdit>(IDC_T_NAME)->text(), "");  // the key was not typed

    QWidget* client = AfxQtClientArea(&dlg);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), client->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(client, &click);
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(dlg.sysCommands.empty());  // dismissed: nothing chosen

    // A right click on a push button is the button's, not the background's.
    QWidget* ok = AfxQtControl(&dlg, IDOK);
    const QPoint onOk = ok->geometry().center();
    QContextMenuEvent onButton(QContextMenuEvent::Mouse, onOk, client->mapToGlobal(onOk));
    QCoreApplication::sendEvent(client, &onButton);
    EXPECT_EQ(opened, 2);
}

TEST_F(SystemMenuTest, AppendedItemsDeliverWmSysCommandAndCloseCancels) {
    AfxQtSetPopupHook(nullptr);
    EXPECT_TRUE(AfxQtChooseSystemMenuItem(&dlg, IDM_TEST_ABOUT));
    EXPECT_EQ(dlg.sysCommands, std::vector<UINT>{IDM_TEST_ABOUT});
    EXPECT_FALSE(AfxQtDialogEnded(dlg));
    EXPECT_FALSE(AfxQtChooseSystemMenuItem(&dlg, 0x20));  // no such item

    EXPECT_TRUE(AfxQtChooseSystemMenuItem(&dlg, SC_CLOSE));
    EXPECT_EQ(dlg.sysCommands.back(), SC_CLOSE);
    int result = 0;
    EXPECT_TRUE(AfxQtDialogEnded(dlg, &result));
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dlg.cancelCount, 1);
}

TEST_F(DialogTest, CloseBoxGoesThroughSysCommandAndNotWhileCancelIsDisabled) {
    dlg.GetDlgItem(IDCANCEL)->EnableWindow(FALSE);
    EXPECT_FALSE(Window()->close());
    EXPECT_EQ(dlg.sysCommands, std::vector<UINT>{SC_CLOSE});
    EXPECT_FALSE(AfxQtDialogEnded(dlg));

    dlg.GetDlgItem(IDCANCEL)->EnableWindow(TRUE);
    Window()->close();
    EXPECT_TRUE(AfxQtDialogEnded(dlg));
    EXPECT_EQ(dlg.cancelCount, 1);
}

TEST_F(DialogTest, DefaultSysCommandMinimizesAndRestores) {
    Window()->show();
    dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(dlg.IsIconic());
    dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(dlg.IsIconic());
}

TEST(SystemMenu, RevertGivesBackTheDefaultItems) {
    CTestDlg dlg;
    ASSERT_TRUE(dlg.Create());
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    menu->AppendMenu(MF_STRING, IDM_TEST_ABOUT, "x");
    EXPECT_EQ(menu->GetMenuItemCount(), 3u);
    EXPECT_EQ(dlg.GetSystemMenu(TRUE), nullptr);
    EXPECT_EQ(dlg.GetSystemMenu(FALSE)->GetMenuItemCount(), 2u);
}
