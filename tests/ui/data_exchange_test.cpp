// The main dialog's data exchange: both directions in one binding order, and the refused depth.
#include "main_dialog_fixture.h"

TEST_F(MainDialogTest, ExchangeCarriesEveryMemberBothWays) {
    dlg->m_strOutForm = "PKCS#7";
    dlg->m_nEncoding = 1;
    dlg->m_nCrypt = 4;
    dlg->m_strLog = "first\r\nsecond\r\n";
    dlg->m_strOutFile = "/tmp/out.p7b";
    dlg->m_nDepth = 7;
    dlg->UpdateData(FALSE);
    EXPECT_EQ(Text(IDC_OUTPUT_FORM), "PKCS#7");
    EXPECT_EQ(CheckedOf({IDC_DER, IDC_PEM}), IDC_PEM);
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_RC2_128);
    EXPECT_EQ(Text(IDC_LOG), "first\r\nsecond\r\n");
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "/tmp/out.p7b");
    EXPECT_EQ(Text(IDC_DEPTH), "7");

    dlg->m_strOutForm = dlg->m_strLog = dlg->m_strOutFile = "";
    dlg->m_nEncoding = dlg->m_nCrypt = dlg->m_nDepth = 0;
    EXPECT_TRUE(dlg->UpdateData(TRUE));
    EXPECT_EQ(dlg->m_strOutForm, "PKCS#7");
    EXPECT_EQ(dlg->m_nEncoding, 1);
    EXPECT_EQ(dlg->m_nCrypt, 4);
    EXPECT_EQ(dlg->m_strLog, "first\r\nsecond\r\n");
    EXPECT_EQ(dlg->m_strOutFile, "/tmp/out.p7b");
    EXPECT_EQ(dlg->m_nDepth, 7);
}

struct RefusedDepth {
    const char* text;
    bool outOfRange;  // the range prompt; otherwise the whole-number prompt
    int storedDepth;  // checked for out-of-range numbers only
};

void PrintTo(const RefusedDepth& row, std::ostream* os) { *os << '"' << row.text << '"'; }

class DepthRefusal : public MainDialogTest, public ::testing::WithParamInterface<RefusedDepth> {};

TEST_P(DepthRefusal, PromptsOnTypingAndStopsTheExchange) {
    const RefusedDepth row = GetParam();
    SetOutputFileText("/tmp/typed.cer");  // bound before the depth: still taken
    ScriptedMessageBoxes prompts;
    SetDepthText(row.text);  // every change runs an exchange
    const CString expected = row.outOfRange ? AfxFormatIntRangePrompt(0, 10) : CString(AFX_PROMPT_PARSE_INT);
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], expected);
    if (row.outOfRange) EXPECT_EQ(dlg->m_nDepth, row.storedDepth);
    EXPECT_EQ(dlg->m_strOutFile, "/tmp/typed.cer");

    EXPECT_FALSE(dlg->UpdateData(TRUE));
    EXPECT_EQ(prompts.texts.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Depths, DepthRefusal,
                         ::testing::Values(RefusedDepth{"11", true, 11}, RefusedDepth{"-1", true, -1},
                                           RefusedDepth{"ab", false, 0}, RefusedDepth{"", false, 0}));

TEST_F(MainDialogTest, DepthsInRangeAreTakenWithoutPrompt) {
    ScriptedMessageBoxes prompts;
    SetDepthText("10");
    EXPECT_EQ(dlg->m_nDepth, 10);
    SetDepthText("0");
    EXPECT_EQ(dlg->m_nDepth, 0);
    // Writing an out-of-range number to the field is not checked.
    dlg->m_nDepth = 42;
    dlg->UpdateData(FALSE);
    EXPECT_EQ(Text(IDC_DEPTH), "42");
    EXPECT_TRUE(prompts.texts.empty());
}
