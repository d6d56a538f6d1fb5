// A whole run through the window: files dropped, a form chosen, Convert with the pass phrase asked
// through the application's prompt, and the result opened with OpenSSL.
#include <filesystem>

#include <QCursor>
#include <QGuiApplication>

#include "crypto/openssl_includes.h"
#include "input_files.h"
#include "main_dialog_fixture.h"

namespace fs = std::filesystem;

namespace {

struct Pkcs12Content {
    bool opened = false;
    qfix::Pkey key;
    qfix::CertPtr cert;
    int extraCerts = 0;
};

Pkcs12Content OpenPkcs12(const std::string& path, const char* pass) {
    Pkcs12Content content;
    const qfix::Bytes bytes = qfix::read_bytes(path);
    const unsigned char* p = bytes.data();
    PKCS12* p12 = d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size()));
    if (p12 == nullptr) return content;
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* ca = nullptr;
    content.opened = PKCS12_parse(p12, pass, &key, &cert, &ca) == 1;
    content.key.reset(key, EVP_PKEY_free);
    content.cert.reset(cert, X509_free);
    content.extraCerts = ca ? sk_X509_num(ca) : 0;
    sk_X509_pop_free(ca, X509_free);
    PKCS12_free(p12);
    return content;
}

}  // namespace

using EndToEnd = MainDialogWithPromptTest;

TEST_F(EndToEnd, DropChainKeyAndCrlThenWritePkcs12) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.leaf, files.leafKey, files.crl}));
    ChooseForm("PKCS#12");
    ASSERT_TRUE(Enabled(IDOK));
    const std::string out = Text(IDC_OUTPUT_FILE);
    EXPECT_EQ(out, files.dir.file("root.crl.p12").string());

    ScriptedSecretPrompts prompts;
    prompts.answers = {std::string("correct horse")};
    Click(IDOK);
    ASSERT_EQ(prompts.requests.size(), 1u);
    EXPECT_TRUE(prompts.requests[0].confirm);  // a new pass phrase is confirmed
    EXPECT_NE(prompts.requests[0].prompt.find(out), std::string::npos);
    EXPECT_EQ(Text(IDC_LOG).find("correct horse"), std::string::npos);

    const Pkcs12Content content = OpenPkcs12(out, "correct horse");
    ASSERT_TRUE(content.opened);
    ASSERT_TRUE(content.key && content.cert);
    EXPECT_EQ(EVP_PKEY_eq(content.key.get(), files.chain.keys[1].get()), 1);
    EXPECT_EQ(X509_cmp(content.cert.get(), files.chain.certs[1].get()), 0);
    EXPECT_EQ(content.extraCerts, 1);  // the root
    EXPECT_FALSE(OpenPkcs12(out, "wrong").opened);

    const qfix::CommandResult cli =
        qfix::run_command("openssl pkcs12 -info -noout -passin 'pass:correct horse' -in '" + out + "' 2>&1");
    EXPECT_EQ(cli.status, 0) << cli.out;
}

// The files a certificate authority hands out: the whole chain in one PEM file and the key in another.
TEST_F(EndToEnd, DropFullChainAndKeyThenWritePkcs12) {
    qfix::TempDir dir;
    const qfix::Chain chain = qfix::make_chain(3, "Full", /*rsa_leaf=*/true);
    std::string fullchain;
    for (int i : {2, 1, 0}) {
        const qfix::Bytes pem = qfix::pem_of(chain.certs[i].get());
        fullchain.append(pem.begin(), pem.end());
    }
    qfix::write_text(dir.file("fullchain.pem"), fullchain);
    qfix::write_traditional_key(dir.file("privkey.pem"), chain.keys[2].get());
    ASSERT_TRUE(Drop({dir.file("fullchain.pem").string(), dir.file("privkey.pem").string()}));
    ChooseForm("PKCS#12");
    ScriptedSecretPrompts prompts;
    prompts.answers = {std::string("full")};
    Click(IDOK);

    const Pkcs12Content content = OpenPkcs12(Text(IDC_OUTPUT_FILE), "full");
    ASSERT_TRUE(content.opened && content.key && content.cert);
    EXPECT_EQ(EVP_PKEY_eq(content.key.get(), chain.keys[2].get()), 1);
    EXPECT_EQ(X509_cmp(content.cert.get(), chain.certs[2].get()), 0);
    EXPECT_EQ(content.extraCerts, 2);
}

TEST_F(EndToEnd, CancelledPassPhraseWritesNothingAndSaysSo) {
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.leaf, files.leafKey}));
    ChooseForm("PKCS#12");
    const std::string out = Text(IDC_OUTPUT_FILE);
    ScriptedSecretPrompts prompts;  // empty queue: Cancel
    Click(IDOK);
    EXPECT_EQ(prompts.requests.size(), 1u);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_NE(Text(IDC_LOG).find("no pass phrase"), std::string::npos) << Text(IDC_LOG);
}

TEST_F(EndToEnd, EncryptedInputAsksAgainUntilRightOrCancelled) {
    InputFiles files;
    const std::string encrypted = files.dir.file("leaf-key.p8.pem").string();
    WriteEncryptedPkcs8(encrypted, files.chain.keys[1].get(), "right");

    ScriptedSecretPrompts prompts;
    prompts.answers = {std::string("wrong"), std::nullopt};
    ASSERT_TRUE(Drop({encrypted}));
    EXPECT_TRUE(InputList().empty());
    ASSERT_EQ(prompts.requests.size(), 2u);
    EXPECT_FALSE(prompts.requests[0].retry);
    EXPECT_TRUE(prompts.requests[1].retry);
    EXPECT_FALSE(prompts.requests[0].confirm);

    prompts.requests.clear();
    prompts.answers = {std::string("wrong"), std::string("right")};
    ASSERT_TRUE(Drop({encrypted}));
    EXPECT_EQ(InputList(), std::vector<std::string>{encrypted});
    EXPECT_EQ(prompts.requests.size(), 2u);
    EXPECT_TRUE(doc.HasPrivateKey());
}

TEST_F(EndToEnd, BusyCursorWhileReadingAndConvertingNormalOnceDone) {
    // The pass-phrase prompt comes in the middle of reading an encrypted key and of writing PKCS#12:
    // the cursor is looked at there (the prompt's own window shows the normal one).
    InputFiles files;
    const std::string encrypted = files.dir.file("leaf-key.p8.pem").string();
    WriteEncryptedPkcs8(encrypted, files.chain.keys[1].get(), "right");
    std::vector<bool> busy;
    AfxSetSecretPromptHook([&](const SecretPromptRequest&) -> std::optional<std::string> {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        busy.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        return std::string("right");
    });
    ASSERT_TRUE(Drop({files.root, files.leaf, encrypted}));
    ChooseForm("PKCS#12");
    Click(IDOK);
    AfxSetSecretPromptHook({});
    EXPECT_EQ(busy, (std::vector<bool>{true, true}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
