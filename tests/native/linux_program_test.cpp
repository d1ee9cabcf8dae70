// The velmora program as a user starts it: a recording with its progress line
// on a terminal and none elsewhere, and what it says and returns when it cannot go on.
#include "support/temp_folder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>
#include <pty.h>
#include <string>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    int ExitCode = -1;
    std::string Output;  // standard output and error together
};

// Runs the program with these arguments, its output on a terminal or in a pipe;
// while it runs, `meanwhile` may act on it (given its process id). A run that
// hangs is ended after two minutes (SIGALRM); file_size_limit is ulimit -f's,
// in bytes.
Outcome RunVelmora(const std::vector<std::string>& args, const std::string& config_dir, bool terminal,
            bool with_display = true, const std::function<void(pid_t)>& meanwhile = nullptr,
            rlim_t file_size_limit = RLIM_INFINITY, unsigned seconds_allowed = 120) {
    std::vector<std::string> words = {VELMORA_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int fd = -1, pipe_fds[2] = {-1, -1};
    pid_t pid;
    if (terminal) {
        pid = forkpty(&fd, nullptr, nullptr, nullptr);
    } else {
        if (pipe(pipe_fds) != 0) return {};
        pid = fork();
        if (pid == 0) {
            dup2(pipe_fds[1], STDOUT_FILENO);
            dup2(pipe_fds[1], STDERR_FILENO);
            close(pipe_fds[0]);
        }
        close(pipe_fds[1]);
        fd = pipe_fds[0];
    }
    if (pid == 0) {
        setenv("VELMORA_CONFIG_DIR", config_dir.c_str(), 1);
        if (!with_display) unsetenv("DISPLAY");
        unsetenv("XSCREENSAVER_WINDOW");
        const rlimit limit = {file_size_limit, file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
        alarm(seconds_allowed);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (meanwhile) meanwhile(pid);
    Outcome outcome;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) outcome.Output.append(buffer, (size_t)n);
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

int TotalHundredths(const std::string& path, int& frames) {
    int error = 0, total = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return -1;
    if (DGifSlurp(gif) == GIF_OK) {
        frames = gif->ImageCount;
        for (int i = 0; i < gif->ImageCount; i++) {
            GraphicsControlBlock control = {};
            DGifSavedExtensionToGCB(gif, i, &control);
            total += control.DelayTime;
        }
    }
    DGifCloseFile(gif, &error);
    return total;
}

TEST(LinuxProgram, RecordsWithAProgressLineOnlyOnATerminal) {
    TempFolder folder;
    for (bool terminal : {true, false}) {
        const std::string out = folder.File(terminal ? "terminal.gif" : "pipe.gif");
        const Outcome o = RunVelmora({"--record", out, "--seconds", "2", "--size", "320x200", "--time", "1700000000",
                               "--psychedelic-colors", "--cycle-delay", "50"},
                              folder.path(), terminal);
        EXPECT_EQ(o.ExitCode, 0) << o.Output;
        if (terminal) {
            EXPECT_NE(o.Output.find("\rvelmora: recording 2.0 of 2 s, "), std::string::npos) << o.Output;
        } else {
            EXPECT_EQ(o.Output, "");
        }
        int frames = 0;
        EXPECT_EQ(TotalHundredths(out, frames), 200);
        EXPECT_GT(frames, 30);  // the colours move every 50 ms
    }
}

// Colours that rotate without delay change the display at every step: the
// recording's clock still moves on (each change takes a millisecond), so
// two seconds are recorded in a moment, not never.
TEST(LinuxProgram, ARecordingOfColoursWithoutDelayEnds) {
    TempFolder folder;
    const std::string out = folder.File("fast.gif");
    const Outcome o = RunVelmora({"--record", out, "--seconds", "2", "--size", "32x24", "--psychedelic-colors",
                                  "--cycle-delay", "0", "--time-on-screen", "0"},
                                 folder.path(), false, true, nullptr, RLIM_INFINITY, 60);
    EXPECT_EQ(o.ExitCode, 0) << "142: still recording after a minute; " << o.Output;
    int frames = 0;
    EXPECT_EQ(TotalHundredths(out, frames), 200);
}

// Ctrl-C or SIGTERM during a recording: nothing unfinished stays behind, and
// the file that had the name before is kept.
TEST(LinuxProgram, AStoppedRecordingLeavesNothingBehind) {
    TempFolder folder;
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        const std::string out = folder.File("clouds.gif");
        WriteFile(out, "the recording of yesterday");
        const Outcome o = RunVelmora({"--record", out, "--seconds", "600", "--size", "320x200", "--psychedelic-colors"},
                                     folder.path(), false, true, [&](pid_t pid) {
                                         // Started once its file of its own is there.
                                         for (int i = 0; i < 1000 && ListFolder(folder.path()).size() < 3; i++)
                                             std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                         std::this_thread::sleep_for(std::chrono::milliseconds(200));
                                         kill(pid, number);
                                     });
        EXPECT_EQ(o.ExitCode, 1) << o.Output;
        EXPECT_NE(o.Output.find("stopped by a signal"), std::string::npos) << o.Output;
        EXPECT_EQ(ListFolder(folder.path()), (std::vector<std::string>{"clouds.gif", "control.ini"}))
            << strsignal(number);
        EXPECT_EQ(ReadFile(out), "the recording of yesterday");
    }
}

// The recording is written to a file of its own, never to a fixed name: a
// file, a link or a FIFO that has the name the old way chose stays exactly as
// it was, nothing hangs, and the output is a file of its own, not a link.
TEST(LinuxProgram, ARecordingNeverTouchesAFileOfTheUsers) {
    TempFolder folder;
    WriteFile(folder.File("clip.gif.part"), "mine");
    WriteFile(folder.File("important.txt"), "keep me");
    ASSERT_EQ(symlink("important.txt", folder.File("link.gif.part").c_str()), 0);
    ASSERT_EQ(mkfifo(folder.File("fifo.gif.part").c_str(), 0600), 0);
    for (const char* name : {"clip.gif", "link.gif", "fifo.gif"}) {
        const Outcome o = RunVelmora({"--record", folder.File(name), "--seconds", "1", "--size", "64x48"},
                                     folder.path(), false);
        EXPECT_EQ(o.ExitCode, 0) << name << ": " << o.Output;
        int frames = 0;
        EXPECT_EQ(TotalHundredths(folder.File(name), frames), 100) << name;
        struct stat info;
        ASSERT_EQ(lstat(folder.File(name).c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
    }
    EXPECT_EQ(ReadFile(folder.File("clip.gif.part")), "mine");
    EXPECT_EQ(ReadFile(folder.File("important.txt")), "keep me");
    char target[64] = {};
    EXPECT_GT(readlink(folder.File("link.gif.part").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "important.txt");
    struct stat fifo;
    ASSERT_EQ(lstat(folder.File("fifo.gif.part").c_str(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
    EXPECT_EQ(ListFolder(folder.path()),
              (std::vector<std::string>{"clip.gif", "clip.gif.part", "control.ini", "fifo.gif", "fifo.gif.part",
                                        "important.txt", "link.gif", "link.gif.part"}));
}

// A folder, or a folder that is missing, is refused before anything is played:
// a recording of an hour would otherwise play first (the run's alarm ends it).
TEST(LinuxProgram, AnOutputThatCannotBeWrittenIsRefusedAtOnce) {
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.File("d.gif").c_str(), 0755), 0);
    const std::vector<std::string> long_run = {"--seconds", "3600", "--size", "320x200", "--psychedelic-colors"};
    struct Case {
        std::string Out;
        std::string Says;
    };
    for (const Case& c : {Case{folder.File("d.gif"), ": Is a directory\n"},
                          Case{folder.File("no/such/x.gif"), ": No such file or directory\n"}}) {
        std::vector<std::string> args = {"--record", c.Out};
        args.insert(args.end(), long_run.begin(), long_run.end());
        const Outcome o = RunVelmora(args, folder.path(), false);
        EXPECT_EQ(o.ExitCode, 1) << c.Out << ": " << o.Output;
        EXPECT_EQ(o.Output, "velmora: cannot record " + c.Out + c.Says);
    }
    EXPECT_EQ(ListFolder(folder.File("d.gif")), std::vector<std::string>{});
}

// A file-size limit (ulimit -f) is an ordinary write error: said, the
// unfinished file removed, an existing output kept. A GIF small enough to sit
// in the write buffer until its close meets the limit only there.
TEST(LinuxProgram, AFileSizeLimitIsAWriteErrorThatKeepsTheOldOutput) {
    TempFolder folder;
    struct Case {
        std::vector<std::string> Args;
        rlim_t Limit;
        const char* Says;
    };
    const Case cases[] = {
        {{"--seconds", "20", "--size", "320x200", "--psychedelic-colors"}, 100 * 1024, "writing a frame: File too large"},
        {{"--seconds", "1", "--size", "8x8", "--no-psychedelic-colors"}, 0, "closing the file: File too large"},
        {{"--seconds", "2", "--size", "320x200", "--psychedelic-colors"}, 20 * 1024, ": File too large"},
    };
    for (size_t i = 0; i < 3; i++) {
        const Case& c = cases[i];
        const std::string out = folder.File(i < 2 ? "u.gif" : "u.webm");
        WriteFile(out, "the old one");
        std::vector<std::string> args = {"--record", out};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const Outcome o = RunVelmora(args, folder.path(), false, true, nullptr, c.Limit);
        EXPECT_EQ(o.ExitCode, 1) << o.Output;
        EXPECT_EQ(o.Output.rfind("velmora: cannot record " + out + ": ", 0), 0u) << o.Output;
        EXPECT_NE(o.Output.find(c.Says), std::string::npos) << o.Output;
        EXPECT_EQ(ReadFile(out), "the old one");
        EXPECT_EQ(ListFolder(folder.path()), (std::vector<std::string>{"control.ini", i < 2 ? "u.gif" : "u.webm"}));
        unlink(out.c_str());
    }
}

// An encoder that cannot have its memory says so in our words, with the size,
// and leaves nothing behind. A machine short of memory is played by the
// sanitizer's allocator refusing any block over 70 MB: the display of a
// 4096x4096 recording gets its 64, VP9's look-ahead buffers do not.
TEST(LinuxProgram, AnEncoderWithoutMemorySaysSoAndNamesTheSize) {
    TempFolder folder;
    const std::string out = folder.File("big.webm");
    WriteFile(out, "the old one");
    const char* before = getenv("ASAN_OPTIONS");
    const std::string kept = before ? before : "";
    setenv("ASAN_OPTIONS", "max_allocation_size_mb=70:allocator_may_return_null=1", 1);
    const Outcome o = RunVelmora({"--record", out, "--size", "4096x4096", "--seconds", "1", "--fps", "1"},
                                 folder.path(), false);
    if (before) setenv("ASAN_OPTIONS", kept.c_str(), 1);
    else unsetenv("ASAN_OPTIONS");
    EXPECT_EQ(o.ExitCode, 1) << o.Output;
    EXPECT_NE(o.Output.find("velmora: cannot record " + out + ": starting the encoder: out of memory for a video of "
                            "4096x4096\n"),
              std::string::npos)
        << o.Output;
    EXPECT_EQ(o.Output.find("libvpx"), std::string::npos) << "the encoder's own words: " << o.Output;
    EXPECT_EQ(ReadFile(out), "the old one");
    EXPECT_EQ(ListFolder(folder.path()), std::vector<std::string>{"big.webm"});
    // Past its own limit a WebM is refused before anything is made.
    const Outcome larger = RunVelmora({"--record", out, "--size", "4097x4096"}, folder.path(), false);
    EXPECT_EQ(larger.ExitCode, 2);
    EXPECT_EQ(larger.Output.rfind("velmora: --size: a WebM video may have at most 16777216 pixels", 0), 0u)
        << larger.Output;
}

// A display that cannot be reached is named in our words, and nothing of
// SDL's or a display library's comes before them.
TEST(LinuxProgram, AnUnreachableDisplayIsNamed) {
    TempFolder folder;
    const char* before = getenv("DISPLAY");
    const std::string kept = before ? before : "";
    setenv("DISPLAY", ":4077", 1);  // no server listens there
    const Outcome o = RunVelmora({"--size", "320x200"}, folder.path(), false);
    if (before) setenv("DISPLAY", kept.c_str(), 1);
    else unsetenv("DISPLAY");
    EXPECT_EQ(o.ExitCode, 1);
    EXPECT_EQ(o.Output, "velmora: cannot show anything: the X display \":4077\" cannot be reached; --record makes a GIF "
                        "without one\n");
}

// What ffprobe (FFmpeg's, not ours) says of a file: its "key=value" lines.
std::string Probe(const std::string& path) {
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=codec_name,width,height,avg_frame_rate,nb_read_frames:format=duration "
                                "-of default=noprint_wrappers=1 '" + path + "' 2>&1";
    std::string said;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, p)) said += buffer;
        pclose(p);
    }
    return said;
}

double ProbedSeconds(const std::string& said) {
    const size_t at = said.find("duration=");
    return at == std::string::npos ? -1 : atof(said.c_str() + at + 9);
}

// Recordings as someone else's player sees them: the GIF plays its recorded
// length, the videos have their codec, size, rate and every frame.
TEST(LinuxProgram, RecordingsPlayTheirLengthInFfprobe) {
    TempFolder folder;
    const std::vector<std::string> flowing = {"--seconds", "2", "--time", "1700000000", "--psychedelic-colors",
                                              "--cycle-delay", "10"};
    auto record = [&](const std::string& name, std::vector<std::string> more) {
        std::vector<std::string> args = {"--record", folder.File(name)};
        args.insert(args.end(), flowing.begin(), flowing.end());
        args.insert(args.end(), more.begin(), more.end());
        const Outcome o = RunVelmora(args, folder.path(), false);
        EXPECT_EQ(o.ExitCode, 0) << name << ": " << o.Output;
        EXPECT_EQ(o.Output, "") << name;
        return Probe(folder.File(name));
    };
    const std::string gif = record("flowing.gif", {"--size", "200x120"});
    EXPECT_NEAR(ProbedSeconds(gif), 2.0, 0.02) << gif;  // within one frame
    EXPECT_NE(gif.find("nb_read_frames=100"), std::string::npos) << gif;  // 50 a second
    const std::string mp4 = record("flowing.mp4", {"--size", "320x180", "--fps", "30", "--quality", "low"});
    for (const char* line : {"codec_name=h264", "width=320", "height=180", "avg_frame_rate=30/1", "nb_read_frames=60"})
        EXPECT_NE(mp4.find(line), std::string::npos) << line << " in " << mp4;
    EXPECT_NEAR(ProbedSeconds(mp4), 2.0, 1.0 / 30) << mp4;
    const std::string webm = record("flowing.webm", {"--size", "320x180"});
    for (const char* line : {"codec_name=vp9", "width=320", "height=180", "avg_frame_rate=60/1", "nb_read_frames=120"})
        EXPECT_NE(webm.find(line), std::string::npos) << line << " in " << webm;
    EXPECT_NEAR(ProbedSeconds(webm), 2.0, 1.0 / 60) << webm;
}

TEST(LinuxProgram, SaysWhatIsWrongAndReturnsItsCode) {
    TempFolder folder;
    struct Case {
        std::vector<std::string> Args;
        bool Display;
        int Code;
        const char* Says;
    };
    const Case cases[] = {
        {{"--bogus"}, true, 2, "unknown option: --bogus"},
        {{"--cycle-delay", "5000"}, true, 2, "--cycle-delay takes a whole number from 0 to 999"},
        {{"--settings", folder.File("none.ini")}, true, 2, "cannot read settings file"},
        {{"--settings", folder.path()}, true, 2, "not a regular file"},
        {{"--record", folder.File("no/such/folder.gif"), "--seconds", "1"}, true, 1, "cannot record"},
        {{"--record", folder.File("clouds.avi")}, true, 2, "--record writes .mp4 (H.264), .webm (VP9) or .gif files"},
        {{"--size", "320x200"}, false, 1, "velmora: cannot show anything: no display"},
        {{"--window-id", "0x1fffff0"}, false, 1, "cannot open the X display"},
    };
    WriteFile(folder.File("huge.ini"), "[ScreenSaver.Velmora]\n" + std::string(2 << 20, ';'));
    const Case huge = {{"--settings", folder.File("huge.ini")}, true, 2, "larger than 1 MB"};
    for (const Case& c : cases) {
        const Outcome o = RunVelmora(c.Args, folder.path(), false, c.Display);
        EXPECT_EQ(o.ExitCode, c.Code) << c.Args[0] << ": " << o.Output;
        EXPECT_NE(o.Output.find(c.Says), std::string::npos) << c.Args[0] << ": " << o.Output;
        EXPECT_EQ(o.Output.rfind("velmora", 0), 0u) << "a message before ours: " << o.Output;
        EXPECT_EQ(o.Output.find("Sanitizer"), std::string::npos) << o.Output;
    }
    for (bool usual : {false, true}) {  // named, or the usual file of the settings folder
        TempFolder settings;
        if (usual) rename(folder.File("huge.ini").c_str(), settings.File("control.ini").c_str());
        const Outcome o = RunVelmora(usual ? std::vector<std::string>{"--size", "320x200"} : huge.Args,
                                     usual ? settings.path() : folder.path(), false);
        EXPECT_EQ(o.ExitCode, huge.Code) << o.Output;
        EXPECT_NE(o.Output.find(huge.Says), std::string::npos) << o.Output;
    }
    EXPECT_NE(access(folder.File("clouds.avi").c_str(), F_OK), 0) << "a refused recording wrote its file";
    const Outcome help = RunVelmora({"--help"}, folder.path(), false);
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Output.find("--psychedelic-colors, --no-psychedelic-colors"), std::string::npos);
}

}  // namespace
