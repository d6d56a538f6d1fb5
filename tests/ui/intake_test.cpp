// Input intake and the dialog's commands: drops, the open command, New and Clear, Convert.
#include <filesystem>

#include "input_files.h"
#include "main_dialog_fixture.h"

namespace fs = std::filesystem;

TEST_F(MainDialogTest, DropSkipsTheUnreadableFileSilently) {
    InputFiles files;
    ScriptedMessageBoxes prompts;
    ASSERT_TRUE(Drop({files.leaf, files.garbage, files.root}));
    // Sorted: leaf.pem before root.pem whatever the drop order.
    EXPECT_EQ(InputList(), (std::vector<std::string>{files.leaf, files.root}));
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), (fs::path(files.dir.path()) / "root.cer").string());
    EXPECT_EQ(doc.m_nDepth, 1);  // both certificates are on the chain
    EXPECT_FALSE(Text(IDC_LOG).empty());
    EXPECT_EQ(Text(IDC_LOG).find("notes.pem"), std::string::npos);
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(MainDialogTest, TheSameFileDroppedTwiceIsListedTwice) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.root}));
    EXPECT_EQ(InputList(), (std::vector<std::string>{files.root, files.root}));
}

TEST_F(MainDialogTest, LongPathsAreNeverCut) {
    InputFiles files;
    fs::path deep = files.dir.path();
    for (int i = 0; i < 4; ++i) deep /= std::string(90, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const std::string longPath = (deep / "root.pem").string();
    fs::copy_file(files.root, longPath);
    ASSERT_GT(longPath.size(), 360u);
    ASSERT_TRUE(Drop({longPath}));
    EXPECT_EQ(InputList(), std::vector<std::string>{longPath});
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), (deep / "root.cer").string());
}

TEST_F(MainDialogTest, OpenFromTheMenuTakesTheChosenFile) {
    InputFiles files;
    ScriptedFileDialogs dialogs;
    dialogs.answers = {files.leaf, std::nullopt};
    ASSERT_TRUE(AfxQtRunMenuCommand(dlg.get(), ID_FILE_OPEN));
    EXPECT_EQ(InputList(), std::vector<std::string>{files.leaf});
    ASSERT_TRUE(AfxQtRunMenuCommand(dlg.get(), ID_FILE_OPEN));  // cancelled
    EXPECT_EQ(InputList(), std::vector<std::string>{files.leaf});

    ASSERT_EQ(dialogs.requests.size(), 2u);
    const FileDialogRequest& request = dialogs.requests[0];
    EXPECT_TRUE(request.open);
    EXPECT_EQ(request.flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(request.defExt, "");
    EXPECT_EQ(request.fileName, "");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].label, "PEM (*.pem)");
    EXPECT_EQ(request.filters[0].patterns, std::vector<CString>{"*.pem"});
    EXPECT_EQ(request.filters[1].label, "All files (*.*)");
    EXPECT_EQ(request.selectedFilter, 0);
}

TEST_F(MainDialogTest, NewKeepsTheLogShownAndClearEmptiesIt) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.leaf}));
    Click(IDC_PEM);
    ASSERT_EQ(doc.m_bDerOutput, 0);
    const CString log = Text(IDC_LOG);
    ASSERT_FALSE(log.empty());

    ASSERT_TRUE(AfxQtRunMenuCommand(dlg.get(), ID_FILE_NEW));
    EXPECT_TRUE(InputList().empty());
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "");
    EXPECT_EQ(dlg->m_strOutFile, "");
    EXPECT_EQ(dlg->m_strLog, "");
    EXPECT_EQ(Text(IDC_LOG), log);
    EXPECT_EQ(doc.m_bDerOutput, 1);
    EXPECT_EQ(CheckedOf({IDC_DER, IDC_PEM}), IDC_DER);  // the check mark says what Convert writes
    EXPECT_TRUE(Enabled(IDOK));                         // not re-evaluated
    EXPECT_EQ(dlg->m_pDoc, &theApp.m_doc);

    ASSERT_TRUE(Drop({files.root}));
    Click(IDC_PEM);
    Click(IDC_CLEAR);
    EXPECT_TRUE(InputList().empty());
    EXPECT_EQ(Text(IDC_LOG), "");
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "");
    EXPECT_EQ(doc.m_bDerOutput, 1);
    EXPECT_EQ(CheckedOf({IDC_DER, IDC_PEM}), IDC_DER);
    EXPECT_EQ(Text(IDC_OUTPUT_FORM), "Certificate");
    EXPECT_EQ(dlg->m_pDoc, &theApp.m_doc);
}

TEST_F(MainDialogTest, ConvertTwiceWritesTwiceAndAppendsTwice) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.leaf}));
    const std::string out = Text(IDC_OUTPUT_FILE);
    const CString before = Text(IDC_LOG);
    Click(IDOK);
    ASSERT_TRUE(fs::exists(out));
    const CString once = Text(IDC_LOG);
    ASSERT_GT(once.size(), before.size());
    ASSERT_EQ(once.compare(0, before.size(), before), 0);
    fs::remove(out);
    Click(IDOK);
    EXPECT_TRUE(fs::exists(out));
    const CString twice = Text(IDC_LOG);
    EXPECT_EQ(twice, once + once.substr(before.size()));
    EXPECT_EQ(dlg->m_strLog, twice);
    EXPECT_EQ(InputList().size(), 2u);  // Convert leaves the input alone
}

TEST_F(MainDialogTest, ConvertAfterARefusedDepthPassesTheRefusedNumber) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.leaf}));
    const std::string out = Text(IDC_OUTPUT_FILE);
    ScriptedMessageBoxes prompts;
    SetDepthText("11");
    Click(IDOK);
    EXPECT_EQ(prompts.texts.size(), 2u);  // on typing, and again in Convert's exchange
    EXPECT_EQ(dlg->m_nDepth, 11);
    EXPECT_FALSE(fs::exists(out));  // no certificate at depth 11
    EXPECT_NE(Text(IDC_LOG), "");
}

TEST_F(MainDialogTest, TheAcceptKeyDoesNothingWhileConvertIsOff) {
    InputFiles files;
    SetOutputFileText(files.dir.file("never.cer").string().c_str());
    ASSERT_FALSE(Enabled(IDOK));
    dlg->SendMessage(WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Text(IDC_LOG), "");
    EXPECT_FALSE(fs::exists(files.dir.file("never.cer")));
    EXPECT_FALSE(AfxQtDialogEnded(*dlg));
}
