// Any bytes as the settings file: reading it and the first-run writes end,
// stay inside their buffers, leak nothing, lose none of the file, and leave
// the records holding only what the store promises.
#include "config/settings.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folder;

bool IsNamedColorOrNone(int32_t color) {
    if (color == kNoColor) return true;
    for (int i = 0; i < kKeyColorSlots; i++)
        if (ColorNameTable[i].Color == color) return true;
    return false;
}

void Check(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "profile_fuzz: %s\n", what);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A folder of its own, in memory where the system has one (no disk syncs).
    char pattern[] = "/dev/shm/velmora-fuzz-XXXXXX";
    char fallback[] = "/tmp/velmora-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) made = mkdtemp(fallback);
    if (!made) abort();
    folder = made;
    setenv("VELMORA_CONFIG_DIR", folder.c_str(), 1);
    atexit([] { std::filesystem::remove_all(folder); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = folder + "/control.ini";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) abort();
    fwrite(data, 1, size, file);
    fclose(file);

    const LoadedSettings loaded = LoadSettings(SettingsSource{});

    const SaverSettingsRecord& s = loaded.Settings.SaverSettings;
    Check(s.PaletteIndex <= 6, "PaletteIndex outside 0-6");
    Check(s.MovingClouds == 0 || s.MovingClouds == 1, "MovingClouds holds another bit");
    Check(s.PsychedelicColors == 0 || s.PsychedelicColors == 2, "PsychedelicColors holds another bit");
    Check(s.TransformingClouds == 0 || s.TransformingClouds == 4, "TransformingClouds holds another bit");
    for (int p = 0; p < kStoredPalettes; p++) {
        const PaletteDefinition& palette = loaded.Settings.PaletteTable[p];
        Check(palette.count >= 0 && palette.count <= kKeyColorSlots, "palette count outside 0-8");
        for (int i = 0; i < kKeyColorSlots; i++) {
            Check(IsNamedColorOrNone(palette.colors[i]), "a palette slot that is no colour name");
            if (i >= palette.count) Check(palette.colors[i] == kNoColor, "a slot past the count is not empty");
        }
    }
    // Adding missing keys never takes anything away.
    struct stat after;
    Check(stat(path.c_str(), &after) == 0, "the file is gone");
    const bool unicode = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    if (!unicode) Check((size_t)after.st_size >= size, "the file lost bytes");

    char small[5];
    DWORD got = GetPrivateProfileStringA(loaded.Place.SettingsSection, "Palette1", "", small, sizeof small,
                                         loaded.Place.SettingsPath);
    Check(got < sizeof small && small[got] == '\0', "a value overran a small buffer");
    return 0;
}
