// The velmora program on a private X server (Xvfb, 24 bits): what a window
// shows against the in-memory display, input that ends it by the host's rules,
// drawing into a window of another program, a new size, and ten seconds under
// the sanitizers.
#include "support/temp_folder.h"

#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool) would change its declarations.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <set>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The program under test is built with the sanitizers; its exit must be clean.
// What SDL's message bus library keeps until exit is not ours to free.
const char kSanitizerOptions[] = "LSAN_OPTIONS=print_suppressions=0:suppressions=" VELMORA_LSAN_SUPPRESSIONS;

bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
    const auto end = Clock::now() + milliseconds(timeout_ms);
    while (Clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return done();
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment, const std::string& output) {
    std::vector<std::string> env_strings;
    auto overridden = [&](const char* e) {
        for (const auto& o : environment)
            if (o.compare(0, o.find('=') + 1, e, 0, o.find('=') + 1) == 0) return true;
        return false;
    };
    for (char** e = environ; *e; e++)
        if (!overridden(*e)) env_strings.push_back(*e);
    for (const auto& e : environment) env_strings.push_back(e);
    std::vector<char*> env, args;
    for (auto& e : env_strings) env.push_back(e.data());
    env.push_back(nullptr);
    std::vector<std::string> copy = argv;
    for (auto& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// Starts an X server (Xvfb, Xephyr) with these arguments after its name and
// -displayfd; its display name, empty when it did not start.
std::string StartXServer(const std::vector<std::string>& arguments, pid_t& server) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    server = fork();
    if (server < 0) return "";
    if (server == 0) {
        close(fds[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives the tests
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        std::vector<std::string> all = {arguments[0], "-displayfd", std::to_string(fds[1])};
        all.insert(all.end(), arguments.begin() + 1, arguments.end());
        std::vector<char*> args;
        for (auto& a : all) args.push_back(a.data());
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    char number[16] = {};
    ssize_t got = 0, n;
    while ((n = read(fds[0], number + got, sizeof number - 1 - got)) > 0) {
        got += n;
        if (strchr(number, '\n')) break;
    }
    close(fds[0]);
    return got > 0 ? std::string(":") + std::to_string(atoi(number)) : "";
}

void StopXServer(pid_t server) {
    if (server <= 0) return;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
}

// One X server for every test here.
class XServer : public ::testing::Environment {
public:
    static std::string DisplayName;

    void SetUp() override {
        DisplayName = StartXServer({"Xvfb", "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"}, Server);
        ASSERT_NE(DisplayName, "") << "Xvfb did not start";
        setenv("DISPLAY", DisplayName.c_str(), 1);
    }

    void TearDown() override { StopXServer(Server); }

private:
    pid_t Server = -1;
};

std::string XServer::DisplayName;

// A velmora process, ended by the test or by itself.
class Velmora {
public:
    Velmora(const TempFolder& folder, std::vector<std::string> args, std::vector<std::string> environment = {})
        : OutputPath(folder.File("velmora.out")) {
        args.insert(args.begin(), VELMORA_PROGRAM);
        environment.push_back(std::string("VELMORA_CONFIG_DIR=") + folder.path());
        environment.push_back(kSanitizerOptions);
        Pid = Spawn(args, environment, OutputPath);
    }
    ~Velmora() {
        if (Running()) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
    }

    bool Started() const { return Pid > 0; }
    bool Running() {
        if (Pid <= 0 || Ended) return false;
        int status = 0;
        if (waitpid(Pid, &status, WNOHANG) == Pid) Ended = status;
        return !Ended;
    }
    void Signal(int number) { kill(Pid, number); }
    // The exit code, once it has ended within the time; nothing when it has not.
    std::optional<int> Exit(int timeout_ms) {
        if (!WaitFor([this] { return !Running(); }, timeout_ms) || !Ended) return std::nullopt;
        return WIFEXITED(*Ended) ? WEXITSTATUS(*Ended) : 128 + WTERMSIG(*Ended);
    }
    std::string Output() const { return ReadFile(OutputPath); }
    // What became of it, for a failure's message.
    std::string Fate() {
        if (Running()) return "still running; said: " + Output();
        if (!Ended) return "never started";
        return "ended with status " + std::to_string(*Ended) + "; said: " + Output();
    }

private:
    std::string OutputPath;
    pid_t Pid = -1;
    std::optional<int> Ended;
};

struct Picture {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Rgb;
    bool operator==(const Picture& o) const { return Width == o.Width && Height == o.Height && Rgb == o.Rgb; }
};

Picture ReadPpm(const std::string& path) {
    Picture p;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return p;
    int max = 0;
    if (fscanf(f, "P6 %d %d %d", &p.Width, &p.Height, &max) == 3 && fgetc(f) == '\n' && max == 255) {
        p.Rgb.resize((size_t)p.Width * p.Height);
        for (uint32_t& c : p.Rgb) {
            uint8_t b[3] = {};
            if (fread(b, 1, 3, f) != 3) break;
            c = (uint32_t)b[0] << 16 | b[1] << 8 | b[2];
        }
    }
    fclose(f);
    return p;
}

// A window that went away makes a request fail: the test sees an empty
// picture instead of Xlib ending the process.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

class OnXServer : public ::testing::Test {
protected:
    TempFolder Folder;
    Display* X = nullptr;

    void SetUp() override {
        XSetErrorHandler(IgnoreXError);
        X = XOpenDisplay(XServer::DisplayName.c_str());
        ASSERT_NE(X, nullptr);
        int event, error, major, minor;
        ASSERT_TRUE(XTestQueryExtension(X, &event, &error, &major, &minor));
        MovePointerTo(320, 240);
    }
    void TearDown() override {
        if (X) XCloseDisplay(X);
    }

    Window MakeWindow(int width, int height) {
        Window w = XCreateSimpleWindow(X, DefaultRootWindow(X), 10, 10, width, height, 0, 0, 0);
        XMapWindow(X, w);
        XSync(X, False);
        return w;
    }

    Picture Grab(Window w) {
        Picture p;
        XWindowAttributes a;
        if (!XGetWindowAttributes(X, w, &a)) return p;
        XImage* image = XGetImage(X, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (!image) return p;
        p.Width = a.width;
        p.Height = a.height;
        p.Rgb.resize((size_t)p.Width * p.Height);
        for (int y = 0; y < p.Height; y++)
            for (int xx = 0; xx < p.Width; xx++) p.Rgb[(size_t)y * p.Width + xx] = XGetPixel(image, xx, y) & 0xFFFFFF;
        XDestroyImage(image);
        return p;
    }

    // The window shows a picture: its ramps give it many colours. Counting lit
    // pixels would not do: about one picture in fifty is more than half black.
    bool Drawn(Window w) {
        const Picture p = Grab(w);
        const std::set<uint32_t> colours(p.Rgb.begin(), p.Rgb.end());
        return colours.size() > 16;
    }

    // The top-level window velmora made.
    Window FindVelmora() {
        Window root, parent, *children = nullptr, found = 0;
        unsigned count = 0;
        if (!XQueryTree(X, DefaultRootWindow(X), &root, &parent, &children, &count)) return 0;
        for (unsigned i = 0; i < count && !found; i++) {
            char* name = nullptr;
            if (XFetchName(X, children[i], &name) && name && strcmp(name, "Velmora") == 0) found = children[i];
            if (name) XFree(name);
        }
        if (children) XFree(children);
        return found;
    }

    void MovePointerTo(int sx, int sy) {
        XTestFakeMotionEvent(X, -1, sx, sy, CurrentTime);
        XSync(X, False);
    }

    // What the program shows against the snapshot of its display it writes on SIGUSR1.
    // The window shows what the display holds. The window may be a frame
    // behind a display still being drawn (a loaded machine): a still picture
    // is asked for again until both agree, or ten seconds pass.
    void ExpectShowsItsDisplay(Velmora& velmora, Window w, const std::string& snapshot) {
        Picture shown, display;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            unlink(snapshot.c_str());
            velmora.Signal(SIGUSR1);
            ASSERT_TRUE(WaitFor([&] { return access(snapshot.c_str(), F_OK) == 0; }, 10000)) << velmora.Output();
            std::this_thread::sleep_for(milliseconds(50));  // a frame for the window to catch up
            shown = Grab(w);
            display = ReadPpm(snapshot);
        } while (!(shown == display) && std::chrono::steady_clock::now() < deadline);
        ASSERT_GT(display.Width, 0);
        EXPECT_EQ(shown.Width, display.Width);
        EXPECT_EQ(shown.Height, display.Height);
        size_t differ = 0;
        for (size_t i = 0; i < std::min(shown.Rgb.size(), display.Rgb.size()); i++)
            differ += shown.Rgb[i] != display.Rgb[i];
        EXPECT_EQ(differ, 0u) << "pixels that differ";
        EXPECT_TRUE(shown == display);
    }

    static void ExpectCleanOutput(const std::string& output) {
        for (const char* report : {"Sanitizer", "runtime error", "native platform:"})
            EXPECT_EQ(output.find(report), std::string::npos) << output;
    }
};

// A still picture stays: what is compared cannot change in between.
const std::vector<std::string> kStill = {"--time-on-screen", "1000", "--no-psychedelic-colors",
                                         "--no-moving-clouds", "--no-transforming-clouds"};

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(OnXServer, AForeignWindowShowsTheDisplayPixelForPixel) {
    for (bool palette_device : {false, true}) {
        const Window w = MakeWindow(320, 240);
        char id[32];
        snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
        const std::string snapshot = Folder.File("shown.ppm");
        std::vector<std::string> args = With({"-window-id", id, "--snapshot", snapshot}, kStill);
        if (palette_device) args.push_back("--palette-device");
        Velmora velmora(Folder, args);
        ASSERT_TRUE(velmora.Started());
        ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << "palette device " << palette_device << ": "
                                                               << velmora.Fate();
        ExpectShowsItsDisplay(velmora, w, snapshot);
        velmora.Signal(SIGTERM);  // how XScreenSaver ends its programs
        EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
        ExpectCleanOutput(velmora.Output());
        XDestroyWindow(X, w);
    }
}

// The X server keeps no copy of a window: what another window covered is
// lost when it goes, and the picture must be drawn there again.
TEST_F(OnXServer, AForeignWindowUncoveredIsDrawnAgain) {
    const Window w = MakeWindow(320, 240);
    char id[32];
    snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
    const std::string snapshot = Folder.File("shown.ppm");
    Velmora velmora(Folder, With({"--window-id", id, "--snapshot", snapshot}, kStill));
    ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << velmora.Fate();
    std::this_thread::sleep_for(milliseconds(300));
    XSetWindowAttributes over = {};
    over.override_redirect = True;
    over.background_pixel = 0;
    const Window cover = XCreateWindow(X, DefaultRootWindow(X), 0, 0, 200, 150, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect | CWBackPixel, &over);
    XMapRaised(X, cover);
    XSync(X, False);
    std::this_thread::sleep_for(milliseconds(300));
    XDestroyWindow(X, cover);
    XSync(X, False);
    std::this_thread::sleep_for(milliseconds(500));
    ExpectShowsItsDisplay(velmora, w, snapshot);
    velmora.Signal(SIGTERM);
    EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
    XDestroyWindow(X, w);
}

// XScreenSaver's preview window takes new sizes, and goes with its dialog.
TEST_F(OnXServer, AForeignWindowThatTakesANewSizeOrGoes) {
    const Window w = MakeWindow(300, 200);
    char id[32];
    snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
    const std::string snapshot = Folder.File("shown.ppm");
    Velmora velmora(Folder, With({"--window-id", id, "--snapshot", snapshot}, kStill));
    ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << velmora.Fate();
    XResizeWindow(X, w, 380, 260);
    XSync(X, False);
    ASSERT_TRUE(WaitFor(
        [&] {
            unlink(snapshot.c_str());
            velmora.Signal(SIGUSR1);
            return WaitFor([&] { return access(snapshot.c_str(), F_OK) == 0; }, 2000) &&
                   ReadPpm(snapshot).Width == 380;
        },
        20000))
        << velmora.Output();
    std::this_thread::sleep_for(milliseconds(300));
    ExpectShowsItsDisplay(velmora, w, snapshot);
    XDestroyWindow(X, w);
    XSync(X, False);
    EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
    ExpectCleanOutput(velmora.Output());
}

// XScreenSaver's deactivation: its window may take a new size and go at once,
// or go while the first picture is still drawn; or the program gets a signal.
// Each way ends with 0 and says nothing.
TEST_F(OnXServer, EveryWayOfEndingInAForeignWindowIsClean) {
    auto run_in_window = [&](const std::function<void(Velmora&, Window)>& end_it, const char* how) {
        const Window w = MakeWindow(300, 200);
        char id[32];
        snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
        Velmora velmora(Folder, {"--window-id", id, "--psychedelic-colors", "--cycle-delay", "10"});
        ASSERT_TRUE(velmora.Started());
        end_it(velmora, w);
        EXPECT_EQ(velmora.Exit(10000), 0) << how << ": " << velmora.Output();
        EXPECT_EQ(velmora.Output(), "") << how;
        XDestroyWindow(X, w);  // if still there
        XSync(X, False);
        unlink(Folder.File("velmora.out").c_str());
    };
    for (int round = 0; round < 3; round++)
        run_in_window(
            [&](Velmora& velmora, Window w) {
                ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << velmora.Fate();
                XResizeWindow(X, w, 380, 260);
                XDestroyWindow(X, w);
                XSync(X, False);
            },
            "a new size, then gone");
    // The colours flow every 10 ms: the program draws all the time.
    for (int delay_ms : {0, 30, 100})
        run_in_window(
            [&](Velmora& velmora, Window w) {
                ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << velmora.Fate();
                std::this_thread::sleep_for(milliseconds(delay_ms));
                XDestroyWindow(X, w);
                XSync(X, False);
            },
            "gone while drawing");
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        for (int delay_ms : {0, 100})
            run_in_window(
                [&](Velmora& velmora, Window w) {
                    ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << velmora.Fate();
                    std::this_thread::sleep_for(milliseconds(delay_ms));
                    velmora.Signal(number);
                },
                strsignal(number));
}

// A settings preview destroys its window as the user steps on to the next
// entry, at any moment of velmora's start. Gone before velmora looked, the id
// names no window (1, said); gone after, its owner removed it (0, nothing
// said). Never an abort, a sanitizer report or Xlib's own words.
TEST_F(OnXServer, AWindowThatGoesAtAnyMomentOfTheStart) {
    int gone_after_start = 0;
    // Every 4 ms of the first 100, then further on until velmora was seen to
    // have started (a sanitized build on a slow machine takes a quarter second
    // and more before it looks at the window).
    for (int delay_ms = 0; delay_ms <= 2000 && (delay_ms <= 100 || gone_after_start == 0);
         delay_ms += delay_ms < 100 ? 4 : 50) {
        SCOPED_TRACE(testing::Message() << "destroyed after " << delay_ms << " ms");
        const Window w = MakeWindow(300, 200);
        char id[32];
        snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
        Velmora velmora(Folder, {"--window-id", id, "--psychedelic-colors", "--cycle-delay", "10"});
        ASSERT_TRUE(velmora.Started());
        std::this_thread::sleep_for(milliseconds(delay_ms));
        XDestroyWindow(X, w);
        XSync(X, False);
        const std::optional<int> exit = velmora.Exit(15000);
        ASSERT_TRUE(exit.has_value()) << velmora.Fate();
        const std::string said = velmora.Output();
        if (*exit == 0) {
            EXPECT_EQ(said, "");
            gone_after_start++;
        } else {
            EXPECT_EQ(*exit, 1);
            EXPECT_EQ(said, std::string("velmora: no X window ") + id + " on display " + XServer::DisplayName + "\n");
        }
        unlink(Folder.File("velmora.out").c_str());
    }
    EXPECT_GT(gone_after_start, 0);
}

// A window that takes input only, and an id that names no window: nothing can
// be drawn there, and velmora says so in its own words.
TEST_F(OnXServer, AWindowThatCannotBeDrawnInto) {
    XSetWindowAttributes attributes = {};
    const Window w = XCreateWindow(X, DefaultRootWindow(X), 0, 0, 300, 200, 0, 0, InputOnly, CopyFromParent, 0,
                                   &attributes);
    XMapWindow(X, w);
    XSync(X, False);
    char id[32];
    snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
    {
        Velmora velmora(Folder, {"--window-id", id});
        EXPECT_EQ(velmora.Exit(15000), 1) << velmora.Fate();
        EXPECT_EQ(velmora.Output(), std::string("velmora: cannot draw into X window ") + id +
                                        ": it is an input-only window\n");
    }
    XDestroyWindow(X, w);
    XSync(X, False);
    unlink(Folder.File("velmora.out").c_str());
    Velmora velmora(Folder, {"--window-id", "0x1fffffff"});
    EXPECT_EQ(velmora.Exit(15000), 1) << velmora.Fate();
    EXPECT_EQ(velmora.Output(), "velmora: no X window 0x1fffffff on display " + XServer::DisplayName + "\n");
}

TEST_F(OnXServer, FullScreenCoversTheScreen) {
    const std::string snapshot = Folder.File("shown.ppm");
    Velmora velmora(Folder, With({"--fullscreen", "--snapshot", snapshot}, kStill));
    Window w = 0;
    ASSERT_TRUE(WaitFor([&] { return (w = FindVelmora()) != 0 && Drawn(w); }, 20000)) << velmora.Fate();
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(X, w, &a));
    EXPECT_EQ(a.width, 640);
    EXPECT_EQ(a.height, 480);
    ExpectShowsItsDisplay(velmora, w, snapshot);
    XTestFakeKeyEvent(X, XKeysymToKeycode(X, 'q'), True, CurrentTime);
    XTestFakeKeyEvent(X, XKeysymToKeycode(X, 'q'), False, CurrentTime);
    XSync(X, False);
    EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
}

// Two monitors side by side, of different heights (Xephyr with Xinerama, inside
// the Xvfb): one window and one picture over both. (Xephyr keeps XTest's
// pointer on the first monitor, and SDL takes no input from a warp.)
TEST_F(OnXServer, FullScreenCoversEveryMonitor) {
    pid_t server = -1;
    const std::string heads = StartXServer(
        {"Xephyr", "-screen", "400x300", "-screen", "240x200", "+xinerama", "-nolisten", "tcp", "-noreset"}, server);
    ASSERT_NE(heads, "") << "Xephyr did not start";
    Display* two = XOpenDisplay(heads.c_str());
    ASSERT_NE(two, nullptr);
    std::swap(X, two);  // the helpers look at the two monitors now
    MovePointerTo(200, 100);
    {
        const std::string snapshot = Folder.File("shown.ppm");
        Velmora velmora(Folder, With({"--fullscreen", "--snapshot", snapshot}, kStill), {"DISPLAY=" + heads});
        Window w = 0;
        ASSERT_TRUE(WaitFor([&] { return (w = FindVelmora()) != 0 && Drawn(w); }, 20000)) << velmora.Fate();
        XWindowAttributes a;
        ASSERT_TRUE(XGetWindowAttributes(X, w, &a));
        EXPECT_EQ(a.x, 0);
        EXPECT_EQ(a.y, 0);
        EXPECT_EQ(a.width, 640);
        EXPECT_EQ(a.height, 300);
        velmora.Signal(SIGUSR1);
        ASSERT_TRUE(WaitFor([&] { return access(snapshot.c_str(), F_OK) == 0; }, 10000)) << velmora.Output();
        const Picture shown = Grab(w), display = ReadPpm(snapshot);
        ASSERT_EQ(display.Width, 640);
        ASSERT_EQ(display.Height, 300);
        ASSERT_EQ(shown.Rgb.size(), display.Rgb.size());
        // What each monitor shows (below the lower one nothing is shown).
        size_t differ = 0, lit_on_second = 0;
        for (int yy = 0; yy < 300; yy++)
            for (int xx = 0; xx < 640; xx++) {
                if (xx >= 400 && yy >= 200) continue;
                const size_t i = (size_t)yy * 640 + xx;
                differ += shown.Rgb[i] != display.Rgb[i];
                lit_on_second += xx >= 400 && shown.Rgb[i] != 0;
            }
        EXPECT_EQ(differ, 0u) << "pixels that differ";
        EXPECT_GT(lit_on_second, 240u * 200 / 2);
        MovePointerTo(203, 103);
        EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
    }
    std::swap(X, two);
    XCloseDisplay(two);
    StopXServer(server);
}

TEST_F(OnXServer, XScreenSaverWindowVariableWithRoot) {
    const Window w = MakeWindow(300, 200);
    char id[32];
    snprintf(id, sizeof id, "0x%lx", (unsigned long)w);
    Velmora velmora(Folder, With({"-root"}, kStill), {std::string("XSCREENSAVER_WINDOW=") + id});
    ASSERT_TRUE(WaitFor([&] { return Drawn(w); }, 20000)) << velmora.Fate();
    velmora.Signal(SIGTERM);
    EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
    XDestroyWindow(X, w);

    Velmora missing(Folder, {"--window-id", "0x1fffff0"});
    EXPECT_EQ(missing.Exit(10000), 1);
    EXPECT_NE(missing.Output().find("no X window 0x1fffff0"), std::string::npos) << missing.Output();
}

TEST_F(OnXServer, MovesAddUpPastFourPixelsAndKeysAndClicksEndIt) {
    // The pointer rests at 320,240, inside the window from its start.
    {
        Velmora velmora(Folder, With({"--size", "400x300", "--palette-device"}, kStill));
        Window w = 0;
        ASSERT_TRUE(WaitFor([&] { return (w = FindVelmora()) != 0 && Drawn(w); }, 20000)) << velmora.Fate();
        MovePointerTo(322, 241);  // 3 pixels
        std::this_thread::sleep_for(milliseconds(700));
        EXPECT_TRUE(velmora.Running()) << velmora.Output();
        MovePointerTo(323, 242);  // 5 pixels from where it was when the saver started
        EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
        ExpectCleanOutput(velmora.Output());
    }
    // A key, and a click of each of the three buttons (0: the key).
    for (unsigned button : {0u, 1u, 2u, 3u}) {
        MovePointerTo(320, 240);
        Velmora velmora(Folder, With({"--size", "400x300"}, kStill));
        Window w = 0;
        ASSERT_TRUE(WaitFor([&] { return (w = FindVelmora()) != 0 && Drawn(w); }, 20000)) << velmora.Fate();
        if (button == 0) {
            XTestFakeKeyEvent(X, XKeysymToKeycode(X, 'q'), True, CurrentTime);
            XTestFakeKeyEvent(X, XKeysymToKeycode(X, 'q'), False, CurrentTime);
        } else {
            XTestFakeButtonEvent(X, button, True, CurrentTime);
            XTestFakeButtonEvent(X, button, False, CurrentTime);
        }
        XSync(X, False);
        EXPECT_EQ(velmora.Exit(10000), 0) << "button " << button << " (0: a key) " << velmora.Output();
    }
}

TEST_F(OnXServer, ANewSizeIsANewDisplayShownWhole) {
    const std::string snapshot = Folder.File("shown.ppm");
    Velmora velmora(Folder, With({"--size", "300x200", "--snapshot", snapshot}, kStill));
    Window w = 0;
    ASSERT_TRUE(WaitFor([&] { return (w = FindVelmora()) != 0 && Drawn(w); }, 20000)) << velmora.Fate();
    ExpectShowsItsDisplay(velmora, w, snapshot);
    XResizeWindow(X, w, 360, 280);
    XSync(X, False);
    ASSERT_TRUE(WaitFor([&] { return Grab(w).Width == 360 && Drawn(w); }, 20000)) << velmora.Output();
    std::this_thread::sleep_for(milliseconds(300));
    ExpectShowsItsDisplay(velmora, w, snapshot);
    velmora.Signal(SIGTERM);
    EXPECT_EQ(velmora.Exit(10000), 0) << velmora.Output();
    ExpectCleanOutput(velmora.Output());
}

TEST_F(OnXServer, TenSecondsOfEveryEffectLeaveNoLeakAndNoSanitizerReport) {
    MovePointerTo(630, 470);  // away from the window: nothing ends it early
    Velmora velmora(Folder, {"--size", "400x300", "--psychedelic-colors", "--cycle-delay", "20",
                             "--continuous-colors", "--moving-clouds", "--moving-speed", "8",
                             "--transforming-clouds", "--transform-steps", "12", "--effect-cycle", "2",
                             "--time-on-screen", "1"});
    std::this_thread::sleep_for(std::chrono::seconds(10));
    ASSERT_TRUE(velmora.Running()) << velmora.Output();
    velmora.Signal(SIGTERM);
    EXPECT_EQ(velmora.Exit(20000), 0) << velmora.Output();
    ExpectCleanOutput(velmora.Output());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XServer);
    return RUN_ALL_TESTS();
}
