// The window core on the native platform: palette geometry, creation
// failures with their messages, painting.
#include "saver_fixture.h"

#include "resource_ids.h"

#include <set>

namespace {

TEST_F(SaverTest, PaletteGeometryOfEachDisplayKind) {
    struct Case {
        np::DisplayKind Kind;
        int32_t Size, First, Last, Count;
        uint8_t Device;
    };
    const Case cases[] = {{np::DisplayKind::Palette256, 256, 10, 245, 236, 1},
                          {np::DisplayKind::Colors16, 16, 0, 15, 16, 0},
                          {np::DisplayKind::TrueColor, 256, 10, 245, 236, 0},
                          {np::DisplayKind::HugePalette, 256, 10, 245, 236, 1}};  // capped
    for (const Case& c : cases) {
        Start(c.Kind, 320, 200);
        HWND window = OpenFullScreen();
        ASSERT_NE(window, nullptr);
        const PaletteGeometry& g = Saver().SaverState.Palette;
        EXPECT_EQ(g.PaletteSize, c.Size);
        EXPECT_EQ(g.FirstAnimatedIndex, c.First);
        EXPECT_EQ(g.LastAnimatedIndex, c.Last);
        EXPECT_EQ(g.AnimatedCount, c.Count);
        EXPECT_EQ(g.PaletteDevice, c.Device);
        EXPECT_TRUE(RunUntil(SSM_IMAGEDONE));  // a whole picture, inside every buffer
        DestroyWindow(window);
        ExpectNothingLeaked();
    }
}

struct FailureCase {
    const char* Name;
    std::function<void()> Arrange;
    UINT Message;  // 0: none shown
    bool Created;
};

TEST_F(SaverTest, EachCreationFailureShowsItsMessageAndLeaksNothing) {
    const FailureCase cases[] = {
        {"no colours", [] { StartFreshProcess(np::DisplayKind::NoColors, 320, 200); }, IDS_NO_PALETTE_DEVICE, false},
        {"display palette", [] { np::FailAllocations([](bool global, size_t) { return !global; }); },
         IDS_NO_PALETTE_MEMORY, false},
        {"image area", [] { np::FailAllocations([](bool global, size_t bytes) { return global && bytes > 2000; }); },
         IDS_NO_MEMORY, false},
        {"lock", [] { np::FailLocks(true); }, IDS_NO_PALETTE_MEMORY, false},
        {"header", [] { np::FailAllocations([](bool global, size_t bytes) { return global && bytes == 1064; }); },
         IDS_NO_BITMAP_MEMORY, false},
    };
    for (const FailureCase& c : cases) {
        Start(np::DisplayKind::TrueColor, 320, 200);
        c.Arrange();
        HWND window = OpenFullScreen();
        EXPECT_EQ(window != nullptr, c.Created) << c.Name;
        ASSERT_EQ(np::MessageBoxes().size(), 1u) << c.Name;
        const np::MessageBoxRecord& box = np::MessageBoxes()[0];
        char expected[500];
        LoadStringA(nullptr, c.Message, expected, sizeof expected);
        EXPECT_EQ(box.Text, expected) << c.Name;
        EXPECT_EQ(box.Caption, "ScreenSaver.Velmora") << c.Name;
        EXPECT_EQ(box.Type, (UINT)MB_ICONWARNING) << c.Name;
        EXPECT_EQ(box.Owner, nullptr) << c.Name;
        EXPECT_EQ(np::Beeps(), 1) << c.Name;
        ExpectNothingLeaked();
    }
}

TEST_F(SaverTest, ThreeBuffersThatDoNotFitSwitchTransitionsOff) {
    Store("TimeOnScreen=3\nSpecialEffects=7\n");
    np::FailAllocations([](bool global, size_t bytes) { return global && bytes == 640u * 480u * 3u; });
    HWND window = OpenFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(np::MessageBoxes().size(), 1u);
    EXPECT_EQ(np::MessageBoxes()[0].Text, "Not enough memory for the moving clouds.\nOption switched off.");
    EXPECT_EQ(Saver().Effects.MovingClouds, 0);
    EXPECT_EQ(Saver().Effects.TransformingClouds, 0);
    EXPECT_EQ(Saver().SaverState.EffectCount, 1);  // psychedelic colours still may run
    DestroyWindow(window);
    ExpectNothingLeaked();
}

TEST_F(SaverTest, MissingFeedPaletteOnlySwitchesContinuousChangeOff) {
    int locals = 0;
    np::FailAllocations([&](bool global, size_t) { return !global && ++locals == 2; });
    HWND window = OpenFullScreen();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(np::MessageBoxes().empty());
    EXPECT_EQ(Saver().Effects.ContColorChange, 0);
    DestroyWindow(window);
    ExpectNothingLeaked();
}

TEST_F(SaverTest, TooLongSettingsFolderIsReportedAndTheSaverRuns) {
    setenv(kConfigDirVariable, std::string(400, 'x').c_str(), 1);
    HWND window = OpenFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(np::MessageBoxes().size(), 1u);
    EXPECT_EQ(np::MessageBoxes()[0].Text,
              "The folder named by VELMORA_CONFIG_DIR is too long.\nThe built-in settings are used and nothing is saved.");
    EXPECT_EQ(np::MessageBoxes()[0].Type, (UINT)MB_ICONWARNING);
    EXPECT_TRUE(RunUntil(SSM_IMAGEDONE));
}

TEST_F(SaverTest, SmallPreviewOnWindowsNtRunsNoEffect) {
    for (DWORD platform : {2u, 1u}) {
        Start(np::DisplayKind::TrueColor, 640, 480);
        Store("TimeOnScreen=3\nSpecialEffects=7\n");
        np::SetPlatformId(platform);
        HWND parent = MakeParent(10, 10, 250, 200);
        HWND preview = OpenSaverWindow(nullptr, parent, ScreenSaverProc, SettingsSource{});
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(Saver().SaverState.EffectCount, platform == 2 ? 0 : 3);
        EXPECT_EQ(Saver().Effects.PsychedelicColors != 0, platform != 2);
        EXPECT_EQ(Saver().SaverState.BufferCount, 3);  // the area stays as allocated
        DestroyWindow(parent);
        EXPECT_FALSE(IsWindow(preview));
        ExpectNothingLeaked();
    }
    // Small means small both ways: a preview wide but short, or narrow but
    // tall, runs every effect on NT.
    struct Size {
        int Cx, Cy;
    };
    for (const Size size : {Size{1920, 200}, Size{200, 1080}, Size{251, 250}}) {
        Start(np::DisplayKind::TrueColor, 1920, 1080);
        Store("TimeOnScreen=3\nSpecialEffects=7\n");
        np::SetPlatformId(2);
        HWND parent = MakeParent(0, 0, size.Cx, size.Cy);
        ASSERT_NE(OpenSaverWindow(nullptr, parent, ScreenSaverProc, SettingsSource{}), nullptr);
        EXPECT_EQ(Saver().SaverState.EffectCount, 3) << size.Cx << "x" << size.Cy;
        DestroyWindow(parent);
    }
    // A screen, window or recording that small is not the preview: it runs every effect.
    Start(np::DisplayKind::TrueColor, 240, 135);
    Store("TimeOnScreen=3\nSpecialEffects=7\n");
    ASSERT_NE(OpenFullScreen(), nullptr);
    EXPECT_EQ(Saver().SaverState.EffectCount, 3);
    EXPECT_NE(Saver().Effects.PsychedelicColors, 0);
}

TEST_F(SaverTest, FirstPaintDrawsNothingLaterOnesDrawThePicture) {
    HWND window = OpenFullScreen();
    EXPECT_TRUE(Saver().SaverState.SkipFirstPaint);
    MSG paint;
    ASSERT_TRUE(PeekMessageA(&paint, window, WM_PAINT, WM_PAINT, PM_REMOVE));
    DispatchMessageA(&paint);
    EXPECT_FALSE(Saver().SaverState.SkipFirstPaint);
    for (int x = 0; x < 640; x += 8) EXPECT_EQ(np::ScreenPixel(x, 240), 0u);
    ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
    FillRect(GetDC(window), &Saver().SaverState.ClientRect, (HBRUSH)GetStockObject(BLACK_BRUSH));
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(RunUntil(WM_PAINT));
    std::set<COLORREF> colors;
    for (int x = 0; x < 640; x++) colors.insert(np::ScreenPixel(x, 240));
    EXPECT_GT(colors.size(), 10u);
    EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(SaverTest, WidthNotAMultipleOfFourShowsUnshearedToTheLastColumn) {
    Start(np::DisplayKind::TrueColor, 333, 250);
    OpenAndPaintFirstPicture();
    EXPECT_EQ(Saver().SaverState.ImageWidth, 333);  // the picture is the window's own width
    EXPECT_EQ(Saver().SaverState.RowBytes, 336);    // in rows padded for drawing
    const LOGPALETTE* palette = Saver().SaverState.DisplayPalette;
    std::set<COLORREF> last_column;
    for (int y = 0; y < 250; y++) last_column.insert(np::ScreenPixel(332, y));
    EXPECT_GT(last_column.size(), 5u);  // the picture reaches the rightmost column
    for (int y = 0; y < 250; y += 7)
        for (int x : {0, 5, 100, 205, 330, 331, 332}) {
            uint8_t v = Saver().SaverState.ShownImage[(size_t)(249 - y) * Saver().SaverState.RowBytes + x];
            const PALETTEENTRY& e = palette->palPalEntry[v];
            ASSERT_EQ(np::ScreenPixel(x, y), RGB(e.peRed, e.peGreen, e.peBlue)) << x << "," << y;
        }
}

TEST_F(SaverTest, PaletteDeviceShowsThroughTheHardwarePalette) {
    Start(np::DisplayKind::Palette256, 64, 48);
    OpenAndPaintFirstPicture();
    uint8_t v = Saver().SaverState.ShownImage[(size_t)47 * Saver().SaverState.RowBytes];  // cell (0, 0)
    const PALETTEENTRY& e = Saver().SaverState.DisplayPalette->palPalEntry[v];
    EXPECT_EQ(np::ScreenPixel(0, 0), RGB(e.peRed, e.peGreen, e.peBlue));
}

}  // namespace
