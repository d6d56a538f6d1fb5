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

// Every writer, each on the same target; `encrypted` ones need a pass phrase.
struct Writer {
    const char* name;
    bool encrypted;
    std::function<int(const char*)> write;
};

std::vector<Writer> writers(const Cert* cert, const Key* key, const P12* bundle) {
    return {
        {"der", false, [=](const char* p) { return ASN1_write_der(cert->der, p); }},
        {"pem cert", false, [=](const char* p) { return PEM_write_cert(cert, p); }},
        {"pem rsa", true, [=](const char* p) { return PEM_write_rsaprv(key, p); }},
        {"p8", false, [=](const char* p) { return P8_write_file(key, p); }},
        {"p8enc", true, [=](const char* p) { return PEM_write_p8enc(key, p); }},
        {"p7", false, [=](const char* p) { return P7s_write_file(bundle, p); }},
        {"p12", true, [=](const char* p) { return P12_write_file(bundle, p); }},
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
            EXPECT_EQ(w.write(dir.file("new").c_str()), 0);
            EXPECT_EQ(KX_last_write_error(), KxWriteFailure::NoPassPhrase);
            write_text(dir.file("old"), old);
            ScriptedPassProvider again({answer});
            EXPECT_EQ(w.write(dir.file("old").c_str()), 0);
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
        EXPECT_EQ(w.write(dir.file("missing/out").c_str()), 0);
        EXPECT_EQ(KX_last_write_error(), KxWriteFailure::CannotWrite);
        EXPECT_EQ(w.write(dir.file("a directory").c_str()), 0);
        EXPECT_EQ(KX_last_write_error(), KxWriteFailure::CannotWrite);
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
    EXPECT_EQ(PEM_write_cert(cert.get(), dir.file("ro/out").c_str()), 0);
    EXPECT_EQ(KX_last_write_error(), KxWriteFailure::CannotWrite);
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
    int der_ok = ASN1_write_der(crl->der, dir.file("target").c_str());
    KxWriteFailure der_why = KX_last_write_error();
    int pem_ok = PEM_write_crl(crl.get(), dir.file("target").c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(der_ok, 0);
    EXPECT_EQ(pem_ok, 0);
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
            int ok = ASN1_write_der(big, dir.file("target").c_str());
            std::_Exit(ok == 0 && KX_last_write_error() == KxWriteFailure::CannotWrite ? 7 : 1);
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
        ASSERT_NE(w.write(file.c_str()), 0);
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
    ASSERT_TRUE(ASN1_write_der(c->der, file.c_str()));
    EXPECT_EQ(read_bytes(file), der_of(chain.certs[0].get()));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in.pem"});
}

}  // namespace
