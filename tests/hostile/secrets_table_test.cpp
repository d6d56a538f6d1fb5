// Keys and pass phrases under hostile conditions: key files are 0600 whatever the umask, a cipher that
// cannot be had fails the write, pass phrases show up nowhere, and a wrong pass phrase is called wrong.
#include "crypto/openssl_includes.h"
#include "doc/input_route.h"
#include "tests/hostile/crafted_files.h"
#include "tests/hostile/hostile_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

namespace hostile {
namespace {

// ---- Key files: mode 0600 whatever the umask -------------------------------------------------------

struct KeyForm {
    const char* name;
    int index;
    int der;
    int cipher;  // the cipher identifier that this form uses (0: none)
    std::vector<std::string> cli;
};
void PrintTo(const KeyForm& v, std::ostream* os) { *os << v.name; }
const KeyForm kKeyForms[] = {
    {"PrivateKey_encrypted", FORM_PRIVATE_KEY, 1, KX_PEM_3DES, {"-f", "key", "-c", "3des192"}},
    {"PrivateKey_clear", FORM_PRIVATE_KEY, 1, KX_CIPHER_NONE, {"-f", "key", "-c", "none"}},
    {"PKCS8_encrypted_der", FORM_PKCS8, 1, KX_P5_MD5_DES, {"-f", "p8", "-c", "des64"}},
    {"PKCS8_clear_pem", FORM_PKCS8, 0, KX_CIPHER_NONE, {"-f", "p8", "-e", "pem", "-c", "none"}},
    {"PKCS12", FORM_PKCS12, 1, KX_P12_3DES_3KEY, {"-f", "p12"}},
};
struct Umask {
    const char* name;
    mode_t value;
    bool existing_world_readable_target;
};
void PrintTo(const Umask& v, std::ostream* os) { *os << v.name; }
const Umask kUmasks[] = {{"umask_000", 0, false}, {"umask_022", 022, false}, {"umask_000_over_0666_file", 0, true}};

class KeyFileMode : public ::testing::TestWithParam<std::tuple<KeyForm, Umask>> {
protected:
    void SetUp() override {
        input_ = dir_.file("input.p12");
        target_ = dir_.file("key.out");
        qfix::write_bytes(input_, chain_materials().p12);
        if (umask().existing_world_readable_target) {
            qfix::write_text(target_, "old\n");
            chmod(target_.c_str(), 0666);
        }
    }
    const KeyForm& form() const { return std::get<0>(GetParam()); }
    const Umask& umask() const { return std::get<1>(GetParam()); }

    qfix::TempDir dir_;
    fs::path input_, target_;
};

TEST_P(KeyFileMode, ThroughTheDocument) {
    qfix::ScriptedPassProvider pass({kInputPass, kOutputPass, kOutputPass});
    CVortlaneDoc doc;
    doc.m_passSource = pass.source();
    CString log;
    ASSERT_TRUE(OpenInput(doc, input_.string(), &log).accepted);
    doc.m_nOutputForm = form().index;
    doc.m_bDerOutput = form().der;
    if (form().index == FORM_PRIVATE_KEY) doc.m_nPemCipher = form().cipher;
    if (form().index == FORM_PKCS8) doc.m_nP8Cipher = form().cipher;
    if (form().index == FORM_PKCS12) doc.m_nP12Cipher = form().cipher;

    ChildOptions o;
    o.umask = umask().value;
    ChildResult r = run_forked([&] { return doc.WriteOutput(target_.string(), 0, &log) ? 0 : 1; }, o);

    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(mode_bits(target_), 0600u);
}

TEST_P(KeyFileMode, ThroughTheCommandLine) {
    if (!cli_path()) GTEST_SKIP() << "this build has no command line";
    std::vector<std::string> args = form().cli;
    args.insert(args.end(), {"--passin", "pass:" + kInputPass, "--passout", "pass:" + kOutputPass, "-o",
                             target_.string(), input_.string()});
    ChildOptions o;
    o.umask = umask().value;
    ChildResult r = run_cli(args, o);

    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(mode_bits(target_), 0600u);
}

INSTANTIATE_TEST_SUITE_P(Rows, KeyFileMode,
                         ::testing::Combine(::testing::ValuesIn(kKeyForms), ::testing::ValuesIn(kUmasks)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

// ---- A cipher that cannot be had fails the write ----------------------------------------------------
// The legacy ciphers come from OpenSSL's legacy provider; pointing OpenSSL at an empty module directory
// makes them unavailable to a new process. (The test process itself has them loaded already, so this
// runs through the command line only.)

struct CipherRow {
    const char* name;
    std::vector<std::string> cli;
    int input_pbe = 0;  // the input's PKCS#12 PBE, when it is not the usual one
    const char* said = "Output Failed ... ";
};
void PrintTo(const CipherRow& v, std::ostream* os) { *os << v.name; }
const CipherRow kLegacyCiphers[] = {
    {"PrivateKey_des64", {"-f", "key", "-c", "des64"}},
    {"PKCS8_des64", {"-f", "p8", "-c", "des64"}},
    {"PKCS8_rc2_40", {"-f", "p8", "-c", "rc2-40"}},
    {"PKCS12_rc2_40", {"-f", "p12", "-c", "rc2-40"}},
    {"PKCS12_rc2_128", {"-f", "p12", "-c", "rc2-128"}},
    // The read says what is missing and where to get it.
    {"read_PKCS12_rc2_40",
     {"-f", "p12"},
     NID_pbe_WithSHA1And40BitRC2_CBC,
     "(unsupported algorithm RC2-40-CBC: needs OpenSSL's legacy provider (Debian 13: install "
     "openssl-provider-legacy; before that it is part of libssl3))"},
};

class CipherUnavailable : public ::testing::TestWithParam<CipherRow> {};

TEST_P(CipherUnavailable, FailsTheWriteAndLeavesTheOldFile) {
    if (!cli_path()) GTEST_SKIP() << "this build has no command line";
    qfix::TempDir dir;
    fs::create_directory(dir.file("no-modules"));
    qfix::P12Options legacy;
    legacy.pass = kInputPass;
    legacy.key_pbe = legacy.cert_pbe = GetParam().input_pbe;
    const ChainMaterials& m = chain_materials();
    qfix::write_bytes(
        dir.file("input.p12"),
        GetParam().input_pbe ? qfix::make_p12(m.chain.keys[2].get(), m.chain.certs[2].get(), {}, legacy) : m.p12);
    qfix::write_text(dir.file("out"), "old\n");
    Snapshot before = snapshot(dir.path());

    std::vector<std::string> args = GetParam().cli;
    args.insert(args.end(), {"--passin", "pass:" + kInputPass, "--passout", "pass:" + kOutputPass, "-o",
                             dir.file("out").string(), dir.file("input.p12").string()});
    ChildOptions o;
    o.env = {"OPENSSL_MODULES=" + dir.file("no-modules").string(), "OPENSSL_CONF=/dev/null"};
    ChildResult r = run_cli(args, o);

    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    EXPECT_TRUE(contains(r.out + r.err, GetParam().said)) << r.out << r.err;
    EXPECT_EQ(snapshot(dir.path()), before) << "something was written without the cipher";
}

INSTANTIATE_TEST_SUITE_P(Rows, CipherUnavailable, ::testing::ValuesIn(kLegacyCiphers),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Pass phrases appear nowhere ------------------------------------------------------------------

struct PassSource {
    const char* name;
    // The --passin / --passout arguments for these pass phrases, and what the child needs for them.
    std::function<std::vector<std::string>(const fs::path& outside, const std::string& in, const std::string& out,
                                           ChildOptions&)>
        args;
};
void PrintTo(const PassSource& v, std::ostream* os) { *os << v.name; }
const PassSource kPassSources[] = {
    {"pass",
     [](auto&, auto& in, auto& out, auto&) {
         return std::vector<std::string>{"--passin", "pass:" + in, "--passout", "pass:" + out};
     }},
    {"env",
     [](auto&, auto& in, auto& out, ChildOptions& o) {
         o.env = {"QUILLON_TEST_IN=" + in, "QUILLON_TEST_OUT=" + out};
         return std::vector<std::string>{"--passin", "env:QUILLON_TEST_IN", "--passout", "env:QUILLON_TEST_OUT"};
     }},
    {"file",
     [](const fs::path& outside, auto& in, auto& out, auto&) {
         qfix::write_text(outside / "in.txt", in + "\n");
         qfix::write_text(outside / "out.txt", out + "\n");
         return std::vector<std::string>{"--passin", "file:" + (outside / "in.txt").string(), "--passout",
                                         "file:" + (outside / "out.txt").string()};
     }},
};
struct LeakForm {
    const char* name;
    std::vector<std::string> cli;
};
void PrintTo(const LeakForm& v, std::ostream* os) { *os << v.name; }
const LeakForm kLeakForms[] = {
    {"PKCS12", {"-f", "p12"}},
    {"PrivateKey", {"-f", "key"}},
    {"PKCS8", {"-f", "p8", "-e", "pem"}},
};

class PassPhraseLeak : public ::testing::TestWithParam<std::tuple<PassSource, LeakForm>> {};

// Nothing the program printed or left on disk (outputs, temporary directory) holds a pass phrase, right
// or wrong. The output itself is encrypted, so the pass phrase has no business in it either.
TEST_P(PassPhraseLeak, InNoOutputLogOrFile) {
    if (!cli_path()) GTEST_SKIP() << "this build has no command line";
    const auto& [source, form] = GetParam();
    for (bool right : {true, false}) {
        SCOPED_TRACE(right ? "right pass phrase" : "wrong pass phrase");
        qfix::TempDir outside, watched;
        fs::create_directory(watched.file("tmp"));
        qfix::write_bytes(watched.file("input.p12"), chain_materials().p12);
        const std::string in = right ? kInputPass : "wrong-Pass-3Fq";
        ChildOptions o;
        std::vector<std::string> args = form.cli;
        std::vector<std::string> pass = source.args(outside.path(), in, kOutputPass, o);
        args.insert(args.end(), pass.begin(), pass.end());
        args.insert(args.end(), {"-o", watched.file("out").string(), watched.file("input.p12").string()});
        o.env.push_back("TMPDIR=" + watched.file("tmp").string());

        ChildResult r = run_cli(args, o);

        EXPECT_EQ(r.exit_code, right ? 0 : 1) << r.out << r.err;
        for (const std::string& secret : {in, kOutputPass}) {
            EXPECT_FALSE(contains(r.out, secret)) << "standard output shows a pass phrase";
            EXPECT_FALSE(contains(r.err, secret)) << "standard error shows a pass phrase";
            for (const auto& [name, bytes] : snapshot(watched.path())) {
                if (bytes) {
                    EXPECT_FALSE(contains(std::string(bytes->begin(), bytes->end()), secret)) << name;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PassPhraseLeak,
                         ::testing::Combine(::testing::ValuesIn(kPassSources), ::testing::ValuesIn(kLeakForms)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

TEST(PassPhraseLeakDocument, LogHoldsNoPassPhrase) {
    qfix::TempDir dir;
    qfix::write_bytes(dir.file("input.p12"), chain_materials().p12);
    qfix::ScriptedPassProvider pass({"wrong-Pass-3Fq", kInputPass, kOutputPass, kOutputPass, kOutputPass});
    CVortlaneDoc doc;
    doc.m_passSource = pass.source();
    CString log;
    ASSERT_TRUE(OpenInput(doc, dir.file("input.p12").string(), &log).accepted);
    for (int form : {FORM_PKCS12, FORM_PRIVATE_KEY, FORM_PKCS8}) {
        doc.m_nOutputForm = form;
        EXPECT_TRUE(doc.WriteOutput(dir.file("out" + std::to_string(form)).string(), 0, &log)) << log;
    }
    for (const std::string& secret : {std::string("wrong-Pass-3Fq"), kInputPass, kOutputPass}) {
        EXPECT_FALSE(contains(log, secret));
        for (const auto& [name, bytes] : snapshot(dir.path())) {
            if (bytes) {
                EXPECT_FALSE(contains(std::string(bytes->begin(), bytes->end()), secret)) << name;
            }
        }
    }
}

// ---- No core dumps: pass phrases and keys stay out of them -------------------------------------------

TEST(ProcessGuard, MakesTheProcessNonDumpableWithoutCoreFiles) {
    ChildResult r = run_forked([] {
        rlimit core{};
        KX_guard_process();  // its allocation watch comes too late in a test process; the rest must hold
        bool ok = prctl(PR_GET_DUMPABLE) == 0 && getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0 &&
                  core.rlim_max == 0;
        return ok ? 0 : 1;
    });
    EXPECT_EQ(r.exit_code, 0);
}

// Seen from outside while the command line holds an input open and waits for its pass phrase.
TEST(ProcessGuard, CommandLineHasNoCoreLimitLeftWhileItWaitsForAPassPhrase) {
    if (!cli_path()) GTEST_SKIP() << "this build has no command line";
    qfix::TempDir dir;
    qfix::write_bytes(dir.file("input.p12"), chain_materials().p12);
    make_fifo(dir.file("pass"));
    std::string limits;
    ChildOptions o;
    o.while_running = [&](pid_t pid) {
        // The pass phrase file is a FIFO: it can be opened for writing once the program opens it to read.
        int fd = -1;
        for (int tries = 0; fd < 0 && tries < 6000; ++tries) {
            fd = open(dir.file("pass").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream f("/proc/" + std::to_string(pid) + "/limits");
        limits.assign(std::istreambuf_iterator<char>(f), {});
        if (fd >= 0) {
            std::string line = kInputPass + "\n";
            (void)!write(fd, line.data(), line.size());
            close(fd);
        }
    };
    ChildResult r = run_cli({"-n", "--passin", "file:" + dir.file("pass").string(), dir.file("input.p12").string()}, o);

    EXPECT_EQ(r.exit_code, 0) << r.err;
    ASSERT_NE(limits.find("Max core file size"), std::string::npos) << "the program was not seen running";
    std::string core = limits.substr(std::min(limits.find("Max core file size"), limits.size()));
    EXPECT_EQ(core.substr(0, core.find('\n')).find_first_of("123456789u"), std::string::npos) << limits;
}

// ---- A wrong pass phrase is called wrong ---------------------------------------------------------------

struct EncryptedInput {
    const char* name;
    std::function<void(const fs::path&)> make;
};
void PrintTo(const EncryptedInput& v, std::ostream* os) { *os << v.name; }
const std::string kRight = "right-Pass-5Rt";
EVP_PKEY* leaf_key() { return chain_materials().chain.keys[2].get(); }
const EncryptedInput kEncryptedInputs[] = {
    {"pem_rsa_3des", [](const fs::path& p) { qfix::write_traditional_key(p, leaf_key(), "DES-EDE3-CBC", kRight); }},
    {"pem_rsa_des", [](const fs::path& p) { qfix::write_traditional_key(p, leaf_key(), "DES-CBC", kRight); }},
    {"p8_der_md5_des",
     [](const fs::path& p) {
         qfix::write_p8_encrypted(p, leaf_key(), kRight, qfix::Form::Der, NID_pbeWithMD5AndDES_CBC);
     }},
    {"p8_pem_pbes2_aes",
     [](const fs::path& p) { qfix::write_p8_encrypted(p, leaf_key(), kRight, qfix::Form::Pem, -1, "AES-256-CBC"); }},
    {"p12_3des",
     [](const fs::path& p) {
         qfix::P12Options o;
         o.pass = kRight;
         qfix::write_p12(p, leaf_key(), chain_materials().chain.certs[2].get(), {}, o);
     }},
    {"p12_rc2_40_certificates",
     [](const fs::path& p) {
         qfix::P12Options o;
         o.pass = kRight;
         o.cert_pbe = NID_pbe_WithSHA1And40BitRC2_CBC;
         qfix::write_p12(p, leaf_key(), chain_materials().chain.certs[2].get(), {}, o);
     }},
};

class WrongPassPhrase : public ::testing::TestWithParam<EncryptedInput> {};

TEST_P(WrongPassPhrase, IsSaidToBeWrongAndAskedAgain) {
    qfix::TempDir dir;
    fs::path input = dir.file("input");
    GetParam().make(input);
    {
        qfix::ScriptedPassProvider pass({"wrong-Pass-3Fq", std::nullopt});
        CVortlaneDoc doc;
        doc.m_passSource = pass.source();
        const ReadResult read = doc.Read(input.c_str());
        EXPECT_FALSE(read.accepted());
        EXPECT_EQ(read.refusal.kind, KxReadFailure::WrongPassPhrase);
        ASSERT_EQ(pass.requests().size(), 2u);
        EXPECT_FALSE(pass.requests()[0].retry);
        EXPECT_TRUE(pass.requests()[1].retry) << "the second request must say the first was wrong";
    }
    {
        qfix::ScriptedPassProvider pass({"wrong-Pass-3Fq", kRight});
        CVortlaneDoc doc;
        doc.m_passSource = pass.source();
        EXPECT_TRUE(doc.OnOpenDocument(input.c_str())) << "the right pass phrase on the second try";
    }
}

TEST_P(WrongPassPhrase, CommandLineSaysWrongPassPhrase) {
    if (!cli_path()) GTEST_SKIP() << "this build has no command line";
    qfix::TempDir dir;
    fs::path input = dir.file("input");
    GetParam().make(input);

    ChildResult wrong = run_cli({"-n", "--passin", "pass:wrong-Pass-3Fq", input.string()});
    ChildResult none = run_cli({"-n", input.string()});

    EXPECT_TRUE(contains(wrong.err, "skipped: " + input.string() + " (wrong pass phrase)")) << wrong.err;
    EXPECT_TRUE(contains(none.err, "skipped: " + input.string() + " (no pass phrase)")) << none.err;
}

INSTANTIATE_TEST_SUITE_P(Rows, WrongPassPhrase, ::testing::ValuesIn(kEncryptedInputs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hostile
