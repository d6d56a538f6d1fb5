// Hostile files dropped on the window and Convert into a target that cannot be written: the window
// answers at once, asks nothing, lists only what it read, and says why nothing was written.
#include "crypto/openssl_includes.h"

#include "tests/hostile/crafted_files.h"
#include "tests/ui/input_files.h"
#include "tests/ui/main_dialog_fixture.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class HostileWindow : public MainDialogWithPromptTest {
protected:
    InputFiles files;
};

TEST_F(HostileWindow, HostileFilesAmongGoodOnesAreSkippedWithoutAQuestion) {
    const fs::path dir = files.dir.path();
    hostile::make_fifo(dir / "fifo.pem");
    hostile::make_sparse(dir / "huge.crl", KX_MAX_INPUT_BYTES + 1);
    qfix::write_bytes(dir / "mac.p12",
                      hostile::p12_with_mac_iterations(files.chain.keys[1].get(), files.chain.certs[1].get(),
                                                       std::to_string(hostile::kHugeIterations)));
    qfix::write_bytes(dir / "many.p7b", hostile::p7_with_copies(files.chain.certs[0].get(), 100'000));
    qfix::write_bytes(dir / "deep.der", hostile::nested_sequences(100'000, false));
    ScriptedMessageBoxes boxes;
    ScriptedSecretPrompts prompts;

    ASSERT_TRUE(Drop({files.root, "/dev/zero", (dir / "fifo.pem").string(), (dir / "huge.crl").string(),
                      (dir / "mac.p12").string(), (dir / "many.p7b").string(), (dir / "deep.der").string(),
                      files.leaf}));

    EXPECT_EQ(InputList(), (std::vector<std::string>{files.leaf, files.root}));
    EXPECT_EQ(doc.m_nDepth, 1);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(prompts.requests.empty()) << "a pass phrase was asked for a file that is refused";
}

TEST_F(HostileWindow, ConvertIntoTargetsThatCannotBeWrittenSaysSoAndLeavesNothing) {
    ASSERT_TRUE(Drop({files.root, files.leaf}));
    const fs::path dir = files.dir.path();
    qfix::write_text(dir / "plain", "a file, not a directory\n");  // where a directory should be
    fs::create_directory(dir / "taken.cer");
    for (const fs::path& target : {dir / "plain" / "out.cer", dir / "taken.cer", dir / "missing" / "out.cer"}) {
        SetOutputFileText(target.string().c_str());
        Click(IDOK);
        EXPECT_NE(Text(IDC_LOG).find("Output Failed ... cannot write " + target.string()), std::string::npos)
            << Text(IDC_LOG);
    }
    const std::string plain = "a file, not a directory\n";
    EXPECT_EQ(qfix::read_bytes(dir / "plain"), qfix::Bytes(plain.begin(), plain.end()));
    EXPECT_TRUE(fs::is_empty(dir / "taken.cer"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

}  // namespace
