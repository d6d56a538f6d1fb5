// The document's defaults, reset and run-time class, and the availability queries.
#include "chain_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace chain_test;

namespace {

TEST(Document, StartsEmptyWithTheDefaultSettings) {
    CVortlaneDoc doc;
    ASSERT_TRUE(doc.m_pBags);
    EXPECT_EQ(doc.m_pBags->first, nullptr);
    EXPECT_EQ(doc.m_bDerOutput, 1);
    EXPECT_EQ(doc.m_nOutputForm, FORM_CERTIFICATE);
    EXPECT_EQ(doc.m_nDepth, 0);
    EXPECT_EQ(doc.m_nP12Cipher, 10013);
    EXPECT_EQ(doc.m_nPemCipher, 8027);
    EXPECT_EQ(doc.m_nP8Cipher, 9063);
    EXPECT_EQ(doc.IsModified(), FALSE);
}

TEST(Document, NewDocumentEmptiesAndResetsDepthAndEncodingOnly) {
    CVortlaneDoc doc;
    P12_add_cert(doc.m_pBags.get(), MakeCert("CN=Root", "CN=Root"), nullptr, MARK_NONE);
    doc.m_nDepth = 3;
    doc.m_bDerOutput = 0;
    doc.m_nOutputForm = FORM_PKCS8;
    doc.m_nP12Cipher = KX_P12_RC2_40;
    doc.m_nPemCipher = KX_CIPHER_NONE;
    doc.m_nP8Cipher = KX_P5_SHA1_RC2_40;
    EXPECT_EQ(doc.OnNewDocument(), TRUE);
    ASSERT_TRUE(doc.m_pBags);
    EXPECT_EQ(doc.m_pBags->first, nullptr);
    EXPECT_EQ(doc.m_nDepth, 0);
    EXPECT_EQ(doc.m_bDerOutput, 1);
    EXPECT_EQ(doc.m_nOutputForm, FORM_PKCS8);
    EXPECT_EQ(doc.m_nP12Cipher, KX_P12_RC2_40);
    EXPECT_EQ(doc.m_nPemCipher, KX_CIPHER_NONE);
    EXPECT_EQ(doc.m_nP8Cipher, KX_P5_SHA1_RC2_40);
}

TEST(Document, IsCreatableByItsClassName) {
    const CRuntimeClass* cls = CRuntimeClass::FromName("CVortlaneDoc");
    ASSERT_NE(cls, nullptr);
    EXPECT_STREQ(cls->m_lpszClassName, "CVortlaneDoc");
    EXPECT_EQ(cls->m_wSchema, 0xFFFFu);
    EXPECT_TRUE(cls->IsDerivedFrom(RUNTIME_CLASS(CDocument)));
    std::unique_ptr<CObject> made(cls->CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CVortlaneDoc)));
    auto* doc = dynamic_cast<CVortlaneDoc*>(made.get());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->m_nP12Cipher, 10013);
}

TEST(Document, OpeningAMissingFileChangesNothing) {
    CVortlaneDoc doc;
    EXPECT_EQ(doc.OnOpenDocument("/nonexistent/quillon/input.pem"), FALSE);
    EXPECT_EQ(doc.m_pBags->first, nullptr);
}

// The queries answer for the deepest depth the chain found, never for a typed one.
TEST(Document, QueriesLookAtTheDocumentsDepth) {
    CVortlaneDoc doc;
    P12_add_cert(doc.m_pBags.get(), MakeRequest("CN=CA"), nullptr, MARK_NONE);
    P12_add_cert(doc.m_pBags.get(), MakeCert("CN=Leaf", "CN=CA"), nullptr, MARK_NONE);
    P12_add_crl(doc.m_pBags.get(), MakeCrl("CN=CA"), nullptr, MARK_NONE);
    doc.BuildChain(nullptr);
    ASSERT_EQ(doc.m_nDepth, 1);
    EXPECT_EQ(doc.HasCertificate(), 1);
    EXPECT_EQ(doc.HasRequest(), 0);
    EXPECT_EQ(doc.HasCrl(), 1);
    EXPECT_EQ(doc.HasPrivateKey(), 0);
    doc.m_nDepth = 0;  // the request at the top
    EXPECT_EQ(doc.HasCertificate(), 0);
    EXPECT_EQ(doc.HasRequest(), 1);
    EXPECT_EQ(doc.HasCrl(), 0);
    doc.m_nDepth = 256;  // would alias depth 0 by its low byte
    EXPECT_EQ(doc.HasRequest(), 0);
    doc.m_nDepth = 255;  // the "no place" mark is no depth
    EXPECT_EQ(doc.HasCertificate() + doc.HasRequest() + doc.HasCrl() + doc.HasPrivateKey(), 0);
}

}  // namespace
