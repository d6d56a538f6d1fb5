// Pass phrases for inputs: asked only for encrypted kinds, asked again after a wrong one (saying so),
// and a cancelled prompt reads nothing, with the reason kept for the command line.
#include <gtest/gtest.h>

#include "crypto/kx.h"
#include "crypto/kx_pkcs7.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

struct Encrypted {
    std::string label;
    std::function<void(const std::filesystem::path&)> make;
    std::function<bool(KxInput&)> read;
};

std::vector<Encrypted> encrypted_kinds() {
    Pkey rsa = rsa_key(0);
    CertPtr cert = make_self_signed(cn("pass"), rsa);
    P12Options o;
    o.pass = "right";
    return {
        {"traditional pem", [=](auto p) { write_traditional_key(p, rsa.get(), "DES-EDE3-CBC", "right"); },
         [](KxInput& in) { return PEM_read_rsaprv(in) != nullptr; }},
        {"pkcs8 pem", [=](auto p) { write_p8_encrypted(p, rsa.get(), "right", Form::Pem, -1, "AES-128-CBC"); },
         [](KxInput& in) { return PEM_read_p8enc(in) != nullptr; }},
        {"pkcs8 der", [=](auto p) { write_p8_encrypted(p, rsa.get(), "right", Form::Der, NID_pbeWithMD5AndDES_CBC); },
         [](KxInput& in) { return P8enc_read_file(in) != nullptr; }},
        {"pkcs12", [=](auto p) { write_p12(p, rsa.get(), cert.get(), {}, o); },
         [](KxInput& in) { return P12_read_file(in) != nullptr; }},
    };
}

TEST(InputPassPhrase, WrongIsAskedAgainThenRight) {
    TempDir dir;
    for (const auto& kind : encrypted_kinds()) {
        SCOPED_TRACE(kind.label);
        auto file = dir.file("in");
        kind.make(file);
        ScriptedPassProvider provider({std::string("wrong"), std::string("also wrong"), std::string("right")});
        KxInput in = input_of(file);
        EXPECT_TRUE(kind.read(in));
        ASSERT_EQ(provider.requests().size(), 3u);
        EXPECT_FALSE(provider.requests()[0].retry);
        EXPECT_TRUE(provider.requests()[1].retry);
        EXPECT_TRUE(provider.requests()[2].retry);
        EXPECT_EQ(provider.requests()[0].path, file.string());
    }
}

TEST(InputPassPhrase, CancelReadsNothingAndSaysWhy) {
    TempDir dir;
    for (const auto& kind : encrypted_kinds()) {
        SCOPED_TRACE(kind.label);
        auto file = dir.file("in");
        kind.make(file);
        {
            ScriptedPassProvider cancel({std::nullopt});
            KxInput in = input_of(file);
            EXPECT_FALSE(kind.read(in));
            EXPECT_EQ(in.refusal().kind, KxReadFailure::NoPassPhrase);
            EXPECT_EQ(cancel.requests().size(), 1u);
        }
        {
            ScriptedPassProvider wrong_then_cancel({std::string("wrong"), std::nullopt});
            KxInput in = input_of(file);
            EXPECT_FALSE(kind.read(in));
            EXPECT_EQ(in.refusal().kind, KxReadFailure::WrongPassPhrase);
            EXPECT_EQ(wrong_then_cancel.requests().size(), 2u);
        }
        // No pass-phrase source at all: nothing can be asked.
        KxInput in(file.c_str());
        EXPECT_FALSE(kind.read(in));
        EXPECT_EQ(in.refusal().kind, KxReadFailure::NoPassPhrase);
    }
}

TEST(InputPassPhrase, AProviderThatNeverGivesUpDoesNotHangTheReader) {
    TempDir dir;
    auto file = dir.file("key.pem");
    write_traditional_key(file, rsa_key(0).get(), "DES-EDE3-CBC", "right");
    int asked = 0;
    KxInput in(file.c_str(), [&](const PassRequest&) {
        ++asked;
        return std::optional<SecretString>(SecretString("always wrong"));
    });
    EXPECT_FALSE(PEM_read_rsaprv(in));
    EXPECT_EQ(in.refusal().kind, KxReadFailure::WrongPassPhrase);
    EXPECT_GT(asked, 1);
    EXPECT_LT(asked, 1000);
}

TEST(InputPassPhrase, ReasonSurvivesTheLaterReadersOfTheInput) {
    TempDir dir;
    auto file = dir.file("key.p8");
    write_p8_encrypted(file, rsa_key(0).get(), "right", Form::Der, -1, "AES-128-CBC");
    ScriptedPassProvider provider({std::string("wrong"), std::nullopt});
    KxInput in = input_of(file);
    EXPECT_FALSE(P8enc_read_file(in));
    EXPECT_FALSE(P7s_read_file(in));
    EXPECT_FALSE(P12_read_file(in));
    auto der = ASN1_read_der(in);
    ASSERT_TRUE(der);
    EXPECT_FALSE(ASN1_read_cert(*der));
    EXPECT_EQ(in.refusal().kind, KxReadFailure::WrongPassPhrase);
}

TEST(InputPassPhrase, Pkcs12WithoutPassPhraseOpensWithoutAsking) {
    TempDir dir;
    P12Options o;
    o.pass = "";
    Pkey rsa = rsa_key(0);
    write_p12(dir.file("open.p12"), rsa.get(), make_self_signed(cn("open"), rsa).get(), {}, o);
    ScriptedPassProvider provider;
    EXPECT_TRUE(read_path(P12_read_file, dir.file("open.p12")));
    EXPECT_TRUE(provider.requests().empty());
}

TEST(InputPassPhrase, UnencryptedKindsNeverAsk) {
    TempDir dir;
    Pkey rsa = rsa_key(0);
    write_traditional_key(dir.file("k.pem"), rsa.get());
    write_p8(dir.file("k.p8"), rsa.get(), Form::Der);
    ScriptedPassProvider provider;
    EXPECT_TRUE(read_path(PEM_read_rsaprv, dir.file("k.pem")));
    EXPECT_TRUE(read_path(P8_read_file, dir.file("k.p8")));
    EXPECT_FALSE(read_path(P8enc_read_file, dir.file("k.p8")));
    EXPECT_FALSE(read_path(P12_read_file, dir.file("k.p8")));
    EXPECT_TRUE(provider.requests().empty());
}

}  // namespace
