// Each settings test starts from the state of a new process with its own folder.
#ifndef VELMORA_TEST_SETTINGS_FIXTURE_H
#define VELMORA_TEST_SETTINGS_FIXTURE_H

#include "config/settings.h"
#include "config/settings_location.h"
#include "support/fresh_process.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class SettingsTest : public ::testing::Test {
protected:
    TempFolder Folder;
    std::string File = Folder.File("control.ini");

    void SetUp() override {
        setenv(kConfigDirVariable, Folder.path().c_str(), 1);
        StartFreshProcess();
    }
    void TearDown() override { unsetenv(kConfigDirVariable); }

    void Store(const std::string& lines) { WriteFile(File, "[ScreenSaver.Velmora]\n" + lines); }

    // The last load: the settings and where they came from.
    LoadedSettings Loaded;
    void Load(const SettingsSource& source = SettingsSource{}) { Loaded = LoadSettings(source); }
    bool Save() { return SaveSettings(Loaded.Settings, Loaded.Place); }
};

#endif
