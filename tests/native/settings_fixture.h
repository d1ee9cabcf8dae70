// Each settings test starts from the built-in defaults with its own folder.
#ifndef VELMORA_TEST_SETTINGS_FIXTURE_H
#define VELMORA_TEST_SETTINGS_FIXTURE_H

#include "config/settings.h"
#include "config/settings_location.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class SettingsTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string file = folder.File("control.ini");

    void SetUp() override {
        setenv(kConfigDirVariable, folder.path().c_str(), 1);
        ResetSettings();
    }
    void TearDown() override { unsetenv(kConfigDirVariable); }

    void Store(const std::string& lines) { WriteFile(file, "[ScreenSaver.Velmora]\n" + lines); }
};

#endif
