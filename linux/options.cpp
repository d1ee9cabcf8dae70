#include "options.h"

#include "config/setting_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char kUsage[] =
    "usage: velmora [--fullscreen | --size WxH | --window-id ID | -root]\n"
    "               [--palette-device] [--settings FILE] [--snapshot FILE] [SETTINGS...]\n"
    "       velmora --record OUT.gif [--seconds N] [--size WxH] [--time T]\n"
    "               [--palette-device] [--settings FILE] [SETTINGS...]\n"
    "\n"
    "Shows the Velmora plasma clouds in a window (default 1280x720), on the whole\n"
    "screen, or inside an existing X window (XScreenSaver's -window-id, -root or\n"
    "XSCREENSAVER_WINDOW). A key, a click or a mouse move of more than 4 pixels ends\n"
    "it, except inside another program's window. With --record, plays N seconds\n"
    "(default 10) without a display and writes an animated GIF, starting at the\n"
    "calendar time T (seconds since 1970; default: now).\n"
    "\n"
    "  --fullscreen            the whole screen\n"
    "  --size WxH              the window's or the recording's size (1 to 16384 each, 8192x8192 pixels at most)\n"
    "  --window-id ID          draw into this X window (also -window-id; decimal or 0x...)\n"
    "  -root                   draw into XSCREENSAVER_WINDOW, else the root window\n"
    "  --palette-device        a 256-entry palette display: colours flow by palette animation\n"
    "  --settings FILE         the settings file (default: ~/.config/Velmora/control.ini)\n"
    "  --snapshot FILE         at each SIGUSR1, write what is shown as a PPM picture\n"
    "  --record OUT.gif        write an animated GIF instead of showing anything\n"
    "  --seconds N             how long the recording plays (1 to 3600)\n"
    "  --time T                the calendar time the recording starts at\n"
    "  --help                  this text\n"
    "\n"
    "SETTINGS replace those of the file for this run only:\n";

namespace {

constexpr uint64_t kMostPixels = 1u << 26;  // the display, the saver's pictures and the copies: some 700 MB

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

unsigned long ParseWindowId(const char* text) {
    if (!text) return 0;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    const size_t length = strspn(digits, hex ? "0123456789abcdefABCDEF" : "0123456789");
    if (length == 0 || length > 10 || digits[length]) return 0;
    const unsigned long id = strtoul(digits, nullptr, hex ? 16 : 10);
    return id <= 0x1FFFFFFFul ? id : 0;  // X resource ids have 29 bits
}

bool ParseProgramOptions(int argc, char** argv, const char* window_variable, ProgramOptions& options,
                         std::string& problem) {
    bool fullscreen = false, size_given = false, seconds_given = false;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.mode = RunMode::Help;
            return true;
        }
        switch (TakeSettingOption(argc, argv, i, problem)) {
            case SettingOptionResult::Taken:
                continue;
            case SettingOptionResult::Bad:
                return false;
            case SettingOptionResult::NotASetting:
                break;
        }
        if (arg == "--fullscreen") {
            fullscreen = true;
            continue;
        }
        if (arg == "-root" || arg == "--root") {
            options.root = true;
            continue;
        }
        if (arg == "--palette-device") {
            options.palette_device = true;
            continue;
        }
        const bool takes_value = arg == "--size" || arg == "--window-id" || arg == "-window-id" ||
                                 arg == "--settings" || arg == "--snapshot" || arg == "--record" ||
                                 arg == "--seconds" || arg == "--time";
        if (!takes_value) {
            problem = "unknown option: " + arg;
            return false;
        }
        if (i + 1 >= argc || !*argv[i + 1]) {
            problem = "missing value after " + arg;
            return false;
        }
        const char* value = argv[++i];
        unsigned long number = 0;
        if (arg == "--size") {
            if (!ParseSize(value, options.width, options.height)) {
                problem = std::string("--size takes WIDTHxHEIGHT, each 1 to 16384, not \"") + value + "\"";
                return false;
            }
            size_given = true;
        } else if (arg == "--window-id" || arg == "-window-id") {
            options.window_id = ParseWindowId(value);
            if (!options.window_id) {
                problem = std::string("not an X window id: \"") + value + "\"";
                return false;
            }
        } else if (arg == "--settings") {
            options.settings_file = value;
        } else if (arg == "--snapshot") {
            options.snapshot_file = value;
        } else if (arg == "--record") {
            options.record_file = value;
        } else if (arg == "--seconds") {
            if (!ParseCount(value, 3600, number) || number == 0) {
                problem = std::string("--seconds takes 1 to 3600, not \"") + value + "\"";
                return false;
            }
            options.seconds = (uint32_t)number;
            seconds_given = true;
        } else {  // --time
            if (!ParseCount(value, 0xFFFFFFFFul, number)) {
                problem = std::string("--time takes seconds since 1970, 0 to 4294967295, not \"") + value + "\"";
                return false;
            }
            options.time = (uint32_t)number;
            options.time_given = true;
        }
    }

    if ((uint64_t)options.width * options.height > kMostPixels) {
        problem = "--size: a picture may have at most 67108864 pixels (8192x8192)";
        return false;
    }
    if (!options.record_file.empty()) {
        if (fullscreen || options.window_id || options.root || !options.snapshot_file.empty()) {
            problem = "--record shows nothing: it takes no --fullscreen, --window-id, -root or --snapshot";
            return false;
        }
        options.mode = RunMode::Record;
        return true;
    }
    if (seconds_given || options.time_given) {
        problem = "--seconds and --time belong to --record";
        return false;
    }
    // An id given on the command line comes first; XScreenSaver's variable
    // names its own window when it asks for the root.
    const unsigned long from_variable = ParseWindowId(window_variable);
    if (!options.window_id && window_variable && *window_variable && options.root && !from_variable) {
        problem = std::string("XSCREENSAVER_WINDOW is not an X window id: \"") + window_variable + "\"";
        return false;
    }
    if (!options.window_id && options.root) options.window_id = from_variable;
    if (!options.window_id && !options.root && from_variable && !fullscreen && !size_given)
        options.window_id = from_variable;
    if (options.window_id || options.root) {
        if (fullscreen || size_given) {
            problem = "a window of another program has its own size: no --fullscreen or --size with it";
            return false;
        }
        options.mode = RunMode::Embedded;
    } else {
        if (fullscreen && size_given) {
            problem = "--fullscreen takes the screen's size: no --size with it";
            return false;
        }
        options.mode = fullscreen ? RunMode::FullScreen : RunMode::Window;
    }
    return true;
}
