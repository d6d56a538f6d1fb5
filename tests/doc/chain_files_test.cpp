// Reading real files into the document and arranging them: the worked example, keys, bundles.
#include "example_chain.h"

#include "chain_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace doc_test;
using chain_test::MarkOf;

namespace {

std::string Check(int type) { return "++Check One PKCS#12Bag, type=" + std::to_string(type) + "\r\n"; }

TEST(ChainFromFiles, SixInputsGiveTheExpectedLogAndMarks) {
    qfix::TempDir dir;
    qfix::SampleFiles files(dir);
    CVortlaneDoc doc;
    CString log;
    for (const auto& path : {files.leaf, files.intermediate, files.root, files.crl, files.key, files.unrelated})
        ASSERT_TRUE(Arrive(doc, path, &log)) << path;
    EXPECT_EQ(log, Check(11003) + Check(11003) + Check(11003) + Check(11004) + Check(11002) + Check(11003) + "TOP - " +
                       kRootDn + " --0\r\n" + "UCERT - " + kInterDn + " --1\r\n" + "UCERT - " + kLeafDn + " --2\r\n" +
                       "CRL -- 2\r\n"
                       "Private Key -- 2\r\n"
                       "--Clean One PKCS#12Bag, type=11003\r\n");
    EXPECT_EQ(doc.m_nDepth, 2);
    EXPECT_EQ(MarkOf(doc, kRootDn), 0);
    EXPECT_EQ(MarkOf(doc, kInterDn), 1);
    EXPECT_EQ(MarkOf(doc, kLeafDn), 2);
    const P12Bag* key = P12_find_bag(doc.m_pBags.get(), BAG_KEY, 2);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->key()->type, KEY_RSA_PRV);
    // The key carries the name of its certificate.
    EXPECT_EQ(key->friendly_name, P12_find_bag(doc.m_pBags.get(), BAG_CERT, 2)->friendly_name);
    EXPECT_EQ(doc.HasCertificate() + doc.HasCrl() + doc.HasPrivateKey(), 3);
    EXPECT_EQ(doc.HasRequest(), 0);
}

TEST(ChainFromFiles, KeyMatchingOnlyAHigherCertificateIsCleaned) {
    qfix::TempDir dir;
    qfix::SampleFiles files(dir);
    qfix::write_p8(dir.file("inter.p8"), files.chain.keys[1].get(), qfix::Form::Der);
    CVortlaneDoc doc;
    CString log;
    for (const auto& path : {files.root, files.intermediate, files.leaf, dir.file("inter.p8")})
        ASSERT_TRUE(Arrive(doc, path, &log));
    EXPECT_TRUE(log.ends_with("--Clean One PKCS#12Bag, type=11002\r\n")) << log;
    EXPECT_EQ(doc.HasPrivateKey(), 0);
}

TEST(ChainFromFiles, LoneCertificateKeepsOnlyItsOwnKey) {
    qfix::TempDir dir;
    qfix::SampleFiles files(dir);
    qfix::write_p8(dir.file("other.p8"), files.unrelatedKey.get(), qfix::Form::Pem);
    CVortlaneDoc doc;
    CString log;
    ASSERT_TRUE(Arrive(doc, files.leaf, &log));
    ASSERT_TRUE(Arrive(doc, dir.file("other.p8"), &log));  // a foreign key: cleaned at once
    EXPECT_EQ(doc.HasPrivateKey(), 0);
    ASSERT_TRUE(Arrive(doc, files.key, &log));
    EXPECT_EQ(doc.HasPrivateKey(), 1);
    EXPECT_EQ(log, Check(11003) + Check(11002) + "TOP - " + kLeafDn + " --0\r\nPrivate Key -- 0\r\n");
}

TEST(ChainFromFiles, OnlyKeysKeepTheFirst) {
    qfix::TempDir dir;
    qfix::SampleFiles files(dir);
    qfix::write_p8(dir.file("other.p8"), files.unrelatedKey.get(), qfix::Form::Der);
    CVortlaneDoc doc;
    CString log;
    ASSERT_TRUE(Arrive(doc, files.key, &log));
    ASSERT_TRUE(Arrive(doc, dir.file("other.p8"), &log));
    EXPECT_EQ(log, Check(11002) + Check(11002) + "--Clean One PKCS#12Bag, type=11002\r\n");
    const P12Bag* key = P12_find_bag(doc.m_pBags.get(), BAG_KEY, 0);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->key()->type, KEY_RSA_PRV);
}

// Every order of the three certificates inside one bundle gives the same chain.
TEST(ChainFromFiles, BundlesInEveryOrderGiveTheSameChain) {
    qfix::TempDir dir;
    qfix::SampleFiles files(dir);
    std::array<int, 3> order{0, 1, 2};
    do {
        std::vector<qfix::CertPtr> certs;
        for (int i : order) certs.push_back(files.chain.certs[i]);
        const auto p7 = dir.file("bundle.p7b"), p7pem = dir.file("bundle.p7.pem"), p12 = dir.file("bundle.p12");
        qfix::write_p7(p7, certs, {files.crlList}, qfix::Form::Der);
        qfix::write_p7(p7pem, certs, {}, qfix::Form::Pem);
        qfix::P12Options options;
        options.pass = "";
        qfix::write_p12(p12, nullptr, nullptr, certs, options);
        for (const auto& path : {p7, p7pem, p12}) {
            CVortlaneDoc doc;
            CString log;
            ASSERT_TRUE(Arrive(doc, path, &log)) << path;
            EXPECT_EQ(MarkOf(doc, kRootDn), 0) << path;
            EXPECT_EQ(MarkOf(doc, kInterDn), 1) << path;
            EXPECT_EQ(MarkOf(doc, kLeafDn), 2) << path;
            EXPECT_EQ(doc.m_nDepth, 2);
            EXPECT_NE(log.find("TOP - " + kRootDn + " --0\r\n"), std::string::npos) << log;
        }
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(ChainFromFiles, Pkcs12WithKeyAttachesIt) {
    qfix::TempDir dir;
    qfix::SampleFiles files(dir);
    qfix::ScriptedPassProvider pass({"secret", "secret"});
    qfix::write_p12(dir.file("user.p12"), files.chain.keys[2].get(), files.chain.certs[2].get(),
                    {files.chain.certs[0], files.chain.certs[1]});
    CVortlaneDoc doc;
    doc.m_passSource = pass.source();
    CString log;
    ASSERT_TRUE(Arrive(doc, dir.file("user.p12"), &log));
    EXPECT_EQ(doc.m_nDepth, 2);
    EXPECT_EQ(doc.HasPrivateKey(), 1);
    EXPECT_NE(log.find("Private Key -- 2\r\n"), std::string::npos) << log;
}

}  // namespace

// An issuer name links to a subject as X.509 compares names, not by their text; the log still prints
// each certificate's own text. The CRL is issued under the same spelling as the certificate.
TEST(ChainFromFiles, IssuerNamesMatchAsX509ComparesThem) {
    using qfix::Name;
    const Name ca = {{"O", "Quillon Tests"}, {"CN", "Name Root"}};
    struct Row {
        const char* what;
        Name issuer;  // as the leaf and the CRL spell the CA's name
        bool links;
    } rows[] = {
        {"same text", ca, true},
        {"letter case", {{"O", "QUILLON tests"}, {"CN", "name root"}}, true},
        {"runs of white space", {{"O", "  Quillon   Tests "}, {"CN", "Name  Root"}}, true},
        {"PrintableString", {{"O/printable", "Quillon Tests"}, {"CN/printable", "Name Root"}}, true},
        {"other value", {{"O", "Quillon Tests"}, {"CN", "Name Root 2"}}, false},
        {"other order", {{"CN", "Name Root"}, {"O", "Quillon Tests"}}, false},
    };
    qfix::TempDir dir;
    const qfix::Pkey caKey = qfix::ec_key(), leafKey = qfix::ec_key();
    qfix::write_cert(dir.file("ca.pem"), qfix::make_self_signed(ca, caKey).get(), qfix::Form::Pem);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        qfix::write_cert(dir.file("leaf.pem"), qfix::make_cert(qfix::cn("Name Leaf"), leafKey, row.issuer, caKey).get(),
                         qfix::Form::Pem);
        qfix::write_crl(dir.file("ca.crl"), qfix::make_crl(row.issuer, caKey).get(), qfix::Form::Pem);
        CVortlaneDoc doc;
        CString log;
        for (const char* name : {"ca.pem", "leaf.pem", "ca.crl"}) ASSERT_TRUE(Arrive(doc, dir.file(name), &log));
        EXPECT_EQ(MarkOf(doc, "CN=Name Leaf"), row.links ? 1 : -1);
        EXPECT_EQ(doc.HasCrl(), row.links ? 1 : 0);
        EXPECT_EQ(log.find("UCERT - CN=Name Leaf --1\r\n") != std::string::npos, row.links) << log;
        EXPECT_NE(log.find("TOP - O=Quillon Tests, CN=Name Root --0\r\n"), std::string::npos) << log;
    }
    // A self-signed certificate whose issuer differs from its subject only in spelling is still
    // self-signed: it is the top and never its own child.
    const Name spelled = {{"O", "quillon tests"}, {"CN", "NAME ROOT"}};
    qfix::write_cert(dir.file("self.pem"), qfix::make_cert(ca, caKey, spelled, caKey).get(), qfix::Form::Pem);
    CVortlaneDoc doc;
    CString log;
    ASSERT_TRUE(Arrive(doc, dir.file("self.pem"), &log));
    EXPECT_EQ(log, Check(11003) + "TOP - O=Quillon Tests, CN=Name Root --0\r\n");
}
