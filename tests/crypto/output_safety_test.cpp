// Output files are all-or-nothing: a failure anywhere leaves an existing target byte for byte as it
// was and no temporary file behind; a cancelled prompt writes nothing; key files are 0600.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "crypto/kx.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;
namespace fs = std::filesystem;

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::unique_ptr<Key> rsa_record() {
    TempDir dir;
    write_p8(dir.file("k"), rsa_key(0).get(), Form::Der);
    return read_path(P8_read_file, dir.file("k"));
}

// A write to `path`, asking `pass` when it needs a pass phrase.
KxWriteSettings at(const fs::path& path, ScriptedPassProvider* pass = nullptr) {
    KxWriteSettings settings;
    settings.path = path.string();
    if (pass) settings.pass = pass->source();
    return settings;
}

// Every writer, each on the same target; `encrypted` ones need a pass phrase.
struct Writer {
    const char* name;
    bool encrypted;
    std::function<KxWriteOutcome(KxWriteSettings)> write;
};

std::vector<Writer> writers(const Cert* cert, const Key* key, const P12* bundle) {
    auto with = [](KxWriteSettings s, int cipher) {
        s.key_cipher = cipher;
        return s;
    };
    return {
        {"der", false, [=](const KxWriteSettings& s) { return ASN1_write_der(cert->der, s); }},
        {"pem cert", false, [=](const KxWriteSettings& s) { return PEM_write_cert(cert, s); }},
        {"pem rsa", true, [=](const KxWriteSettings& s) { return PEM_write_rsaprv(key, with(s, KX_PEM_3DES)); }},
        {"p8", false, [=](const KxWriteSettings& s) { return P8_write_file(key, s); }},
        {"p8enc", true, [=](const KxWriteSettings& s) { return PEM_write_p8enc(key, with(s, KX_P5_MD5_DES)); }},
        {"p7", false, [=](const KxWriteSettings& s) { return P7s_write_file(bundle, s); }},
        {"p12", true, [=](const KxWriteSettings& s) { return P12_write_file(bundle, with(s, KX_P12_3DES_3KEY)); }},
    };
}

class OutputSafety : public ::testing::Test {
protected:
    void SetUp() override {
        chain = make_chain(2, "Out", true);
        cert = ASN1_read_cert(der_of(chain.certs[1].get()));
        key = rsa_record();
        bundle = P12_new();
        P12_add_cert(bundle.get(), ASN1_read_cert(der_of(chain.certs[1].get())), nullptr, 1);
        P12_add_key(bundle.get(), rsa_record(), nullptr, 1);
    }
    Chain chain;
    std::unique_ptr<Cert> cert;
    std::unique_ptr<Key> key;
    std::unique_ptr<P12> bundle;
};

TEST_F(OutputSafety, CancelledOrEmptyPassPhraseWritesNothing) {
    TempDir dir;
    const std::string old = "previous contents\n";
    for (const auto& w : writers(cert.get(), key.get(), bundle.get())) {
        if (!w.encrypted) continue;
        SCOPED_TRACE(w.name);
        for (std::optional<std::string> answer : {std::optional<std::string>(), std::optional<std::string>("")}) {
            ScriptedPassProvider provider({answer});
            KxWriteOutcome outcome = w.write(at(dir.file("new"), &provider));
            EXPECT_FALSE(outcome.written);
            EXPECT_EQ(outcome.failure, KxWriteFailure::NoPassPhrase);
            write_text(dir.file("old"), old);
            ScriptedPassProvider again({answer});
            EXPECT_FALSE(w.write(at(dir.file("old"), &again)).written);
            EXPECT_EQ(read_bytes(dir.file("old")), Bytes(old.begin(), old.end()));
            EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"old"});
            EXPECT_EQ(provider.requests().size(), 1u);
        }
    }
}

TEST_F(OutputSafety, UnwritableTargetsFailAndLeaveNoTrace) {
    TempDir dir;
    fs::create_directory(dir.file("a directory"));
    ScriptedPassProvider provider(std::deque<std::optional<std::string>>(20, std::string("pw")));
    for (const auto& w : writers(cert.get(), key.get(), bundle.get())) {
        SCOPED_TRACE(w.name);
        KxWriteOutcome missing = w.write(at(dir.file("missing/out"), &provider));
        EXPECT_FALSE(missing.written);
        EXPECT_EQ(missing.failure, KxWriteFailure::CannotWrite);
        KxWriteOutcome directory = w.write(at(dir.file("a directory"), &provider));
        EXPECT_FALSE(directory.written);
        EXPECT_EQ(directory.failure, KxWriteFailure::CannotWrite);
        EXPECT_TRUE(fs::is_directory(dir.file("a directory")));
        EXPECT_TRUE(fs::is_empty(dir.file("a directory")));
        EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"a directory"});
    }
}

TEST_F(OutputSafety, ReadOnlyDirectoryFails) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    TempDir dir;
    fs::create_directory(dir.file("ro"));
    write_text(dir.file("ro/out"), "old");
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    KxWriteOutcome outcome = PEM_write_cert(cert.get(), at(dir.file("ro/out")));
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.failure, KxWriteFailure::CannotWrite);
    fs::permissions(dir.file("ro"), fs::perms::owner_all);
    EXPECT_EQ(read_bytes(dir.file("ro/out")), Bytes({'o', 'l', 'd'}));
}

TEST_F(OutputSafety, WriteFailingHalfWayKeepsTheOldFile) {
    TempDir dir;
    const std::string old(100, 'x');
    write_text(dir.file("target"), old);
    // A big enough output: a CRL with many entries.
    auto crl = ASN1_read_crl(der_of(make_crl(chain.names[0], chain.keys[0], std::vector<long>(2000, 7)).get()));
    ASSERT_TRUE(crl);
    ASSERT_GT(crl->der.size(), 20000u);

    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 8192;
    setrlimit(RLIMIT_FSIZE, &small);
    KxWriteOutcome der = ASN1_write_der(crl->der, at(dir.file("target")));
    const bool der_ok = der.written;
    KxWriteFailure der_why = der.failure;
    const bool pem_ok = PEM_write_crl(crl.get(), at(dir.file("target"))).written;
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(der_ok);
    EXPECT_FALSE(pem_ok);
    EXPECT_EQ(der_why, KxWriteFailure::CannotWrite);
    EXPECT_EQ(read_bytes(dir.file("target")), Bytes(old.begin(), old.end()));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"target"});
}

TEST_F(OutputSafety, FileSizeLimitDoesNotKillTheWriter) {
    TempDir dir;
    write_text(dir.file("target"), "old");
    Bytes big(100000, 0x30);
    // In a child process: SIGXFSZ keeps its default action there, which would kill a blind writer.
    EXPECT_EXIT(
        {
            rlimit small{};
            getrlimit(RLIMIT_FSIZE, &small);
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
            KxWriteOutcome outcome = ASN1_write_der(big, at(dir.file("target")));
            std::_Exit(!outcome.written && outcome.failure == KxWriteFailure::CannotWrite ? 7 : 1);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(read_bytes(dir.file("target")), Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"target"});
}

TEST_F(OutputSafety, KeyFilesAre0600WhateverTheUmask) {
    TempDir dir;
    mode_t old_mask = umask(0);
    ScriptedPassProvider provider(std::deque<std::optional<std::string>>(20, std::string("pw")));
    for (const auto& w : writers(cert.get(), key.get(), bundle.get())) {
        SCOPED_TRACE(w.name);
        auto file = dir.file(w.name);
        write_text(file, "an older file with other permissions");
        chmod(file.c_str(), 0666);
        ASSERT_TRUE(w.write(at(file, &provider)).written);
        struct stat st {};
        stat(file.c_str(), &st);
        bool holds_key =
            std::string(w.name) != "der" && std::string(w.name) != "pem cert" && std::string(w.name) != "p7";
        EXPECT_EQ(st.st_mode & 0777, holds_key ? 0600u : 0666u);
    }
    umask(old_mask);
}

TEST_F(OutputSafety, WritingOntoTheInputWorks) {
    TempDir dir;
    auto file = dir.file("in.pem");
    write_cert(file, chain.certs[0].get(), Form::Pem);
    KxInput in = input_of(file);
    auto c = PEM_read_cert(in);
    ASSERT_TRUE(c);
    ASSERT_TRUE(ASN1_write_der(c->der, at(file)).written);
    EXPECT_EQ(read_bytes(file), der_of(chain.certs[0].get()));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in.pem"});
}

}  // namespace
