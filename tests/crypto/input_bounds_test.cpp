// Hostile inputs: only regular files are read, sizes are capped before reading, absurd iteration
// counts are refused before any key derivation, and damaged structures are refused cleanly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "crypto/kx.h"
#include "crypto/kx_pkcs7.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

// Every path-based reader, and the byte reader, on one path, each with an input of its own or all
// with one shared input; none may accept.
void expect_all_refuse(const char* path, KxReadFailure why, bool shared = false) {
    ScriptedPassProvider provider({std::string("x")});
    std::optional<KxInput> one, own;
    if (shared) one.emplace(input_of(path));
    auto in = [&]() -> KxInput& { return one ? *one : own.emplace(input_of(path)); };
    auto refusal = [&] { return (one ? *one : *own).refusal().kind; };
    EXPECT_FALSE(PEM_read_cert(in()));
    EXPECT_EQ(refusal(), why);
    EXPECT_FALSE(PEM_read_p8enc(in()));
    EXPECT_FALSE(P8enc_read_file(in()));
    EXPECT_FALSE(P7s_read_file(in()));
    EXPECT_FALSE(P12_read_file(in()));
    EXPECT_EQ(refusal(), why);
    EXPECT_FALSE(ASN1_read_der(in()));
    EXPECT_EQ(refusal(), why);
    EXPECT_TRUE(provider.requests().empty());
}

TEST(InputBounds, OnlyRegularFilesAreRead) {
    TempDir dir;
    auto fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Would block forever (FIFO without writer) or never end (/dev/zero) if opened and read blindly.
    for (const char* path : {fifo.c_str(), "/dev/zero", "/dev/urandom", dir.path().c_str()}) {
        SCOPED_TRACE(path);
        expect_all_refuse(path, KxReadFailure::NotRegularFile);
        expect_all_refuse(path, KxReadFailure::NotRegularFile, true);
    }
    expect_all_refuse(dir.file("missing").c_str(), KxReadFailure::Unreadable);
}

TEST(InputBounds, FilesBeyondTheCapAreRefusedUnread) {
    TempDir dir;
    auto big = dir.file("big");
    int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(KX_MAX_INPUT_BYTES + 1)), 0);  // sparse: costs no disk
    ::close(fd);
    expect_all_refuse(big.c_str(), KxReadFailure::TooLarge);
}

TEST(InputBounds, HugeIterationCountsAreRefusedBeforeKeyDerivation) {
    TempDir dir;
    const long huge = 2'000'000'000;
    struct Row {
        std::string label;
        Bytes bytes;
        std::function<bool(KxInput&)> read;
    };
    const Row rows[] = {
        {"pkcs8 pbes1", p8_encrypted_with_iterations(NID_pbeWithMD5AndDES_CBC, huge),
         [](KxInput& in) { return P8enc_read_file(in) != nullptr; }},
        {"pkcs8 pkcs12-pbe", p8_encrypted_with_iterations(NID_pbe_WithSHA1And3_Key_TripleDES_CBC, huge),
         [](KxInput& in) { return P8enc_read_file(in) != nullptr; }},
        {"pkcs8 pbes2", p8_encrypted_with_iterations(-1, huge),
         [](KxInput& in) { return P8enc_read_file(in) != nullptr; }},
        {"pkcs12 mac", p12_with_huge_iterations(HugeP12Part::Mac, huge),
         [](KxInput& in) { return P12_read_file(in) != nullptr; }},
        {"pkcs12 shrouded key", p12_with_huge_iterations(HugeP12Part::ShroudedKey, huge),
         [](KxInput& in) { return P12_read_file(in) != nullptr; }},
        {"pkcs12 encrypted safe", p12_with_huge_iterations(HugeP12Part::EncryptedSafe, huge),
         [](KxInput& in) { return P12_read_file(in) != nullptr; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto file = dir.file("crafted");
        write_bytes(file, row.bytes);
        ScriptedPassProvider provider({std::string("x")});
        KxInput in = input_of(file);
        EXPECT_FALSE(row.read(in));
        KxReadError e = in.refusal();
        EXPECT_EQ(e.kind, KxReadFailure::TooCostly);
        EXPECT_NE(e.detail.find("with 2000000000 iterations"), std::string::npos) << e.detail;
        EXPECT_TRUE(provider.requests().empty()) << "asked for a pass phrase it could not use";
    }
    // The same shapes with sane counts are recognised as what they are (they only fail to decrypt).
    write_bytes(dir.file("sane"), p8_encrypted_with_iterations(-1, 2048));
    ScriptedPassProvider provider({std::nullopt});
    KxInput sane = input_of(dir.file("sane"));
    EXPECT_FALSE(P8enc_read_file(sane));
    EXPECT_EQ(sane.refusal().kind, KxReadFailure::NoPassPhrase);
}

TEST(InputBounds, UnknownSchemesAreNamed) {
    TempDir dir;
    // An EncryptedPrivateKeyInfo whose algorithm is a plain digest OID, not a PBE.
    Bytes sig = p8_encrypted_with_iterations(NID_pbeWithMD5AndDES_CBC, 2048);
    Bytes oid = {0x06, 0x09, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x05, 0x03};  // pbeWithMD5AndDES-CBC
    auto at = std::search(sig.begin(), sig.end(), oid.begin(), oid.end());
    ASSERT_NE(at, sig.end());
    at[10] = 0x7f;  // 1.2.840.113549.1.5.127: no such scheme
    write_bytes(dir.file("odd.p8"), sig);
    KxInput in = input_of(dir.file("odd.p8"));
    EXPECT_FALSE(P8enc_read_file(in));
    EXPECT_EQ(in.refusal().kind, KxReadFailure::UnsupportedAlgorithm);
    EXPECT_EQ(in.refusal().detail, "1.2.840.113549.1.5.127");
}

TEST(InputBounds, DamagedStructuresAreRefused) {
    TempDir dir;
    Chain chain = make_chain(2);
    Bytes cert = der_of(chain.certs[1].get());
    Bytes truncated(cert.begin(), cert.begin() + static_cast<long>(cert.size() / 2));
    Bytes deep;
    for (int i = 0; i < 100000; ++i) deep.insert(deep.end(), {0x30, 0x80});  // indefinite SEQUENCEs
    Bytes long_length = {0x30, 0x84, 0x7f, 0xff, 0xff, 0xff, 0x02, 0x01, 0x00};
    std::string garbage_pem = "-----BEGIN CERTIFICATE-----\n!!!! not base64 !!!!\n-----END CERTIFICATE-----\n";
    const std::pair<const char*, Bytes> rows[] = {
        {"truncated", truncated},
        {"deep nesting", deep},
        {"length beyond the file", long_length},
        {"garbage pem", Bytes(garbage_pem.begin(), garbage_pem.end())},
        {"empty", Bytes{}},
    };
    for (const auto& [label, bytes] : rows) {
        SCOPED_TRACE(label);
        auto file = dir.file("bad");
        write_bytes(file, bytes);
        KxInput in = input_of(file);
        EXPECT_FALSE(PEM_read_cert(in));
        EXPECT_FALSE(PEM_read_p7(in));
        EXPECT_FALSE(P8_read_file(in));
        EXPECT_FALSE(P8enc_read_file(in));
        EXPECT_FALSE(P7s_read_file(in));
        EXPECT_FALSE(P12_read_file(in));
        auto der = ASN1_read_der(in);
        ASSERT_TRUE(der);
        EXPECT_FALSE(ASN1_read_cert(*der));
        EXPECT_FALSE(ASN1_read_crl(*der));
        EXPECT_FALSE(ASN1_read_req(*der));
        EXPECT_FALSE(ASN1_read_dsaprv(*der));
        EXPECT_EQ(in.refusal().kind, KxReadFailure::NotRecognised);
    }
}

TEST(InputBounds, AnInputReadsTheFileOnceForAllReaders) {
    TempDir dir;
    Chain chain = make_chain(1);
    auto file = dir.file("c.pem");
    write_cert(file, chain.certs[0].get(), Form::Pem);
    KxInput in = input_of(file);
    std::filesystem::remove(file);  // every reader below is served from the input's one read
    EXPECT_FALSE(PEM_read_crl(in));
    EXPECT_FALSE(P12_read_file(in));
    EXPECT_TRUE(PEM_read_cert(in));
}

TEST(InputBounds, ASharedInputGivesTheSameAnswersAsFreshOnes) {
    TempDir dir;
    Chain chain = make_chain(2);
    write_cert(dir.file("c.der"), chain.certs[1].get(), Form::Der);
    auto direct = read_path(ASN1_read_der, dir.file("c.der"));
    KxInput in = input_of(dir.file("c.der"));
    EXPECT_FALSE(PEM_read_cert(in));
    auto shared = ASN1_read_der(in);
    ASSERT_TRUE(direct && shared);
    EXPECT_EQ(*direct, *shared);
    // Once the bytes were handed over, readers of the input read the file again.
    EXPECT_FALSE(P7s_read_file(in));
    EXPECT_EQ(ASN1_read_der(in), direct);
    write_cert(dir.file("c.pem"), chain.certs[0].get(), Form::Pem);
    EXPECT_TRUE(read_path(PEM_read_cert, dir.file("c.pem")));
}

}  // namespace
