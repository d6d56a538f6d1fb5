// Modal runs (nested too), the message box hook, the file dialog and the pass-phrase prompt.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "test_fixture.h"

namespace {

// Runs `step` from inside the next nested event loop (a posted call, not a timer).
template <typename F>
void WhenModal(F step) {
    QMetaObject::invokeMethod(qApp, step, Qt::QueuedConnection);
}

}  // namespace

TEST(ModalRun, ReturnsTheEndCodeAndNestsAnotherModalDialog) {
    CTestDlg outer;
    CDialog inner(IDD_TEST_BOX);
    bool outerWasModal = false;
    bool innerWasModal = false;
    int outerOkWhileNested = -1;
    INT_PTR innerResult = 0;
    AfxSetModalHook([&](CDialog& d) {
        if (&d == &outer) {
            outerWasModal = QApplication::activeModalWidget() == AfxQtWidget(&outer);
            innerResult = inner.DoModal();  // a nested loop inside the outer one
            outer.EndDialog(7);
        } else {
            innerWasModal = QApplication::activeModalWidget() == AfxQtWidget(&inner);
            // The outer dialog takes no input while the inner one runs.
            QTest::mouseClick(AfxQtControl(&outer, IDOK), Qt::LeftButton);
            outerOkWhileNested = outer.okCount;
            d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // its OK ends it
        }
    });
    EXPECT_EQ(outer.DoModal(), 7);
    AfxSetModalHook(nullptr);
    EXPECT_TRUE(outerWasModal);
    EXPECT_TRUE(innerWasModal);
    EXPECT_EQ(outerOkWhileNested, 0);
    EXPECT_EQ(innerResult, IDOK);
    EXPECT_EQ(outer.m_hWnd, nullptr);
    EXPECT_EQ(inner.m_hWnd, nullptr);
}

TEST(ModalRun, ProgramControlObjectsAreDetachedWhenTheWindowGoes) {
    CTestDlg dlg;
    AfxSetModalHook([](CDialog& d) { d.EndDialog(IDCANCEL); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    AfxSetModalHook(nullptr);
    EXPECT_EQ(dlg.m_listInput.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_listInput.GetCount(), LB_ERR);
    // The same object can run again.
    AfxSetModalHook([](CDialog& d) { d.EndDialog(IDOK); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    AfxSetModalHook(nullptr);
}

TEST(ModalRun, AClosedDialogThatQtStillThinksActiveLeadsToNoWindow) {
    CTestDlg main;
    ASSERT_TRUE(main.Create());
    CDialog box(IDD_TEST_BOX);
    AfxSetModalHook([](CDialog& d) {
        QApplication::setActiveWindow(AfxQtWidget(&d));
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(box.DoModal(), IDOK);
    AfxSetModalHook(nullptr);
    CWnd* previous = main.SetActiveWindow();
    EXPECT_TRUE(previous == nullptr || previous == &main);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == nullptr || focus->window() == AfxQtWidget(&main));
}

TEST(MessageBoxes, TheHookSeesEveryPromptAndAnswersIt) {
    ScriptedMessageBoxes boxes(IDNO);
    EXPECT_EQ(AfxMessageBox("Overwrite?", MB_YESNO), IDNO);
    EXPECT_EQ(boxes.texts, std::vector<CString>{"Overwrite?"});
    EXPECT_EQ(boxes.types, std::vector<UINT>{MB_YESNO});
}

TEST(MessageBoxes, WithoutAHookARealModalBoxRuns) {
    QString seenText;
    WhenModal([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seenText = box->text();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(AfxMessageBox("Really?", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
    EXPECT_EQ(seenText, "Really?");
}

TEST(FileDialogs, ScriptedAnswersChooseOrCancel) {
    ScriptedFileDialogs script;
    const CString longPath = "/tmp/" + CString(300, 'p') + ".pem";
    script.answers = {longPath, std::nullopt};
    CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "PEM (*.pem)|*.pem|All files (*.*)|*.*||");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), longPath);
    ASSERT_EQ(script.requests.size(), 1u);
    EXPECT_TRUE(script.requests[0].open);
    EXPECT_EQ(script.requests[0].filters.size(), 2u);
    EXPECT_EQ(script.requests[0].selectedFilter, 0);

    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(open.GetPathName(), "");
}

TEST(FileDialogs, RealDialogOffersTheFiltersPemFirstAndReturnsTheChosenPath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("chosen.pem");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QStringList shown, filters;
    QString selected;
    WhenModal([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; types && i < types->count(); ++i) shown << types->itemText(i);
        filters = dialog->nameFilters();
        selected = types ? types->currentText() : QString();
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "PEM (*.pem)|*.pem|All files (*.*)|*.*||");
    EXPECT_EQ(open.DoModal(), IDOK);
    // The labels as the caller wrote them; "*.*" must not require a dot here.
    EXPECT_EQ(shown, QStringList({"PEM (*.pem)", "All files (*.*)"}));
    EXPECT_EQ(filters, QStringList({"PEM (*.pem) (*.pem)", "All files (*.*) (*)"}));
    EXPECT_EQ(selected, "PEM (*.pem)");
    EXPECT_EQ(open.GetPathName(), path.toStdString());
}

TEST(FileDialogs, RealOpenDialogGivesBackATypedMissingNameWithoutAMessage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath("missing.pem");
    bool messageShown = false;
    WhenModal([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        // Were a "file not found" box to come up, this ends it and the dialog from inside its loop.
        QMetaObject::invokeMethod(
            dialog,
            [&messageShown, dialog] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    messageShown = true;
                    box->reject();
                    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
                }
            },
            Qt::QueuedConnection);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(missing);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "PEM (*.pem)|*.pem|All files (*.*)|*.*||");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_FALSE(messageShown);
    EXPECT_EQ(open.GetPathName(), missing.toStdString());
}

TEST(SecretPrompt, ScriptedAnswersAndNewPassPhrasesMustNotBeEmpty) {
    ScriptedSecretPrompts script;
    script.answers = {std::string("wrong"), std::string("right"), std::string(""), std::nullopt};
    std::string out;
    EXPECT_TRUE(AfxPromptSecret({"Open", "Pass phrase for a.p12:", false, false}, &out));
    EXPECT_EQ(out, "wrong");
    EXPECT_TRUE(AfxPromptSecret({"Open", "Pass phrase for a.p12:", false, true}, &out));
    EXPECT_EQ(out, "right");
    EXPECT_FALSE(AfxPromptSecret({"Write", "New pass phrase:", true, false}, &out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(AfxPromptSecret({"Open", "again", false, false}, &out));
    ASSERT_EQ(script.requests.size(), 4u);
    EXPECT_TRUE(script.requests[1].retry);
    EXPECT_TRUE(script.requests[2].confirm);
}

TEST(SecretPrompt, RealDialogMasksConfirmsAndRefusesEmptyOrDifferingEntries) {
    struct Seen {
        bool masked = false, okEmpty = true, okDiffer = true, okSame = false, retryShown = true;
    } seen;
    WhenModal([&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        auto* entry = dialog->findChild<QLineEdit*>("passPhrase");
        auto* confirmation = dialog->findChild<QLineEdit*>("confirmation");
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        seen.masked = entry->echoMode() == QLineEdit::Password && confirmation->echoMode() == QLineEdit::Password;
        seen.retryShown = dialog->findChild<QLabel*>("retryNotice") != nullptr;
        seen.okEmpty = ok->isEnabled();
        entry->setText("s3cret");
        confirmation->setText("s3creT");
        seen.okDiffer = ok->isEnabled();
        confirmation->setText("s3cret");
        seen.okSame = ok->isEnabled();
        ok->click();
    });
    std::string out;
    EXPECT_TRUE(AfxPromptSecret({"Write", "New pass phrase for out.p12:", true, false}, &out));
    EXPECT_EQ(out, "s3cret");
    EXPECT_TRUE(seen.masked);
    EXPECT_FALSE(seen.retryShown);
    EXPECT_FALSE(seen.okEmpty);
    EXPECT_FALSE(seen.okDiffer);
    EXPECT_TRUE(seen.okSame);
}

TEST(SecretPrompt, RealDialogSaysWhenThePreviousOneWasWrongAndCancelGivesNothing) {
    bool retryShown = false;
    WhenModal([&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        retryShown = dialog->findChild<QLabel*>("retryNotice") != nullptr;
        dialog->findChild<QLineEdit*>("passPhrase")->setText("typed");
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    std::string out = "stale";
    EXPECT_FALSE(AfxPromptSecret({"Open", "Pass phrase for in.p12:", false, true}, &out));
    EXPECT_TRUE(retryShown);
    EXPECT_TRUE(out.empty());
}

TEST_F(DialogTest, AModalDialogWithoutParentBelongsToTheMainWindowAndBlocksIt) {
    CDialog box(IDD_TEST_BOX);
    QWidget* owner = nullptr;
    bool mainBlocked = false;
    AfxSetModalHook([&](CDialog& d) {
        owner = AfxQtWidget(&d)->parentWidget();
        QTest::keyClick(AfxQtControl(&dlg, IDC_T_NAME), Qt::Key_Escape);
        mainBlocked = !AfxQtDialogEnded(dlg);
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(box.DoModal(), IDOK);
    AfxSetModalHook(nullptr);
    EXPECT_EQ(owner, Window());
    EXPECT_TRUE(mainBlocked);
    EXPECT_EQ(dlg.cancelCount, 0);
}
