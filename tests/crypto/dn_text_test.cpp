// DN text must be what the openssl command line prints with the name options we document, so users
// can compare the log with `openssl x509 -subject` output.
#include <gtest/gtest.h>

#include "crypto/kx.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

TEST(DnText, MatchesOpensslCommandLine) {
    const Name names[] = {
        {{"C", "JP"}, {"O", "Example, Inc."}, {"CN", "日本語"}},
        {{"CN", "plain"}},
        {{"C", "DE"}, {"ST", "Baden-Württemberg"}, {"L", "Stuttgart"}, {"OU", "a+b;c<d>e\"f\\g=h"}},
        {{"CN", " leading and trailing "}, {"O", "#hash"}},
        {{"CN", std::string("tab\there\x01")}},
        {{"emailAddress", "someone@example.com"}, {"serialNumber", "1234"}},
    };
    TempDir dir;
    Pkey key = ec_key();
    int i = 0;
    for (const auto& name : names) {
        CertPtr cert = make_self_signed(name, key);
        auto pem = dir.file("c" + std::to_string(i++) + ".pem");
        write_cert(pem, cert.get(), Form::Pem);
        auto record = read_path(PEM_read_cert, pem);
        ASSERT_TRUE(record);
        std::string expected = openssl_cli_subject(pem);
        EXPECT_EQ(record->subject, expected);
        EXPECT_EQ(record->issuer.value_or("<none>"), expected);
    }
}

TEST(DnText, ExampleFromTheDocumentation) {
    Pkey key = ec_key();
    auto record =
        ASN1_read_cert(der_of(make_self_signed({{"C", "JP"}, {"O", "Example, Inc."}, {"CN", "日本語"}}, key).get()));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->subject, "C=JP, O=Example\\, Inc., CN=日本語");
}

TEST(DnText, CrlIssuerAndRequestSubject) {
    Pkey key = ec_key();
    Name name = {{"O", "Org, Ltd"}, {"CN", "Issuer"}};
    auto crl = ASN1_read_crl(der_of(make_crl(name, key, {1, 2, 3}).get()));
    ASSERT_TRUE(crl);
    EXPECT_EQ(crl->issuer, "O=Org\\, Ltd, CN=Issuer");
    auto req = ASN1_read_req(der_of(make_req(name, key).get()));
    ASSERT_TRUE(req);
    EXPECT_EQ(req->subject, "O=Org\\, Ltd, CN=Issuer");
    EXPECT_FALSE(req->issuer.has_value());
}

}  // namespace
