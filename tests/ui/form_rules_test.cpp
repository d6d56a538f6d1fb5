// The output-form rules through the form list: enabled options, the cipher shown checked, the
// output name's extension and the Convert button, form by form.
#include <string>

#include "input_files.h"
#include "main_dialog_fixture.h"

namespace {

struct FormRow {
    const char* form;
    int index;
    bool encoding;
    bool cipher;
    bool depth;
    std::vector<int> ciphersEnabled;
    int shownAtStart;         // the cipher button checked right after choosing the form
    bool convertWithChain;    // root, leaf, leaf key and root CRL dropped
    bool convertWithRequest;  // a lone request dropped
};

// The shown cipher is the one the document will use: at start 3DES (192Bit) for PrivateKey and
// PKCS#12, DES (64Bit) for PKCS#8; the other forms leave the check where it was.
const FormRow kForms[] = {
    {"Certificate", 0, true, false, true, {}, IDC_DES64, true, false},
    {"CRL", 1, true, false, true, {}, IDC_DES64, true, false},
    {"PrivateKey", 2, false, true, false, {IDC_DES64, IDC_3DES192, IDC_NO_ENCRYPT}, IDC_3DES192, true, false},
    {"PKCS#12", 3, false, true, false, {IDC_3DES128, IDC_3DES192, IDC_RC2_40, IDC_RC2_128}, IDC_3DES192, true, false},
    {"PKCS#7", 4, true, false, false, {}, IDC_DES64, true, false},
    {"PKCS#8", 5, true, true, false, {IDC_DES64, IDC_RC2_40, IDC_NO_ENCRYPT}, IDC_DES64, true, false},
    {"CertReq", 6, true, false, false, {}, IDC_DES64, false, true},
};

void PrintTo(const FormRow& row, std::ostream* os) { *os << row.form; }

}  // namespace

class FormRules : public MainDialogTest, public ::testing::WithParamInterface<FormRow> {};

TEST_P(FormRules, EnableTheOptionsOfTheForm) {
    const FormRow& row = GetParam();
    if (std::string(row.form) == "Certificate") ChooseForm("CRL");  // a change is needed to select it
    ChooseForm(row.form);
    EXPECT_EQ(doc.m_nOutputForm, row.index);
    for (int id : {IDC_DER, IDC_PEM, IDC_FORM_GROUP}) EXPECT_EQ(Enabled(id), row.encoding) << id;
    EXPECT_EQ(Enabled(IDC_CRYPT_GROUP), row.cipher);
    EXPECT_EQ(Enabled(IDC_DEPTH), row.depth);
    EXPECT_EQ(Enabled(IDC_DEPTH_LABEL), row.depth);
    for (int id : kCipherIds) {
        const bool want =
            std::find(row.ciphersEnabled.begin(), row.ciphersEnabled.end(), id) != row.ciphersEnabled.end();
        EXPECT_EQ(Enabled(id), want) << id;
    }
    EXPECT_EQ(CheckedOf(kCipherIds), row.shownAtStart);
    EXPECT_FALSE(Enabled(IDOK));  // nothing read yet
}

TEST_P(FormRules, OfferConvertOnlyWhenTheDocumentHoldsWhatTheFormNeeds) {
    const FormRow& row = GetParam();
    InputFiles files;
    ASSERT_TRUE(Drop({files.root, files.leaf, files.leafKey, files.crl}));
    if (std::string(row.form) == "Certificate") ChooseForm("CRL");
    ChooseForm(row.form);
    EXPECT_EQ(Enabled(IDOK), row.convertWithChain);

    Click(IDC_CLEAR);
    ASSERT_TRUE(Drop({files.request}));
    EXPECT_EQ(Enabled(IDOK), row.convertWithRequest);
}

INSTANTIATE_TEST_SUITE_P(EachForm, FormRules, ::testing::ValuesIn(kForms), [](const auto& info) {
    std::string name = info.param.form;
    std::erase(name, '#');
    return name;
});

TEST_F(MainDialogTest, ShownCipherFollowsTheDocumentsIdentifiers) {
    ChooseForm("PKCS#8");
    Click(IDC_NO_ENCRYPT);  // PKCS#8 scheme and PEM cipher both 0
    ChooseForm("PKCS#12");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_3DES192);
    ChooseForm("PrivateKey");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_NO_ENCRYPT);
    ChooseForm("PKCS#8");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_NO_ENCRYPT);

    ChooseForm("PKCS#12");
    Click(IDC_RC2_40);  // PKCS#12 key bag and PKCS#8 scheme
    ChooseForm("PKCS#8");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_RC2_40);
    ChooseForm("PKCS#12");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_RC2_40);
    Click(IDC_3DES128);
    ChooseForm("PrivateKey");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_NO_ENCRYPT);
    ChooseForm("PKCS#12");
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_3DES128);
}

struct CipherRow {
    int button;
    int p12, pem, p8;  // -1: left as it was
};

TEST_F(MainDialogTest, EachCipherButtonStoresItsIdentifiers) {
    const CipherRow rows[] = {
        {IDC_DES64, -1, 5007, 9063},   {IDC_3DES128, 10014, -1, -1}, {IDC_3DES192, 10013, 8027, -1},
        {IDC_RC2_40, 10016, -1, 9064}, {IDC_RC2_128, 10015, -1, -1}, {IDC_NO_ENCRYPT, -1, 0, 0},
    };
    for (const CipherRow& row : rows) {
        SCOPED_TRACE(row.button);
        doc.m_nP12Cipher = 1;
        doc.m_nPemCipher = 2;
        doc.m_nP8Cipher = 3;
        dlg->GetDlgItem(row.button)->EnableWindow(TRUE);
        Click(row.button);
        EXPECT_EQ(doc.m_nP12Cipher, row.p12 < 0 ? 1 : row.p12);
        EXPECT_EQ(doc.m_nPemCipher, row.pem < 0 ? 2 : row.pem);
        EXPECT_EQ(doc.m_nP8Cipher, row.p8 < 0 ? 3 : row.p8);
    }
}

struct NameRow {
    std::string typed;
    const char* form;
    std::string expected;
};

TEST_F(MainDialogTest, ChangingTheFormGivesTheOutputNameItsExtension) {
    const std::string longDir = "/tmp/" + std::string(300, 'd') + "/";
    const NameRow rows[] = {
        {R"(C:\certs\ca.pem)", "PKCS#8", R"(C:\certs\ca.crtx)"},
        {R"(C:\certs\ca.crtx)", "PKCS#12", R"(C:\certs\ca.crtx.p12)"},
        {R"(C:\certs\key.p8)", "CRL", R"(C:\certs\key.p8.crl)"},
        {R"(C:\certs\cert)", "CRL", R"(C:\certs\cert.crl)"},
        {R"(C:\rel.2\x)", "CRL", R"(C:\rel.crl)"},
        {"ab", "CertReq", "ab.req"},
        {"", "PKCS#7", ""},
        // Longer than any fixed buffer: nothing is cut.
        {longDir + "ca.pem", "PKCS#7", longDir + "ca.p7b"},
    };
    for (const NameRow& row : rows) {
        SCOPED_TRACE(row.typed + " -> " + row.form);
        ChooseForm("Certificate");
        SetOutputFileText(row.typed.c_str());
        ChooseForm(row.form);
        EXPECT_EQ(Text(IDC_OUTPUT_FILE), row.expected);
        EXPECT_EQ(dlg->m_strOutFile, row.expected);
    }
    // A typed name gains an extension, the next change replaces it, after ".crtx" it appends.
    ChooseForm("Certificate");
    SetOutputFileText("name");
    ChooseForm("PKCS#8");
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "name.crtx");
    ChooseForm("CRL");
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "name.crtx.crl");
    ChooseForm("PKCS#12");
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "name.crtx.p12");
}
