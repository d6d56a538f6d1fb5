// Which files the document takes and what each adds to the container.
#include "example_chain.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<int> BagTypes(const CVortlaneDoc& doc) {
    std::vector<int> types;
    for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get()) types.push_back(bag->type);
    return types;
}

struct InputCase {
    const char* what;
    std::function<void(const fs::path&)> make;
    std::vector<int> bags;  // empty: refused
    int keyType = 0;        // for a single key bag
};

class DocumentReading : public ::testing::TestWithParam<InputCase> {};

TEST_P(DocumentReading, AddsWhatTheFileHolds) {
    const InputCase& c = GetParam();
    qfix::TempDir dir;
    const fs::path path = dir.file("input");
    c.make(path);
    qfix::ScriptedPassProvider pass({"secret", "secret"});
    CVortlaneDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(path.c_str()), c.bags.empty() ? FALSE : TRUE) << c.what;
    EXPECT_EQ(BagTypes(doc), c.bags) << c.what;
    for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get())
        EXPECT_EQ(bag->mark, MARK_NONE) << c.what;
    if (c.keyType) {
        ASSERT_NE(doc.m_pBags->first, nullptr);
        EXPECT_EQ(doc.m_pBags->first->key()->type, c.keyType) << c.what;
    }
}

qfix::Chain& Example() {
    static qfix::Chain chain = qfix::make_chain(2, "Read", /*rsa_leaf=*/true);
    return chain;
}
X509* Leaf() { return Example().certs[1].get(); }
EVP_PKEY* LeafKey() { return Example().keys[1].get(); }
qfix::CrlPtr Crl() { return qfix::make_crl(Example().names[0], Example().keys[0]); }
qfix::ReqPtr Req() { return qfix::make_req(qfix::cn("Request"), Example().keys[1]); }

const std::vector<int> kCert{BAG_CERT}, kCrl{BAG_CRL}, kKey{BAG_KEY};

INSTANTIATE_TEST_SUITE_P(
    EveryKind, DocumentReading,
    ::testing::Values(
        InputCase{"PEM certificate", [](const fs::path& p) { qfix::write_cert(p, Leaf(), qfix::Form::Pem); }, kCert},
        InputCase{"DER certificate", [](const fs::path& p) { qfix::write_cert(p, Leaf(), qfix::Form::Der); }, kCert},
        InputCase{"PEM CRL", [](const fs::path& p) { qfix::write_crl(p, Crl().get(), qfix::Form::Pem); }, kCrl},
        InputCase{"DER CRL", [](const fs::path& p) { qfix::write_crl(p, Crl().get(), qfix::Form::Der); }, kCrl},
        InputCase{"PEM request", [](const fs::path& p) { qfix::write_req(p, Req().get(), qfix::Form::Pem); }, kCert},
        InputCase{"DER request", [](const fs::path& p) { qfix::write_req(p, Req().get(), qfix::Form::Der); }, kCert},
        InputCase{"PEM RSA key", [](const fs::path& p) { qfix::write_traditional_key(p, LeafKey()); }, kKey,
                  KEY_RSA_PRV},
        InputCase{"encrypted PEM RSA key",
                  [](const fs::path& p) { qfix::write_traditional_key(p, LeafKey(), "DES-EDE3-CBC", "secret"); }, kKey,
                  KEY_RSA_PRV},
        InputCase{"PEM DSA key", [](const fs::path& p) { qfix::write_traditional_key(p, qfix::dsa_key().get()); },
                  kKey, KEY_DSA_PRV},
        InputCase{"DER DSA key", [](const fs::path& p) { qfix::write_dsa_der(p, qfix::dsa_key().get()); }, kKey,
                  KEY_DSA_PRV},
        InputCase{"PEM EC key", [](const fs::path& p) { qfix::write_traditional_key(p, qfix::ec_key().get()); },
                  kKey, KEY_EC_PRV},
        InputCase{"PEM PKCS#8", [](const fs::path& p) { qfix::write_p8(p, LeafKey(), qfix::Form::Pem); }, kKey,
                  KEY_RSA_PRV},
        InputCase{"DER PKCS#8", [](const fs::path& p) { qfix::write_p8(p, qfix::ec_key().get(), qfix::Form::Der); },
                  kKey, KEY_EC_PRV},
        InputCase{"encrypted PEM PKCS#8",
                  [](const fs::path& p) {
                      qfix::write_p8_encrypted(p, LeafKey(), "secret", qfix::Form::Pem, NID_pbeWithMD5AndDES_CBC);
                  },
                  kKey, KEY_RSA_PRV},
        InputCase{"encrypted DER PKCS#8",
                  [](const fs::path& p) {
                      qfix::write_p8_encrypted(p, LeafKey(), "secret", qfix::Form::Der, -1, "AES-256-CBC");
                  },
                  kKey, KEY_RSA_PRV},
        InputCase{"PEM PKCS#7",
                  [](const fs::path& p) { qfix::write_p7(p, Example().certs, {Crl()}, qfix::Form::Pem); },
                  {BAG_CERT, BAG_CERT, BAG_CRL}},
        InputCase{"DER PKCS#7",
                  [](const fs::path& p) { qfix::write_p7(p, Example().certs, {}, qfix::Form::Der); },
                  {BAG_CERT, BAG_CERT}},
        InputCase{"PKCS#12",
                  [](const fs::path& p) { qfix::write_p12(p, LeafKey(), Leaf(), {Example().certs[0]}); },
                  {BAG_CERT, BAG_CERT, BAG_KEY}},
        // The first reader that accepts decides: a certificate followed by a key is a certificate.
        InputCase{"PEM certificate and key",
                  [](const fs::path& p) {
                      std::string text(reinterpret_cast<const char*>(qfix::pem_of(Leaf()).data()),
                                       qfix::pem_of(Leaf()).size());
                      qfix::write_traditional_key(p, LeafKey());
                      const qfix::Bytes key = qfix::read_bytes(p);
                      text.append(key.begin(), key.end());
                      qfix::write_text(p, text);
                  },
                  kCert},
        // There is no reader for a bare DER RSA key.
        InputCase{"DER RSA key",
                  [](const fs::path& p) {
                      unsigned char* der = nullptr;
                      const int n = i2d_PrivateKey(LeafKey(), &der);
                      qfix::write_bytes(p, qfix::Bytes(der, der + n));
                      OPENSSL_free(der);
                  },
                  {}},
        InputCase{"text", [](const fs::path& p) { qfix::write_text(p, "not a key file\n"); }, {}},
        InputCase{"empty file", [](const fs::path& p) { qfix::write_text(p, ""); }, {}}));

TEST(DocumentReadingTwice, SameFileTwiceAddsTwoBags) {
    qfix::TempDir dir;
    qfix::write_cert(dir.file("a.pem"), Leaf(), qfix::Form::Pem);
    CVortlaneDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument(dir.file("a.pem").c_str()));
    EXPECT_TRUE(doc.OnOpenDocument(dir.file("a.pem").c_str()));
    EXPECT_EQ(BagTypes(doc), (std::vector<int>{BAG_CERT, BAG_CERT}));
}

TEST(DocumentReadingTwice, RefusedFileLeavesTheContainerAsItWas) {
    qfix::TempDir dir;
    qfix::write_cert(dir.file("a.pem"), Leaf(), qfix::Form::Pem);
    qfix::write_text(dir.file("b.txt"), "-----BEGIN NOTHING-----\n-----END NOTHING-----\n");
    CVortlaneDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(dir.file("a.pem").c_str()));
    EXPECT_FALSE(doc.OnOpenDocument(dir.file("b.txt").c_str()));
    EXPECT_FALSE(doc.OnOpenDocument(dir.path().c_str()));  // a folder
    EXPECT_EQ(BagTypes(doc), (std::vector<int>{BAG_CERT}));
}

}  // namespace
