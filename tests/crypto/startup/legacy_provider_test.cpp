// The legacy provider costs start-up time: a plain conversion must not load it, a legacy cipher must.
// Its own program, so that no other test has loaded the provider first.
#include <gtest/gtest.h>

#include "crypto/kx.h"
#include "crypto/openssl_includes.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

TEST(LegacyProvider, LoadedOnlyWhenALegacyCipherIsNeeded) {
    TempDir dir;
    Pkey key = ec_key();
    write_cert(dir.file("c.pem"), make_self_signed(cn("start"), key).get(), Form::Pem);
    write_p8(dir.file("k.p8"), key.get(), Form::Der);
    {
        KxInput in = input_of(dir.file("c.pem"));
        auto cert = PEM_read_cert(in);
        ASSERT_TRUE(cert);
        KxWriteSettings der;
        der.path = dir.file("c.der").string();
        ASSERT_TRUE(ASN1_write_der(cert->der, der).written);
    }
    auto k = read_path(P8_read_file, dir.file("k.p8"));
    ASSERT_TRUE(k);
    ScriptedPassProvider provider({std::string("pw"), std::string("pw")});
    KxWriteSettings pem;
    pem.pass = provider.source();
    pem.key_cipher = KX_PEM_3DES;
    pem.path = dir.file("k3.pem").string();
    ASSERT_TRUE(PEM_write_ecprv(k.get(), pem).written);
    EXPECT_EQ(OSSL_PROVIDER_available(nullptr, "legacy"), 0);

    pem.key_cipher = KX_PEM_DES;
    pem.path = dir.file("k1.pem").string();
    ASSERT_TRUE(PEM_write_ecprv(k.get(), pem).written);
    EXPECT_EQ(OSSL_PROVIDER_available(nullptr, "legacy"), 1);
}

}  // namespace
