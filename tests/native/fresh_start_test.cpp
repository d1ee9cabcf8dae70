// The program as a user starts it: no reset of any kind runs in this process
// before the test, so every value it sees is the one the process starts with.
#include "config/settings.h"
#include "config/settings_location.h"
#include "platform/native/test_hooks.h"
#include "saver/host.h"
#include "saver/message_loop.h"
#include "saver/messages.h"
#include "saver/saver_record.h"
#include "config/module_instance.h"
#include "saver/window_core.h"
#include "support/temp_folder.h"
#include "synth/palette.h"
#include "synth/random.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace np = native_platform;

namespace {

// Dispatches until the message has been delivered (perhaps inside another's handling).
bool DispatchUntil(UINT message) {
    size_t seen = 0;
    for (int i = 0; i < 100000; i++) {
        for (; seen < np::DeliveredMessages().size(); seen++)
            if (np::DeliveredMessages()[seen].message == message) return true;
        MSG msg;
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return false;
        DispatchMessageA(&msg);
    }
    return false;
}

bool ScreenIsBlack() {
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (np::ScreenPixel(x, y) != 0) return false;
    return true;
}

// What a saver finds when its window is made: its record with its start
// values, the settings as the file (none yet) gives them.
void ExpectStartValues(HWND window) {
    SaverRecord* saver = SaverOf(window);
    ASSERT_NE(saver, nullptr);
    EXPECT_EQ(saver->SaverState.ShownImage, nullptr);
    EXPECT_EQ(saver->SaverState.TimerArmed, 0);
    EXPECT_FALSE(saver->AbortRequested);
    EXPECT_FALSE(saver->PacedMessage.Pending);
    for (const SettingKey& k : kSettingKeys) EXPECT_EQ(k.Stored(saver->Settings.SaverSettings), k.Fallback) << k.Key;
    for (int i = 0; i < kKeyColorSlots; i++) {
        EXPECT_EQ(saver->Settings.PaletteTable[i].count, kDefaultPalettes[i].count) << i;
        for (int c = 0; c < kKeyColorSlots; c++)
            EXPECT_EQ(saver->Settings.PaletteTable[i].colors[c], kDefaultPalettes[i].colors[c]);
    }
    for (uint8_t scale : saver->PaletteChooser.ChannelScale) EXPECT_EQ(scale, 255);
    EXPECT_EQ(saver->PaletteChooser.ScratchFirstRandom, 0);
    EXPECT_EQ(saver->PaletteChooser.Scratch.count, 0);
}

TEST(FreshProcess, RecordsStartWithTheirValuesAndTheFirstPaintDrawsNothing) {
    // The process keeps only facts of the process: none is set yet.
    EXPECT_EQ(TimerResolution.Raises, 0);  // a new process holds no raised timer resolution
    EXPECT_EQ(np::TimerPeriods().Begins, 0);
    EXPECT_EQ(ModuleInstance, nullptr);

    // Nothing that is recorded for tests is kept unless a test asks: a saver
    // that runs all night would grow with every message.
    WNDCLASSA plain = {};
    plain.lpfnWndProc = DefWindowProcA;
    plain.lpszClassName = "Plain";
    ASSERT_NE(RegisterClassA(&plain), 0);
    HWND other = CreateWindowExA(0, "Plain", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SendMessageA(other, WM_CLOSE + 1, 0, 0);
    MessageBoxA(nullptr, "text", "caption", 0);
    EXPECT_EQ(np::Retained().Delivered, 0u);
    EXPECT_EQ(np::Retained().DefaultHandled, 0u);
    EXPECT_EQ(np::Retained().MessageBoxes, 0u);
    DestroyWindow(other);

    // The machine: a true-colour screen and a settings folder of its own.
    np::Reset(np::DisplayKind::TrueColor, 640, 480);
    np::RecordMessages(true);  // this test follows the messages
    TempFolder folder;
    setenv(kConfigDirVariable, folder.path().c_str(), 1);
    int paints = 0;
    bool black_after_first_paint = false;
    np::ObservePaints([&](HWND) {
        if (paints++ == 0) black_after_first_paint = ScreenIsBlack();
    });
    HWND window = OpenSaverWindow(nullptr, nullptr, ScreenSaverProc, SettingsSource{});
    ASSERT_NE(window, nullptr);
    ExpectStartValues(window);
    EXPECT_TRUE(SaverOf(window)->SaverState.SkipFirstPaint);
    ASSERT_TRUE(DispatchUntil(SSM_IMAGEDONE));
    np::ObservePaints(nullptr);
    EXPECT_GT(paints, 1);
    EXPECT_TRUE(black_after_first_paint);  // no unfinished cells shown as a flat colour
    EXPECT_FALSE(ScreenIsBlack());
    // Its pictures moved its chooser on (a random palette starts the next
    // one's colours): a saver made next starts afresh all the same.
    EXPECT_EQ(SaverOf(window)->PaletteChooser.ScratchFirstRandom, 1);
    DestroyWindow(window);
    HWND next = OpenSaverWindow(nullptr, nullptr, ScreenSaverProc, SettingsSource{});
    ExpectStartValues(next);
    DestroyWindow(next);
    unsetenv(kConfigDirVariable);
}

}  // namespace
