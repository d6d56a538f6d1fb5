#include "doc/output_name.h"
#include "doc/output_forms.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
    const char* name;
    const char* form;
    const char* expected;
};

class DeriveOutputFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DeriveOutputFileNameTest, DerivesFromTheFourthCharacterFromTheEnd) {
    const NameCase& c = GetParam();
    EXPECT_EQ(DeriveOutputFileName(c.name, c.form), c.expected) << c.name << " as " << c.form;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeriveOutputFileNameTest,
    ::testing::Values(
        // A short old extension is replaced, for every form.
        NameCase{R"(C:\certs\ca.pem)", "Certificate", R"(C:\certs\ca.cer)"},
        NameCase{"/certs/ca.pem", "Certificate", "/certs/ca.cer"}, NameCase{"/certs/ca.pem", "CRL", "/certs/ca.crl"},
        NameCase{"/certs/ca.pem", "PrivateKey", "/certs/ca.key"}, NameCase{"/certs/ca.pem", "PKCS#12", "/certs/ca.p12"},
        NameCase{"/certs/ca.pem", "PKCS#7", "/certs/ca.p7b"},
        NameCase{R"(C:\certs\ca.pem)", "PKCS#8", R"(C:\certs\ca.crtx)"},
        NameCase{"/certs/ca.pem", "CertReq", "/certs/ca.req"},
        // The five-character ".crtx" is not recognised as an extension: the next one is appended.
        NameCase{R"(C:\certs\ca.crtx)", "PKCS#12", R"(C:\certs\ca.crtx.p12)"},
        NameCase{"/certs/ca.crtx", "PKCS#12", "/certs/ca.crtx.p12"},
        // Anything but a dot at that one position gains the extension.
        NameCase{R"(C:\certs\key.p8)", "Certificate", R"(C:\certs\key.p8.cer)"},
        NameCase{R"(C:\certs\cert)", "Certificate", R"(C:\certs\cert.cer)"},
        NameCase{"certs/cert", "Certificate", "certs/cert.cer"},
        // The dot may lie in a directory name: the last four characters go all the same.
        NameCase{R"(C:\rel.2\x)", "Certificate", R"(C:\rel.cer)"}, NameCase{"/rel.2/x", "Certificate", "/rel.cer"},
        // One to three characters, and exactly four.
        NameCase{"a", "Certificate", "a.cer"}, NameCase{"ab", "CRL", "ab.crl"},
        NameCase{"a.b", "Certificate", "a.b.cer"}, NameCase{".pem", "Certificate", ".cer"},
        NameCase{"abcd", "Certificate", "abcd.cer"},
        // An empty name stays empty.
        NameCase{"", "Certificate", ""},
        // No form matched: the extension is empty, so a short one is cut off or nothing changes.
        NameCase{"/certs/ca.pem", "", "/certs/ca"}, NameCase{"/certs/ca.pem", "certificate", "/certs/ca"},
        NameCase{"/certs/cert", "pkcs#12", "/certs/cert"}));

TEST(DeriveOutputFileName, RepeatedChangesOfFormReplaceUntilCrtxIsSet) {
    std::string name = "/tmp/typed";
    name = DeriveOutputFileName(name, "CRL");
    EXPECT_EQ(name, "/tmp/typed.crl");
    name = DeriveOutputFileName(name, "PKCS#12");
    EXPECT_EQ(name, "/tmp/typed.p12");
    name = DeriveOutputFileName(name, "PKCS#8");
    EXPECT_EQ(name, "/tmp/typed.crtx");
    name = DeriveOutputFileName(name, "Certificate");
    EXPECT_EQ(name, "/tmp/typed.crtx.cer");
}

TEST(DeriveOutputFileName, LongNamesAreDerivedInFull) {
    for (size_t length : {250u, 251u, 252u, 255u, 256u, 259u, 4096u}) {
        const std::string stem(length, 'n');
        EXPECT_EQ(DeriveOutputFileName(stem + ".pem", "PKCS#8"), stem + ".crtx") << length;
        EXPECT_EQ(DeriveOutputFileName(stem, "PKCS#8"), stem + ".crtx") << length;
    }
}

TEST(OutputForms, IndexesAndExtensionsFollowTheFormList) {
    const char* names[7] = {"Certificate", "CRL", "PrivateKey", "PKCS#12", "PKCS#7", "PKCS#8", "CertReq"};
    const char* extensions[7] = {".cer", ".crl", ".key", ".p12", ".p7b", ".crtx", ".req"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(kOutputFormRules[i].form, i);
        EXPECT_EQ(OutputFormIndex(names[i]), i);
        EXPECT_EQ(OutputExtensionForForm(names[i]), extensions[i]);
    }
    for (const char* notAForm : {"", "certificate", "CERTIFICATE", "PKCS#12 ", "Certificate\n", "pkcs#7", "Key"}) {
        EXPECT_EQ(OutputFormIndex(notAForm), -1) << notAForm;
        EXPECT_EQ(OutputExtensionForForm(notAForm), "") << notAForm;
    }
}

}  // namespace
