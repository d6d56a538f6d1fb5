// What Convert reports when it finds nothing to write or cannot write: the log line, nothing on disk,
// and a zero result.
#include "chain_records.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace chain_test;
namespace fs = std::filesystem;

namespace {

class OutputFailure : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quillon-doc-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        out_ = (dir_ / "out.bin").string();
        // Root (0) and intermediate (1) with the root's CRL at depth 1; no key.
        P12_add_cert(doc_.m_pBags.get(), MakeCert("CN=Root", "CN=Root"), nullptr, MARK_NONE);
        P12_add_cert(doc_.m_pBags.get(), MakeCert("CN=Inter", "CN=Root"), nullptr, MARK_NONE);
        P12_add_crl(doc_.m_pBags.get(), MakeCrl("CN=Root"), nullptr, MARK_NONE);
        doc_.BuildChain(nullptr);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes with the form and depth; expects nothing written and exactly `line` appended.
    void ExpectFailure(int form, int depth, const std::string& line) {
        doc_.m_nOutputForm = form;
        CString log = "before\r\n";
        EXPECT_EQ(doc_.WriteOutput(out_, depth, &log), 0) << "form " << form << " depth " << depth;
        EXPECT_EQ(log, "before\r\n" + line) << "form " << form << " depth " << depth;
        EXPECT_FALSE(fs::exists(out_)) << "form " << form << " depth " << depth;
    }

    CVortlaneDoc doc_;
    fs::path dir_;
    std::string out_;
};

TEST_F(OutputFailure, MissingBagsNameTheForm) {
    for (int der : {1, 0}) {
        doc_.m_bDerOutput = der;
        ExpectFailure(FORM_CERTIFICATE, 2, "Output Failed ... cannot find Certificate\r\n");
        ExpectFailure(FORM_CRL, 0, "Output Failed ... cannot find CRL\r\n");
        ExpectFailure(FORM_PRIVATE_KEY, 0, "Output Failed ... cannot find Private Key\r\n");
        ExpectFailure(FORM_PKCS12, 0, "Output Failed ... cannot find PKCS#12\r\n");
        ExpectFailure(FORM_PKCS8, 0, "Output Failed ... cannot find PKCS#8\r\n");
        ExpectFailure(FORM_CERTREQ, 0, "Output Failed ... cannot find Certificate Request\r\n");
    }
}

TEST_F(OutputFailure, DepthsTheChainCannotHoldFindNothing) {
    for (int depth : {-1, 8, 9, 10, 255, 256, 257, 1 << 16}) {
        ExpectFailure(FORM_CERTIFICATE, depth, "Output Failed ... cannot find Certificate\r\n");
        ExpectFailure(FORM_CRL, depth, "Output Failed ... cannot find CRL\r\n");
        ExpectFailure(FORM_CERTREQ, depth, "Output Failed ... cannot find Certificate Request\r\n");
    }
}

TEST_F(OutputFailure, KeyBasedFormsIgnoreTheTypedDepth) {
    auto key = std::make_unique<Key>();
    key->type = KEY_OTHER_PRV;
    P12_add_key(doc_.m_pBags.get(), std::move(key), nullptr, 0);  // at depth 0, not the deepest (1)
    for (int depth : {0, 1}) {
        ExpectFailure(FORM_PRIVATE_KEY, depth, "Output Failed ... cannot find Private Key\r\n");
        ExpectFailure(FORM_PKCS12, depth, "Output Failed ... cannot find PKCS#12\r\n");
        ExpectFailure(FORM_PKCS8, depth, "Output Failed ... cannot find PKCS#8\r\n");
    }
}

TEST_F(OutputFailure, KeyWithoutCertificateMakesNoPkcs12) {
    doc_.OnNewDocument();
    auto key = std::make_unique<Key>();
    key->type = KEY_RSA_PRV;
    P12_add_key(doc_.m_pBags.get(), std::move(key), nullptr, MARK_NONE);
    doc_.BuildChain(nullptr);
    ASSERT_EQ(doc_.HasPrivateKey(), 1);
    ExpectFailure(FORM_PKCS12, 0, "Output Failed ... cannot find PKCS#12\r\n");
}

TEST_F(OutputFailure, PrivateKeyOfAnotherKindIsNotWritten) {
    auto key = std::make_unique<Key>();
    key->type = KEY_OTHER_PRV;
    P12_add_key(doc_.m_pBags.get(), std::move(key), nullptr, 1);
    ExpectFailure(FORM_PRIVATE_KEY, 0, "Output Failed ... unsupported key type\r\n");
}

TEST_F(OutputFailure, FormsFindOnlyTheirOwnKindOfCertificate) {
    // A certificate is not written as a request, nor a request as a certificate.
    ExpectFailure(FORM_CERTREQ, 1, "Output Failed ... cannot find Certificate Request\r\n");
    doc_.OnNewDocument();
    P12_add_cert(doc_.m_pBags.get(), MakeRequest("CN=Req"), nullptr, MARK_NONE);
    doc_.BuildChain(nullptr);
    ExpectFailure(FORM_CERTIFICATE, 0, "Output Failed ... cannot find Certificate\r\n");
}

TEST_F(OutputFailure, UnwritableTargetIsReported) {
    const std::string target = (dir_ / "missing-dir" / "out.cer").string();
    doc_.m_nOutputForm = FORM_CERTIFICATE;
    P12_find_bag(doc_.m_pBags.get(), BAG_CERT, 0)->cert()->der = {0x30, 0x03, 0x02, 0x01, 0x01};
    CString log;
    EXPECT_EQ(doc_.WriteOutput(target, 0, &log), 0);
    EXPECT_EQ(log, "Output Failed ... cannot write " + target + " (no such file or directory)\r\n");
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(OutputFailure, UnknownFormWritesAndSaysNothing) {
    ExpectFailure(7, 0, "");
    ExpectFailure(-1, 0, "");
}

}  // namespace
