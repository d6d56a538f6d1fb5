// PKCS#12 certificate and CRL bags packed straight from stored DER must be the very bags OpenSSL makes
// from the parsed objects, byte for byte, and must give the objects back.
#include <gtest/gtest.h>

#include "crypto/openssl_includes.h"
#include "crypto/writer_common_internal.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

Bytes bag_der(PKCS12_SAFEBAG* bag) {
    unsigned char* out = nullptr;
    const int len = i2d_PKCS12_SAFEBAG(bag, &out);
    Bytes bytes = len > 0 ? Bytes(out, out + len) : Bytes{};
    OPENSSL_free(out);
    return bytes;
}

TEST(P12DerBags, CertificateBagsEqualOpenSslsAndGiveTheCertificateBack) {
    Chain chain = make_chain(3, "Bag", true);
    for (const CertPtr& cert : chain.certs) {
        const Bytes der = der_of(cert.get());
        PKCS12_SAFEBAG* ours = kx::der_safebag(der, NID_x509Certificate, NID_certBag);
        PKCS12_SAFEBAG* theirs = PKCS12_SAFEBAG_create_cert(cert.get());
        ASSERT_TRUE(ours && theirs);
        EXPECT_EQ(bag_der(ours), bag_der(theirs));
        EXPECT_EQ(PKCS12_SAFEBAG_get_nid(ours), NID_certBag);
        X509* back = PKCS12_SAFEBAG_get1_cert(ours);
        ASSERT_TRUE(back);
        EXPECT_EQ(der_of(back), der);
        X509_free(back);
        PKCS12_SAFEBAG_free(ours);
        PKCS12_SAFEBAG_free(theirs);
    }
}

TEST(P12DerBags, CrlBagsEqualOpenSslsAndGiveTheCrlBack) {
    Pkey key = ec_key();
    for (const std::vector<long>& revoked : {std::vector<long>{}, std::vector<long>{1, 2, 3, 70000}}) {
        CrlPtr crl = make_crl(cn("Bag CA"), key, revoked);
        const Bytes der = der_of(crl.get());
        PKCS12_SAFEBAG* ours = kx::der_safebag(der, NID_x509Crl, NID_crlBag);
        PKCS12_SAFEBAG* theirs = PKCS12_SAFEBAG_create_crl(crl.get());
        ASSERT_TRUE(ours && theirs);
        EXPECT_EQ(bag_der(ours), bag_der(theirs));
        X509_CRL* back = PKCS12_SAFEBAG_get1_crl(ours);
        ASSERT_TRUE(back);
        EXPECT_EQ(der_of(back), der);
        X509_CRL_free(back);
        PKCS12_SAFEBAG_free(ours);
        PKCS12_SAFEBAG_free(theirs);
    }
}

TEST(P12DerBags, NoBagFromNothing) { EXPECT_EQ(kx::der_safebag({}, NID_x509Certificate, NID_certBag), nullptr); }

}  // namespace
