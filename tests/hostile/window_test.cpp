// Hostile files dropped on the window and Convert into a target that cannot be written: the window
// answers at once, asks nothing, lists only what it read, and says why nothing was written.
#include "crypto/openssl_includes.h"

#include "app/display_check.h"
#include "tests/hostile/child_process.h"
#include "tests/hostile/crafted_files.h"
#include "tests/ui/input_files.h"
#include "tests/ui/main_dialog_fixture.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

    ASSERT_TRUE(
        Drop({files.root, "/dev/zero", (dir / "fifo.pem").string(), (dir / "huge.crl").string(),
              (dir / "mac.p12").string(), (dir / "many.p7b").string(), (dir / "deep.der").string(), files.leaf}));

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

// A listening Unix socket of our own, standing for a display server.
class Listener {
public:
    explicit Listener(const fs::path& path) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 4) != 0)
            throw std::runtime_error("no listener at " + path.string());
    }
    ~Listener() { close(fd_); }

private:
    int fd_;
};

TEST(DisplayCheck, AsksTheServerThePlatformWillUse) {
    qfix::TempDir dir;
    Listener server(dir.file("server"));
    const std::string up = dir.file("server").string(), down = dir.file("absent").string();
    struct Row {
        const char* name;
        std::optional<std::string> platform, display, wayland_display;
        bool answers;
    };
    // DISPLAY may name the X server's socket by its path ("PATH:0"); WAYLAND_DISPLAY may be a path.
    const Row rows[] = {
        {"offscreen needs no server", "offscreen", down + ":0", std::nullopt, true},
        {"xcb with nobody listening", "xcb", down + ":0", std::nullopt, false},
        {"xcb on a loopback port nobody listens on", "xcb", "127.0.0.1:1", std::nullopt, false},
        {"xcb with a server", "xcb", up + ":0", std::nullopt, true},
        {"xcb ignores a wayland server", "xcb", down + ":0", up, false},
        {"wayland with a server", "wayland", std::nullopt, up, true},
        {"wayland ignores an X server", "wayland", up + ":0", down, false},
        {"no platform named: either server", std::nullopt, down + ":0", up, true},
        {"no platform named: neither", std::nullopt, down + ":0", down, false},
    };
    const char* names[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* v = std::getenv(names[i])) saved[i] = v;
    auto set = [&](const std::optional<std::string>* values) {
        for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i]->c_str(), 1) : unsetenv(names[i]);
    };
    for (const Row& row : rows) {
        const std::optional<std::string> values[] = {row.platform, row.display, row.wayland_display};
        set(values);
        std::string why;
        EXPECT_EQ(DisplayAnswers(&why), row.answers) << row.name;
        EXPECT_EQ(why.empty(), row.answers) << row.name;
    }
    set(saved);
}

TEST(DisplayCheck, TheWindowSaysSoAndEndsWithoutACore) {
#ifdef QUILLON_APP_PATH
    hostile::ChildOptions o;
    o.env = {"QT_QPA_PLATFORM=xcb", "DISPLAY=/nonexistent/X11-socket:0", "WAYLAND_DISPLAY="};
    hostile::ChildResult r = hostile::run_program({QUILLON_APP_PATH}, o);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("the display does not answer"), std::string::npos) << r.err;
#else
    GTEST_SKIP() << "this build has no window program";
#endif
}

}  // namespace
