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

std::string FilePath() { return np::HostPath(SettingsPath); }
std::string StorageKey() { return kStorageKeyPrefix + std::string(SettingsFile); }

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
    LoadSettingNames();  // where the file is, by the store's own rules
    if (!SettingsPath[0]) return;
    const std::string kept = StoredText(StorageKey());
    if (kept.empty()) return;
    FILE* f = fopen(FilePath().c_str(), "wb");
    if (!f) return;
    fwrite(kept.data(), 1, kept.size(), f);
    fclose(f);
}

SaveResult SaveChangedSettings(const std::vector<std::pair<int32_t, int32_t>>& changes) {
    LoadSettings();  // what ran: the file and the link's settings
    bool changed = false;
    for (const auto& change : changes)
        changed = ApplyPageSetting(change.first, change.second, SaverSettings) || changed;
    if (!changed) return SaveResult::NothingChanged;
    std::string text;
    if (!SaveSettings() || !ReadWhole(FilePath(), text)) return SaveResult::NotWritten;
    StoreText(StorageKey(), text);
    return SaveResult::Saved;
}
