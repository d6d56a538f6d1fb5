// Data exchange: both directions in the fixed binding order, the refusals of the depth with their
// prompts, and the EN_CHANGE notifications around an exchange.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "test_fixture.h"

namespace {
const CString kIntegerPrompt = "Please enter an integer.";
const CString kRangePrompt = "Please enter an integer between 0 and 10.";
}  // namespace

TEST_F(DialogTest, ExchangeToControlsShowsEveryMember) {
    dlg.m_strForm = "CRL";
    dlg.m_nEncoding = 1;
    dlg.m_nCipher = 2;
    dlg.m_strLog = "first\r\nsecond\r\n";
    dlg.m_strName = "out.cer";
    dlg.m_nDepth = 3;
    ScriptedMessageBoxes boxes;
    EXPECT_TRUE(dlg.UpdateData(FALSE));

    EXPECT_EQ(Control<QComboBox>(IDC_T_FORM)->currentText(), "CRL");
    EXPECT_FALSE(Control<QRadioButton>(IDC_T_DER)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(IDC_T_PEM)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(IDC_T_CIPHER_A)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(IDC_T_CIPHER_C)->isChecked());
    EXPECT_EQ(Control<QPlainTextEdit>(IDC_T_LOG)->toPlainText(), "first\nsecond\n");
    EXPECT_EQ(Control<QLineEdit>(IDC_T_NAME)->text(), "out.cer");
    EXPECT_EQ(Control<QLineEdit>(IDC_T_DEPTH)->text(), "3");

    // And back: the log keeps its "\r\n" line ends.
    dlg.m_strLog.clear();
    dlg.m_nCipher = -5;
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_strLog, "first\r\nsecond\r\n");
    EXPECT_EQ(dlg.m_nCipher, 2);
    EXPECT_EQ(dlg.m_strForm, "CRL");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DialogTest, WritingAnOutOfRangeDepthNeverPrompts) {
    ScriptedMessageBoxes boxes;
    dlg.m_nDepth = 42;
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(Control<QLineEdit>(IDC_T_DEPTH)->text(), "42");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DialogTest, DepthIsRefusedWithThePromptThatFitsAndTheExchangeStops) {
    struct Case {
        const char* text;
        BOOL result;
        int depth;  // m_nDepth afterwards; it was 5 before
        const CString* prompt;
    };
    const Case cases[] = {
        {"7", TRUE, 7, nullptr},
        {" 3 ", TRUE, 3, nullptr},
        {"+4", TRUE, 4, nullptr},
        {"10", TRUE, 10, nullptr},
        {"0", TRUE, 0, nullptr},
        {"11", FALSE, 11, &kRangePrompt},  // stored first, then refused
        {"-1", FALSE, -1, &kRangePrompt},
        {"abc", FALSE, 5, &kIntegerPrompt},
        {"", FALSE, 5, &kIntegerPrompt},
        {"3x", FALSE, 5, &kIntegerPrompt},
        {"1 2", FALSE, 5, &kIntegerPrompt},
        {"99999999999", FALSE, 5, &kIntegerPrompt},
    };
    dlg.depthHandlerRunsExchange = false;
    auto* depth = Control<QLineEdit>(IDC_T_DEPTH);
    auto* name = Control<QLineEdit>(IDC_T_NAME);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dlg.m_nDepth = 5;
        dlg.m_strName = "old";
        depth->setText(c.text);
        name->setText("new");
        ScriptedMessageBoxes boxes;
        EXPECT_EQ(dlg.UpdateData(TRUE), c.result);
        EXPECT_EQ(dlg.m_nDepth, c.depth);
        // Bound before the depth: it has taken the new value whatever happened to the depth.
        EXPECT_EQ(dlg.m_strName, "new");
        if (c.prompt) {
            EXPECT_EQ(boxes.texts, std::vector<CString>{*c.prompt});
            EXPECT_EQ(boxes.types, std::vector<UINT>{MB_ICONEXCLAMATION});
            EXPECT_EQ(Window()->focusWidget(), depth);  // the refused field gets the focus back
        } else {
            EXPECT_TRUE(boxes.texts.empty());
        }
    }
}

TEST_F(DialogTest, TypingInTheDepthFieldRunsTheHandlerAndPromptsAtOnce) {
    auto* depth = Control<QLineEdit>(IDC_T_DEPTH);
    dlg.depthHandlerRunsExchange = false;
    depth->setText("");
    dlg.depthHandlerRunsExchange = true;
    dlg.depthChanges = 0;
    ScriptedMessageBoxes boxes;
    QTest::keyClicks(depth, "11");
    EXPECT_EQ(dlg.depthChanges, 2);
    EXPECT_EQ(boxes.texts, std::vector<CString>{kRangePrompt});
    EXPECT_EQ(dlg.m_nDepth, 11);

    // Deleting the last digits leaves no number: the handler's exchange prompts at once.
    QTest::keyClick(depth, Qt::Key_Backspace);
    QTest::keyClick(depth, Qt::Key_Backspace);
    EXPECT_EQ(boxes.texts.back(), kIntegerPrompt);
}

TEST_F(DialogTest, SettingTheTextFiresEnChangeButAnExchangeDoesNotCallHandlersBack) {
    dlg.depthChanges = 0;
    dlg.GetDlgItem(IDC_T_DEPTH)->SetWindowText("4");
    EXPECT_EQ(dlg.depthChanges, 1);
    EXPECT_EQ(dlg.m_nDepth, 4);  // the handler's exchange read it

    dlg.m_nDepth = 6;
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(Control<QLineEdit>(IDC_T_DEPTH)->text(), "6");
    EXPECT_EQ(dlg.depthChanges, 1);

    // After the exchange, notifications flow again.
    dlg.SetDlgItemText(IDC_T_DEPTH, "2");
    EXPECT_EQ(dlg.depthChanges, 2);
    EXPECT_EQ(dlg.m_nDepth, 2);
}

TEST_F(DialogTest, ComboSelectionByTextAndUserChoiceNotifies) {
    dlg.selChanges = 0;
    dlg.m_strForm = "Gamma";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(Control<QComboBox>(IDC_T_FORM)->currentText(), "Gamma");
    EXPECT_EQ(dlg.selChanges, 0);  // selecting from code is no user's choice

    EXPECT_TRUE(AfxQtChooseComboItem(&dlg, IDC_T_FORM, "alpha"));
    EXPECT_EQ(dlg.selChanges, 1);
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.m_strForm, "alpha");
    EXPECT_FALSE(AfxQtChooseComboItem(&dlg, IDC_T_FORM, "ALPHA"));

    // Nothing selected reads as an empty text.
    Control<QComboBox>(IDC_T_FORM)->setCurrentIndex(-1);
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.m_strForm, "");
}

TEST_F(DialogTest, ExchangeOfAnEmptyRadioGroupReadsMinusOne) {
    dlg.m_nCipher = -1;
    dlg.UpdateData(FALSE);
    for (int id : {IDC_T_CIPHER_A, IDC_T_CIPHER_B, IDC_T_CIPHER_C})
        EXPECT_FALSE(Control<QRadioButton>(id)->isChecked());
    dlg.m_nCipher = 0;
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.m_nCipher, -1);
}
