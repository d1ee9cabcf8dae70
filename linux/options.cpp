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

// One option of the program: a switch, or one that takes the next word. take
// stores what it gives; false with problem set when the value is not one.
struct ProgramOption {
    const char* name;
    const char* other_name;  // or null
    bool takes_value;
    bool (*take)(ProgramOptions& options, const char* value, std::string& problem);
};

const ProgramOption kProgramOptions[] = {
    {"--fullscreen", nullptr, false,
     [](ProgramOptions& o, const char*, std::string&) { return o.fullscreen = true; }},
    {"-root", "--root", false, [](ProgramOptions& o, const char*, std::string&) { return o.root = true; }},
    {"--palette-device", nullptr, false,
     [](ProgramOptions& o, const char*, std::string&) { return o.palette_device = true; }},
    {"--size", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         return o.size_given = ParseSize(v, o.width, o.height) ||
                               Fail(problem, std::string("--size takes WIDTHxHEIGHT, each 1 to 16384, not \"") + v + "\"");
     }},
    {"--window-id", "-window-id", true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         o.window_id = ParseWindowId(v);
         return o.window_id != 0 || Fail(problem, std::string("not an X window id: \"") + v + "\"");
     }},
    {"--settings", nullptr, true, [](ProgramOptions& o, const char* v, std::string&) { return o.settings_file = v, true; }},
    {"--snapshot", nullptr, true, [](ProgramOptions& o, const char* v, std::string&) { return o.snapshot_file = v, true; }},
    {"--record", nullptr, true, [](ProgramOptions& o, const char* v, std::string&) { return o.record_file = v, true; }},
    {"--seconds", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         unsigned long n = 0;
         if (!ParseCount(v, 3600, n) || n == 0) return Fail(problem, std::string("--seconds takes 1 to 3600, not \"") + v + "\"");
         o.seconds = (uint32_t)n;
         return o.seconds_given = true;
     }},
    {"--fps", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         unsigned long n = 0;
         if (!ParseCount(v, 120, n) || n == 0) return Fail(problem, std::string("--fps takes 1 to 120, not \"") + v + "\"");
         o.frames_per_second = (int)n;
         return o.frames_per_second_given = true;
     }},
    {"--quality", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         const std::string q = v;
         if (q == "low") o.quality = VideoQuality::Low;
         else if (q == "medium") o.quality = VideoQuality::Medium;
         else if (q == "high") o.quality = VideoQuality::High;
         else return Fail(problem, "--quality takes low, medium or high, not \"" + q + "\"");
         return o.quality_given = true;
     }},
    {"--time", nullptr, true,
     [](ProgramOptions& o, const char* v, std::string& problem) {
         unsigned long n = 0;
         if (!ParseCount(v, 0xFFFFFFFFul, n))
             return Fail(problem, std::string("--time takes seconds since 1970, 0 to 4294967295, not \"") + v + "\"");
         o.time = (uint32_t)n;
         return o.time_given = true;
     }},
};

const ProgramOption* FindProgramOption(const std::string& arg) {
    for (const ProgramOption& option : kProgramOptions)
        if (arg == option.name || (option.other_name && arg == option.other_name)) return &option;
    return nullptr;
}

// Which run the options ask for, and whether they go together.
bool DecideMode(ProgramOptions& options, const char* window_variable, std::string& problem) {
    if ((uint64_t)options.width * options.height > kMostPixels)
        return Fail(problem, "--size: a picture may have at most 67108864 pixels (8192x8192)");
    if (!options.record_file.empty()) {
        if (options.fullscreen || options.window_id || options.root || !options.snapshot_file.empty())
            return Fail(problem, "--record shows nothing: it takes no --fullscreen, --window-id, -root or --snapshot");
        if (!RecordFormatOf(options.record_file, options.record_format))
            return Fail(problem, "--record writes .mp4 (H.264), .webm (VP9) or .gif files, not \"" +
                                     options.record_file + "\"");
        const bool video = options.record_format != RecordFormat::Gif;
        if (!video && (options.frames_per_second_given || options.quality_given))
            return Fail(problem, "--fps and --quality belong to a video (.mp4, .webm): a GIF has at most 50 frames a "
                                 "second of exact colours");
        if (options.record_format == RecordFormat::WebM && (uint64_t)options.width * options.height > kMostWebMPixels)
            return Fail(problem, "--size: a WebM video may have at most 16777216 pixels (4096x4096), since VP9 needs "
                                 "about 120 bytes a pixel; an .mp4 may have 67108864");
        if (options.record_format == RecordFormat::Mp4 && (options.width % 2 || options.height % 2))
            return Fail(problem, "an .mp4 video needs an even width and height, not " + std::to_string(options.width) +
                                     "x" + std::to_string(options.height));
        options.mode = RunMode::Record;
        return true;
    }
    if (options.seconds_given || options.time_given || options.frames_per_second_given || options.quality_given)
        return Fail(problem, "--seconds, --time, --fps and --quality belong to --record");
    // An id given on the command line comes first; XScreenSaver's variable
    // names its own window when it asks for the root.
    const unsigned long from_variable = ParseWindowId(window_variable);
    if (!options.window_id && window_variable && *window_variable && options.root && !from_variable)
        return Fail(problem, std::string("XSCREENSAVER_WINDOW is not an X window id: \"") + window_variable + "\"");
    if (!options.window_id && options.root) options.window_id = from_variable;
    if (!options.window_id && !options.root && from_variable && !options.fullscreen && !options.size_given)
        options.window_id = from_variable;
    if (options.window_id || options.root) {
        if (options.fullscreen || options.size_given)
            return Fail(problem, "a window of another program has its own size: no --fullscreen or --size with it");
        options.mode = RunMode::Embedded;
    } else {
        if (options.fullscreen && options.size_given)
            return Fail(problem, "--fullscreen takes the screen's size: no --size with it");
        options.mode = options.fullscreen ? RunMode::FullScreen : RunMode::Window;
    }
    return true;
}

}  // namespace

bool ParseProgramOptions(int argc, char** argv, const char* window_variable, ProgramOptions& options,
                         std::string& problem) {
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.mode = RunMode::Help;
            return true;
        }
        switch (TakeSettingOption(argc, argv, i, options.settings, problem)) {
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
        if (option->takes_value) {
            if (i + 1 >= argc || !*argv[i + 1]) return Fail(problem, "missing value after " + arg);
            value = argv[++i];
        }
        if (!option->take(options, value, problem)) return false;
    }
    return DecideMode(options, window_variable, problem);
}

SettingsSource SettingsSourceOf(const ProgramOptions& options) {
    SettingsSource source;
    source.NamedFile = options.settings_file;
    source.Overrides = options.settings;
    return source;
}
