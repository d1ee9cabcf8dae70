// The saver on the native platform with a test clock: each case starts from a
// new display, its own settings folder and the state of a new process.
#ifndef VELMORA_TEST_SAVER_FIXTURE_H
#define VELMORA_TEST_SAVER_FIXTURE_H

#include "config/settings.h"
#include "config/settings_location.h"
#include "platform/native/test_hooks.h"
#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/messages.h"
#include "saver/saver_record.h"
#include "saver/transitions.h"
#include "saver/clock.h"
#include "saver/window_core.h"
#include "support/display_png.h"
#include "support/fresh_process.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace np = native_platform;

// The record of a saver window; of the first saver window alive when none is named.
inline SaverRecord& Saver(HWND window = nullptr) {
    static SaverRecord none;  // a test that asks for a saver where there is none fails, not crashes
    if (!window) window = FindWindowA("WindowsScreenSaverClass", nullptr);
    SaverRecord* saver = window ? SaverOf(window) : nullptr;
    if (!saver) {
        ADD_FAILURE() << "no saver window";
        return none;
    }
    return *saver;
}

class SaverTest : public ::testing::Test {
protected:
    TempFolder Folder;

    void SetUp() override {
        setenv(kConfigDirVariable, Folder.path().c_str(), 1);
        Start(np::DisplayKind::TrueColor, 640, 480);
    }
    void TearDown() override {
        KeepDisplayOfFailedTest();
        np::Reset();  // the savers still open go, each with its worker and record
        unsetenv(kConfigDirVariable);
    }

    // A new process on a display of this kind, whose clock has run a while.
    void Start(np::DisplayKind kind, int width, int height) {
        StartFreshProcess(kind, width, height);
        np::SetTickCount(100000);
    }

    void Store(const std::string& lines) { WriteFile(Folder.File("control.ini"), "[ScreenSaver.Velmora]\n" + lines); }

    HWND OpenFullScreen() { return OpenSaverWindow(nullptr, nullptr, ScreenSaverProc, SettingsSource{}); }


    // A full-screen saver whose first picture is finished and painted whole.
    HWND OpenAndPaintFirstPicture() {
        HWND window = OpenFullScreen();
        EXPECT_TRUE(RunUntil(SSM_IMAGEDONE));
        InvalidateRect(window, nullptr, FALSE);
        EXPECT_TRUE(RunUntil(WM_PAINT));
        return window;
    }

    // A window standing for the display settings' preview area.
    static HWND MakeParent(int x, int y, int width, int height) {
        WNDCLASSA parent_class = {};
        parent_class.lpfnWndProc = DefWindowProcA;
        parent_class.lpszClassName = "Parent";
        RegisterClassA(&parent_class);
        return CreateWindowExA(0, "Parent", "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr, nullptr,
                               nullptr);
    }

    // One turn of the saver's own message loop, for the saver window alive;
    // false at WM_QUIT or when nothing could arrive.
    static bool Step() {
        HWND saver = FindWindowA("WindowsScreenSaverClass", nullptr);
        int exit_code = 0;
        return DispatchNextMessage(&saver, saver ? 1 : 0, exit_code);
    }

    // Steps until the message has been delivered `count` times more, or nothing arrives.
    bool RunUntil(UINT message, int count = 1, int limit = 10000) {
        size_t seen = Delivered(message);
        for (int i = 0; i < limit; i++) {
            if ((int)(Delivered(message) - seen) >= count) return true;
            if (!Step()) return false;
        }
        return false;
    }

    static size_t Delivered(UINT message) {
        size_t n = 0;
        for (const MSG& m : np::DeliveredMessages()) n += m.message == message;
        return n;
    }

    // The private messages and timers delivered, in order.
    static std::vector<UINT> CycleMessages() {
        std::vector<UINT> out;
        for (const MSG& m : np::DeliveredMessages())
            if ((m.message >= SSM_DRAWIMAGE && m.message <= SSM_NEWIMAGE) || m.message == WM_TIMER)
                out.push_back(m.message);
        return out;
    }

    static void ExpectNothingLeaked() {
        EXPECT_EQ(np::LiveBlocks(), 0);
        EXPECT_EQ(np::LiveEvents(), 0);
        EXPECT_EQ(np::BadReleases(), 0);
    }
};

#endif
