#include "page_storage.h"

#include "page_bridge.h"
#include "page_settings.h"

#include "config/settings.h"
#include "config/settings_location.h"
#include "platform/native/display_host.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace np = native_platform;

namespace {

constexpr char kSettingsFolder[] = "/velmora";  // in the page's in-memory file system
constexpr char kStorageKeyPrefix[] = "velmora/";

std::string FilePath(const SettingsPlaceRecord& place) { return np::HostPath(place.SettingsPath); }
std::string StorageKey(const SettingsPlaceRecord& place) { return kStorageKeyPrefix + std::string(place.SettingsFile); }

bool ReadWhole(const std::string& path, std::string& text) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    char chunk[4096];
    size_t n;
    text.clear();
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    const bool whole = !ferror(f);
    fclose(f);
    return whole;
}

}  // namespace

void RestoreSettingsFile() {
    mkdir(kSettingsFolder, 0755);
    setenv(kConfigDirVariable, kSettingsFolder, 1);
    const SettingsPlaceRecord place = LoadSettingNames(SettingsSource{});  // where the file is, by the store's own rules
    if (!place.SettingsPath[0]) return;
    const std::string kept = StoredText(StorageKey(place));
    if (kept.empty()) return;
    FILE* f = fopen(FilePath(place).c_str(), "wb");
    if (!f) return;
    fwrite(kept.data(), 1, kept.size(), f);
    fclose(f);
}

SaveResult SaveChangedSettings(const SettingsSource& shown, const std::vector<std::pair<int32_t, int32_t>>& changes) {
    LoadedSettings loaded = LoadSettings(shown);
    bool changed = false;
    for (const auto& change : changes)
        changed = ApplyPageSetting(change.first, change.second, loaded.Settings.SaverSettings) || changed;
    if (!changed) return SaveResult::NothingChanged;
    std::string text;
    if (!SaveSettings(loaded.Settings, loaded.Place) || !ReadWhole(FilePath(loaded.Place), text))
        return SaveResult::NotWritten;
    StoreText(StorageKey(loaded.Place), text);
    return SaveResult::Saved;
}
