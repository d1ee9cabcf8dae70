#include "options.h"

#include "config/setting_options.h"
#include "config/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

const char kUsage[] =
    "usage: velmora [--fullscreen | --size WxH | --window-id ID | -root]\n"
    "               [--palette-device] [--settings FILE] [--snapshot FILE] [SETTINGS...]\n"
    "       velmora --record OUT.mp4|OUT.webm|OUT.gif [--seconds N] [--size WxH] [--time T]\n"
    "               [--fps N] [--quality low|medium|high] [--palette-device] [--settings FILE] [SETTINGS...]\n"
    "\n"
    "Shows the Velmora plasma clouds in a window (default 1280x720), on the whole\n"
    "screen, or inside an existing X window (XScreenSaver's -window-id, -root or\n"
    "XSCREENSAVER_WINDOW). A key, a click or a mouse move of more than 4 pixels ends\n"
    "it, except inside another program's window. With --record, plays N seconds\n"
    "(default 10) without a display, starting at the calendar time T (seconds since\n"
    "1970; default: now), and writes a video (.mp4: H.264, .webm: VP9) or an\n"
    "animated GIF (at most 50 frames a second), as the file's name says.\n"
    "\n"
    "  --fullscreen            the whole screen\n"
    "  --size WxH              the window's or the recording's size (1 to 16384 each, 8192x8192 pixels at most)\n"
    "  --window-id ID          draw into this X window (also -window-id; decimal or 0x...)\n"
    "  -root                   draw into XSCREENSAVER_WINDOW, else the root window\n"
    "  --palette-device        a 256-entry palette display: colours flow by palette animation\n"
    "  --settings FILE         the settings file (default: ~/.config/Velmora/control.ini)\n"
    "  --snapshot FILE         at each SIGUSR1, write what is shown as a PPM picture\n"
    "  --record FILE           write a recording (.mp4, .webm or .gif) instead of showing anything\n"
    "  --seconds N             how long the recording plays (1 to 3600)\n"
    "  --time T                the calendar time the recording starts at\n"
    "  --fps N                 a video's frames a second (1 to 120, default 60)\n"
    "  --quality Q             a video's quality: low, medium (default) or high\n"
    "  --help                  this text\n"
    "  --version               the program's name and version\n"
    "\n"
    "SETTINGS replace those of the file for this run only:\n";

namespace {


bool ParseCount(const char* text, unsigned long max, unsigned long& value) {
    const size_t digits = strspn(text, "0123456789");
    if (digits == 0 || digits > 10 || text[digits]) return false;
    value = strtoul(text, nullptr, 10);
    return value <= max;
}

bool ParseSize(const char* text, int& width, int& height) {
    const char* x = strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    unsigned long a, b;
    if (!ParseCount(w.c_str(), 16384, a) || !ParseCount(x + 1, 16384, b) || a == 0 || b == 0) return false;
    width = (int)a;
    height = (int)b;
    return true;
}

}  // namespace

void BoundToLargestPicture(int& width, int& height) {
    width = std::min(std::max(width, 1), kLargestSide);
    height = std::min(std::max(height, 1), kLargestSide);
    if ((uint64_t)width * (uint64_t)height > kMostPixels) height = (int)(kMostPixels / (uint64_t)width);
}

unsigned long ParseWindowId(const char* text) {
    if (!text) return 0;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    const size_t length = strspn(digits, hex ? "0123456789abcdefABCDEF" : "0123456789");
    if (length == 0 || length > 10 || digits[length]) return 0;
    const unsigned long id = strtoul(digits, nullptr, hex ? 16 : 10);
    return id <= 0x1FFFFFFFul ? id : 0;  // X resource ids have 29 bits
}

namespace {

bool Fail(std::string& problem, const std::string& text) {
    problem = text;
    return false;
}

// One option of the program: a switch, or one that takes the next word. Take
// stores what it gives; false with problem set when the value is not one.
struct ProgramOption {
    const char* Name;
    const char* OtherName;  // or null
    bool TakesValue;
    bool (*Take)(ProgramOptions& options, const char* value, std::string& problem);
};

const ProgramOption kProgramOptions[] = {
    {"--fullscreen", nullptr, false,
     [](ProgramOptions& o, const char*, std::string&) { return o.FullScreen = true; }},
    {"-root", "--root", false, [](ProgramOptions& o, const char*, std::string&) { return o.Root = true; }},
    {"--palette-device", nullptr, false,
     [](ProgramOptions& o, const char*, std::string&) { return o.PaletteDevice = true; }},
    {"--size", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         return o.SizeGiven = ParseSize(v, o.Width, o.Height) ||
                               Fail(problem, std::string("--size takes WIDTHxHEIGHT, each 1 to 16384, not \"") + v + "\"");
     }},
    {"--window-id", "-window-id", true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         o.WindowId = ParseWindowId(v);
         return o.WindowId != 0 || Fail(problem, std::string("not an X window id: \"") + v + "\"");
     }},
    {"--settings", nullptr, true, [](ProgramOptions& o, const char* v, std::string&) { return o.SettingsFile = v, true; }},
    {"--snapshot", nullptr, true, [](ProgramOptions& o, const char* v, std::string&) { return o.SnapshotFile = v, true; }},
    {"--record", nullptr, true, [](ProgramOptions& o, const char* v, std::string&) { return o.RecordFile = v, true; }},
    {"--seconds", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         unsigned long n = 0;
         if (!ParseCount(v, 3600, n) || n == 0) return Fail(problem, std::string("--seconds takes 1 to 3600, not \"") + v + "\"");
         o.Seconds = (uint32_t)n;
         return o.SecondsGiven = true;
     }},
    {"--fps", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         unsigned long n = 0;
         if (!ParseCount(v, 120, n) || n == 0) return Fail(problem, std::string("--fps takes 1 to 120, not \"") + v + "\"");
         o.FramesPerSecond = (int)n;
         return o.FramesPerSecondGiven = true;
     }},
    {"--quality", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         const std::string q = v;
         if (q == "low") o.Quality = VideoQuality::Low;
         else if (q == "medium") o.Quality = VideoQuality::Medium;
         else if (q == "high") o.Quality = VideoQuality::High;
         else return Fail(problem, "--quality takes low, medium or high, not \"" + q + "\"");
         return o.QualityGiven = true;
     }},
    {"--time", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         unsigned long n = 0;
         if (!ParseCount(v, 0xFFFFFFFFul, n))
             return Fail(problem, std::string("--time takes seconds since 1970, 0 to 4294967295, not \"") + v + "\"");
         o.Time = (uint32_t)n;
         return o.TimeGiven = true;
     }},
};

const ProgramOption* FindProgramOption(const std::string& arg) {
    for (const ProgramOption& option : kProgramOptions)
        if (arg == option.Name || (option.OtherName && arg == option.OtherName)) return &option;
    return nullptr;
}

// Which run the options ask for, and whether they go together.
bool DecideMode(ProgramOptions& options, const char* window_variable, std::string& problem) {
    if ((uint64_t)options.Width * options.Height > kMostPixels)
        return Fail(problem, "--size: a picture may have at most 67108864 pixels (8192x8192)");
    if (!options.RecordFile.empty()) {
        if (options.FullScreen || options.WindowId || options.Root || !options.SnapshotFile.empty())
            return Fail(problem, "--record shows nothing: it takes no --fullscreen, --window-id, -root or --snapshot");
        if (!RecordFormatOf(options.RecordFile, options.Format))
            return Fail(problem, "--record writes .mp4 (H.264), .webm (VP9) or .gif files, not \"" +
                                     options.RecordFile + "\"");
        const bool video = options.Format != RecordFormat::Gif;
        if (!video && (options.FramesPerSecondGiven || options.QualityGiven))
            return Fail(problem, "--fps and --quality belong to a video (.mp4, .webm): a GIF has at most 50 frames a "
                                 "second of exact colours");
        if (options.Format == RecordFormat::WebM && (uint64_t)options.Width * options.Height > kMostWebMPixels)
            return Fail(problem, "--size: a WebM video may have at most 16777216 pixels (4096x4096), since VP9 needs "
                                 "about 120 bytes a pixel; an .mp4 may have 67108864");
        if (options.Format == RecordFormat::Mp4 && (options.Width % 2 || options.Height % 2))
            return Fail(problem, "an .mp4 video needs an even width and height, not " + std::to_string(options.Width) +
                                     "x" + std::to_string(options.Height));
        options.Mode = RunMode::Record;
        return true;
    }
    if (options.SecondsGiven || options.TimeGiven || options.FramesPerSecondGiven || options.QualityGiven)
        return Fail(problem, "--seconds, --time, --fps and --quality belong to --record");
    // An id given on the command line comes first; XScreenSaver's variable
    // names its own window when it asks for the root.
    const unsigned long from_variable = ParseWindowId(window_variable);
    if (!options.WindowId && window_variable && *window_variable && options.Root && !from_variable)
        return Fail(problem, std::string("XSCREENSAVER_WINDOW is not an X window id: \"") + window_variable + "\"");
    if (!options.WindowId && options.Root) options.WindowId = from_variable;
    if (!options.WindowId && !options.Root && from_variable && !options.FullScreen && !options.SizeGiven)
        options.WindowId = from_variable;
    if (options.WindowId || options.Root) {
        if (options.FullScreen || options.SizeGiven)
            return Fail(problem, "a window of another program has its own size: no --fullscreen or --size with it");
        options.Mode = RunMode::Embedded;
    } else {
        if (options.FullScreen && options.SizeGiven)
            return Fail(problem, "--fullscreen takes the screen's size: no --size with it");
        options.Mode = options.FullScreen ? RunMode::FullScreen : RunMode::Window;
    }
    return true;
}

}  // namespace

bool ParseProgramOptions(int argc, char** argv, const char* window_variable, ProgramOptions& options,
                         std::string& problem) {
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.Mode = RunMode::Help;
            return true;
        }
        if (arg == "--version") {
            options.Mode = RunMode::Version;
            return true;
        }
        switch (TakeSettingOption(argc, argv, i, options.Settings, problem)) {
            case SettingOptionResult::Taken:
                continue;
            case SettingOptionResult::Bad:
                return false;
            case SettingOptionResult::NotASetting:
                break;
        }
        const ProgramOption* option = FindProgramOption(arg);
        if (!option) return Fail(problem, "unknown option: " + arg);
        const char* value = nullptr;
        if (option->TakesValue) {
            if (i + 1 >= argc || !*argv[i + 1]) return Fail(problem, "missing value after " + arg);
            value = argv[++i];
        }
        if (!option->Take(options, value, problem)) return false;
    }
    return DecideMode(options, window_variable, problem);
}

SettingsSource SettingsSourceOf(const ProgramOptions& options) {
    SettingsSource source;
    source.NamedFile = options.SettingsFile;
    source.Overrides = options.Settings;
    return source;
}
