// velmora-render: writes still pictures of the saver as indexed PNG files.
#include "png_writer.h"
#include "config/settings.h"
#include "saver/picture_render.h"
#include "config/settings_file_check.h"
#include "output/pending_file.h"
#include "velmora_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

namespace {

const char kUsage[] =
    "usage: velmora-render --width W --height H [--settings FILE] [--palette-size N]\n"
    "                      [--palette-device] [--ms M] [--time T] [--count K]\n"
    "                      [--cycle C | --moving N] --out PREFIX\n"
    "\n"
    "Plays K consecutive still pictures (default 1) of the saver with the settings\n"
    "of FILE (read only; default: the built-in settings) on a display of N palette\n"
    "entries (default 256), palette-based only with --palette-device. The thread's\n"
    "random source is seeded with M (default 0); picture k is generated with the\n"
    "calendar time T + k (default: now). With --cycle, each picture shows the\n"
    "colours it has after C steps of colour cycling that each rotate (continuous\n"
    "colour changing as the settings say). With --moving, each picture is the\n"
    "tall picture that N moving transitions scroll through, W x (H + N (H - 1)):\n"
    "generation j of picture k is made with the calendar time T + k (N + 1) + j.\n"
    "Writes PREFIX-k.png for each k.\n"
    "  W, H: 1 to 16384 (H at least 2 with --moving); N: 1 to 256; K: 1 to 100000;\n"
    "  C: 0 to 1000000; moving N: 0 to 1000, and the tall picture at most 2^28 pixels.\n"
    "  --version prints the program's name and version.\n";

bool ParseNumber(const char* text, unsigned long long max, unsigned long long& value) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; p++)
        if (*p < '0' || *p > '9') return false;
    errno = 0;
    value = strtoull(text, nullptr, 10);
    return errno == 0 && value <= max;
}

int Usage(const char* problem) {
    if (problem) fprintf(stderr, "velmora-render: %s\n", problem);
    fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    TakeFileSizeLimitAsAnError();
    RenderOptions options;
    options.Time = (uint32_t)time(nullptr);
    std::string settings_file;  // empty: the built-in settings
    std::string prefix;
    bool have_width = false, have_height = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            printf("velmora-render %s\n", VELMORA_VERSION);
            return 0;
        }
        if (arg == "--palette-device") {
            options.PaletteDevice = true;
            continue;
        }
        if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
        const char* value = argv[++i];
        unsigned long long n = 0;
        if (arg == "--width" && ParseNumber(value, 16384, n) && n >= 1) {
            options.Width = (int32_t)n;
            have_width = true;
        } else if (arg == "--height" && ParseNumber(value, 16384, n) && n >= 1) {
            options.Height = (int32_t)n;
            have_height = true;
        } else if (arg == "--palette-size" && ParseNumber(value, 256, n) && n >= 1) {
            options.PaletteSize = (int32_t)n;
        } else if (arg == "--ms" && ParseNumber(value, 0xFFFFFFFFull, n)) {
            options.SeedMs = (uint32_t)n;
        } else if (arg == "--time" && ParseNumber(value, 0xFFFFFFFFull, n)) {
            options.Time = (uint32_t)n;
        } else if (arg == "--count" && ParseNumber(value, 100000, n) && n >= 1) {
            options.Count = (uint32_t)n;
        } else if (arg == "--moving" && ParseNumber(value, 1000, n)) {
            options.Moving = (uint32_t)n;
        } else if (arg == "--cycle" && ParseNumber(value, 1000000, n)) {
            options.CycleSteps = (uint32_t)n;
        } else if (arg == "--settings" && *value) {
            settings_file = value;
        } else if (arg == "--out" && *value) {
            prefix = value;
        } else {
            return Usage(("bad argument: " + arg + " " + value).c_str());
        }
    }
    if (!have_width || !have_height || prefix.empty()) return Usage("--width, --height and --out are required");
    if (options.Moving > 0 && options.CycleSteps > 0) return Usage("--cycle and --moving exclude each other");
    if (options.Moving > 0 && (options.Height < 2 ||
                               (uint64_t)options.Width * (options.Height + (uint64_t)options.Moving * (options.Height - 1)) >
                                   (1u << 28)))
        return Usage("--moving needs a height of 2 or more, and the tall picture must stay within 2^28 pixels");
    std::string problem;
    if (!settings_file.empty()) {
        if (!UsableSettingsPath(settings_file)) {
            fprintf(stderr, "velmora-render: settings file path too long: %s\n", settings_file.c_str());
            return 2;
        }
        if (!ReadableSettings(settings_file, problem)) {
            fprintf(stderr, "velmora-render: cannot read settings file %s: %s\n", settings_file.c_str(),
                    problem.c_str());
            return 2;
        }
        // Only read, whatever it holds: the settings the file gives over the built-in ones.
        SettingsSource source;
        source.NamedFile = settings_file;
        options.Settings = ReadSettings(LoadSettingNames(source));
    }

    int status = 0;
    try {
        RenderPictures(options, [&](uint32_t k, const RenderedPicture& picture) {
            std::string path = prefix + "-" + std::to_string(k) + ".png";
            std::string error;
            if (WriteIndexedPng(path, options.Width, picture.Height, picture, error)) return true;
            fprintf(stderr, "velmora-render: cannot write %s: %s\n", path.c_str(), error.c_str());
            status = 1;
            return false;
        });
    } catch (const std::bad_alloc&) {
        fprintf(stderr, "velmora-render: out of memory for a picture of %dx%u\n", options.Width,
                (unsigned)(options.Height + (uint64_t)options.Moving * (uint64_t)(options.Height - 1)));
        return 1;
    }
    return status;
}
