// Hostile files dropped on the window and Convert into a target that cannot be written: the window
// answers at once, asks nothing, lists only what it read, and says why nothing was written.
#include "crypto/openssl_includes.h"

#include "app/display_check.h"
#include "tests/hostile/child_process.h"
#include "tests/hostile/crafted_files.h"
#include "tests/ui/input_files.h"
#include "tests/ui/main_dialog_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

class HostileWindow : public MainDialogWithPromptTest {
protected:
    InputFiles files;
};

TEST_F(HostileWindow, HostileFilesAmongGoodOnesAreSkippedWithoutAQuestion) {
    const fs::path dir = files.dir.path();
    hostile::make_fifo(dir / "fifo.pem");
    hostile::make_sparse(dir / "huge.crl", KX_MAX_INPUT_BYTES + 1);
    qfix::write_bytes(dir / "mac.p12",
                      hostile::p12_with_mac_iterations(files.chain.keys[1].get(), files.chain.certs[1].get(),
                                                       std::to_string(hostile::kHugeIterations)));
    qfix::write_bytes(dir / "many.p7b", hostile::p7_with_copies(files.chain.certs[0].get(), 100'000));
    qfix::write_bytes(dir / "deep.der", hostile::nested_sequences(100'000, false));
    ScriptedMessageBoxes boxes;
    ScriptedSecretPrompts prompts;

    ASSERT_TRUE(Drop({files.root, "/dev/zero", (dir / "fifo.pem").string(), (dir / "huge.crl").string(),
                      (dir / "mac.p12").string(), (dir / "many.p7b").string(), (dir / "deep.der").string(),
                      files.leaf}));

    EXPECT_EQ(InputList(), (std::vector<std::string>{files.leaf, files.root}));
    EXPECT_EQ(doc.m_nDepth, 1);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(prompts.requests.empty()) << "a pass phrase was asked for a file that is refused";
}

TEST_F(HostileWindow, ConvertIntoTargetsThatCannotBeWrittenSaysSoAndLeavesNothing) {
    ASSERT_TRUE(Drop({files.root, files.leaf}));
    const fs::path dir = files.dir.path();
    qfix::write_text(dir / "plain", "a file, not a directory\n");  // where a directory should be
    fs::create_directory(dir / "taken.cer");
    for (const fs::path& target : {dir / "plain" / "out.cer", dir / "taken.cer", dir / "missing" / "out.cer"}) {
        SetOutputFileText(target.string().c_str());
        Click(IDOK);
        EXPECT_NE(Text(IDC_LOG).find("Output Failed ... cannot write " + target.string()), std::string::npos)
            << Text(IDC_LOG);
    }
    const std::string plain = "a file, not a directory\n";
    EXPECT_EQ(qfix::read_bytes(dir / "plain"), qfix::Bytes(plain.begin(), plain.end()));
    EXPECT_TRUE(fs::is_empty(dir / "taken.cer"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

// ---- The display must answer before the window system is started ------------------------------------

// A listening socket of our own: TCP on the loopback, or a Unix socket at a path.
class Listener {
public:
    Listener() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 4) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("no loopback listener");
        port_ = ntohs(a.sin_port);
    }
    explicit Listener(const fs::path& path) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 4) != 0)
            throw std::runtime_error("no unix listener");
    }
    ~Listener() { close(fd_); }
    // DISPLAY naming this listener as an X server on the loopback (X display N listens on 6000 + N).
    std::string x_display() const { return "127.0.0.1:" + std::to_string(port_ - 6000); }

private:
    int fd_;
    int port_ = 0;
};

// DISPLAY for an X server that is not there: a port that was just free.
std::string dead_x_display() { return Listener().x_display(); }

class Environment {
public:
    explicit Environment(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            set(name, value);
        }
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) set(name, value);
    }

private:
    static void set(const std::string& name, const std::optional<std::string>& value) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(DisplayCheck, AsksTheServerThePlatformWillUse) {
    qfix::TempDir dir;
    Listener x;
    Listener wayland(dir.file("wayland-0"));
    const std::string dead = dead_x_display();
    struct Row {
        const char* name;
        std::optional<std::string> platform, display, wayland_display;
        bool answers;
    };
    const Row rows[] = {
        {"offscreen needs no server", "offscreen", dead, std::nullopt, true},
        {"xcb with nobody listening", "xcb", dead, std::nullopt, false},
        {"xcb with a server", "xcb", x.x_display(), std::nullopt, true},
        {"xcb ignores a wayland server", "xcb", dead, dir.file("wayland-0").string(), false},
        {"wayland with a server", "wayland", std::nullopt, dir.file("wayland-0").string(), true},
        {"wayland with nobody listening", "wayland", x.x_display(), dir.file("wayland-1").string(), false},
        {"no platform named: either server", std::nullopt, dead, dir.file("wayland-0").string(), true},
        {"no platform named: neither", std::nullopt, dead, dir.file("wayland-1").string(), false},
    };
    for (const Row& row : rows) {
        Environment env({{"QT_QPA_PLATFORM", row.platform}, {"DISPLAY", row.display}, {"WAYLAND_DISPLAY", row.wayland_display}});
        std::string why;
        EXPECT_EQ(DisplayAnswers(&why), row.answers) << row.name;
        if (!row.answers) {
            EXPECT_FALSE(why.empty()) << row.name;
        }
    }
}

TEST(DisplayCheck, TheWindowSaysSoAndEndsWithoutACore) {
#ifdef QUILLON_APP_PATH
    hostile::ChildOptions o;
    o.env = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + dead_x_display(), "WAYLAND_DISPLAY="};
    hostile::ChildResult r = hostile::run_program({QUILLON_APP_PATH}, o);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("the display does not answer"), std::string::npos) << r.err;
#else
    GTEST_SKIP() << "this build has no window program";
#endif
}

}  // namespace
