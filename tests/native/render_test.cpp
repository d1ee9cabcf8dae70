// The picture renderer: reference pictures, and the program end to end with
// its PNG read back through libpng.
#include "saver_fixture.h"
#include "saver/index_table.h"
#include "support/golden.h"
#include "support/temp_folder.h"
#include "saver/picture_render.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

// A reference of what velmora-render writes: the colour table, then the pixels,
// bottom-up unless the rows come top first (the tall picture of a moving chain).
void ExpectReference(const RenderedPicture& picture, int32_t width, const std::string& name, bool top_first) {
    SCOPED_TRACE(name);
    auto blocks = ReadGoldenBlocks(name, true);
    const auto& plte = blocks.at(0);
    ASSERT_EQ(plte.size(), 256u);
    int wrong_colors = 0;
    for (size_t j = 0; j < plte.size(); j++)
        wrong_colors += picture.Colors[j].Red != plte[j].at(0) || picture.Colors[j].Green != plte[j].at(1) ||
                        picture.Colors[j].Blue != plte[j].at(2);
    EXPECT_EQ(wrong_colors, 0);
    std::vector<uint8_t> expected;
    for (const auto& row : blocks.at(1)) {
        ASSERT_EQ(row.size(), (size_t)width);
        for (uint32_t v : row) expected.push_back((uint8_t)v);
    }
    ASSERT_EQ(expected.size(), picture.Pixels.size());
    std::vector<uint8_t> ours = picture.Pixels;
    if (top_first)  // the renderer keeps rows bottom-up, as the saver does
        for (int32_t y = 0; y < picture.Height / 2; y++)
            std::swap_ranges(ours.begin() + (ptrdiff_t)y * width, ours.begin() + (ptrdiff_t)(y + 1) * width,
                             ours.end() - (ptrdiff_t)(y + 1) * width);
    int wrong_pixels = 0;
    for (size_t i = 0; i < ours.size(); i++) wrong_pixels += ours[i] != expected[i];
    EXPECT_EQ(wrong_pixels, 0);
}

// Two consecutive pictures: picture 1 follows picture 0 on the same thread, so
// it also checks how one picture's reseed carries into the next palette
// choice. 37 is no multiple of four: the picture is that wide all the same.
TEST(RenderGolden, ConsecutivePicturesMatchReferences) {
    struct Case {
        int32_t Width, Height;
        uint32_t Ms;
        const char* Name;
    };
    for (const Case& c : {Case{48, 32, 0, "render-48x32-defaults-ms0-t1700000000-picture"},
                          Case{37, 23, 5, "render-37x23-defaults-ms5-t1700000000-picture"}}) {
        RenderOptions options;
        options.Width = c.Width;
        options.Height = c.Height;
        options.SeedMs = c.Ms;
        options.Time = 1700000000;
        options.Count = 2;
        int seen = 0;
        RenderPictures(options, [&](uint32_t k, const RenderedPicture& picture) {
            ExpectReference(picture, c.Width, c.Name + std::to_string(k) + ".txt", false);
            seen++;
            return true;
        });
        EXPECT_EQ(seen, 2);
    }
}

TEST(RenderGolden, MovingChainMatchesReference) {
    RenderOptions options;
    options.Width = 21;
    options.Height = 9;
    options.SeedMs = 3;
    options.Time = 4242;
    options.Moving = 2;
    int seen = 0;
    RenderPictures(options, [&](uint32_t, const RenderedPicture& picture) {
        EXPECT_EQ(picture.Height, 9 + 2 * 8);
        ExpectReference(picture, 21, "moving-21x9-defaults-ms3-t4242-transitions2-picture0.txt", true);
        seen++;
        return true;
    });
    EXPECT_EQ(seen, 1);
}

struct Png {
    uint32_t Width = 0, Height = 0;
    int BitDepth = 0, ColorType = 0, PaletteEntries = 0;
    std::vector<uint8_t> Rows;  // top row first
    std::vector<png_color> Palette;
};

Png ReadPng(const std::string& path) {
    Png out;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        out.Width = png_get_image_width(png, info);
        out.Height = png_get_image_height(png, info);
        out.BitDepth = png_get_bit_depth(png, info);
        out.ColorType = png_get_color_type(png, info);
        png_colorp colors = nullptr;
        png_get_PLTE(png, info, &colors, &out.PaletteEntries);
        out.Palette.assign(colors, colors + out.PaletteEntries);
        out.Rows.resize((size_t)out.Width * out.Height);
        for (uint32_t y = 0; y < out.Height; y++) png_read_row(png, out.Rows.data() + (size_t)y * out.Width, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    return out;
}

// What the program says (its standard error) and its exit code, under a
// file-size limit in kilobytes (ulimit -f) when one is given.
std::pair<int, std::string> RunRenderSaying(const std::string& arguments, int file_size_limit_kb = -1) {
    std::string command = std::string(VELMORA_RENDER) + " " + arguments + " 2>&1";
    if (file_size_limit_kb >= 0) command = "ulimit -f " + std::to_string(file_size_limit_kb) + "; " + command;
    std::string said;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return {-1, ""};
    char buffer[512];
    while (fgets(buffer, sizeof buffer, p)) said += buffer;
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, said};
}

int RunRender(const std::string& arguments) {
    std::string command = std::string(VELMORA_RENDER) + " " + arguments + " >/dev/null 2>&1";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RenderProgram, WritesIndexedPngsTopRowFirst) {
    TempFolder folder;
    std::string prefix = folder.File("pic");
    ASSERT_EQ(RunRender("--width 33 --height 21 --ms 7 --time 99 --count 2 --out " + prefix), 0);
    Png png = ReadPng(prefix + "-1.png");
    EXPECT_EQ(png.Width, 33u);
    EXPECT_EQ(png.Height, 21u);
    EXPECT_EQ(png.BitDepth, 8);
    EXPECT_EQ(png.ColorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png.PaletteEntries, 256);

    RenderOptions options;
    options.Width = 33;
    options.Height = 21;
    options.SeedMs = 7;
    options.Time = 99;
    options.Count = 2;
    RenderPictures(options, [&](uint32_t k, const RenderedPicture& picture) {
        if (k != 1) return true;
        for (uint32_t y = 0; y < 21; y++)
            for (uint32_t x = 0; x < 33; x++)
                EXPECT_EQ(png.Rows[y * 33 + x], picture.Pixels[(20 - y) * 33 + x]) << x << "," << y;
        for (int j = 0; j < 256; j++) {
            EXPECT_EQ(png.Palette[j].red, picture.Colors[j].Red) << j;
            EXPECT_EQ(png.Palette[j].green, picture.Colors[j].Green) << j;
            EXPECT_EQ(png.Palette[j].blue, picture.Colors[j].Blue) << j;
        }
        return true;
    });
    // Same seeds, same bytes.
    ASSERT_EQ(RunRender("--width 33 --height 21 --ms 7 --time 99 --count 2 --out " + prefix + "again"), 0);
    EXPECT_EQ(ReadFile(prefix + "-1.png"), ReadFile(prefix + "again-1.png"));
}

TEST(RenderProgram, PaletteDeviceMapsThroughTheIndexTable) {
    TempFolder folder;
    WriteFile(folder.File("pepper.ini"), "[ScreenSaver.Velmora]\nPsycheExtra=1\nRandomPalette=0\nPredefPalette=0\n"
                                          "RandomGranularity=0\n");
    std::string prefix = folder.File("p");
    ASSERT_EQ(RunRender("--width 8 --height 8 --palette-device --time 1 --settings " + folder.File("pepper.ini") +
                        " --out " + prefix),
              0);
    Png png = ReadPng(prefix + "-0.png");
    ASSERT_EQ(png.PaletteEntries, 256);
    // Odd pixel values show palette position 0 (red 0 of the system colors); even ones position 10 + j / 2.
    EXPECT_EQ(png.Palette[1].red, 0);
    EXPECT_EQ(png.Palette[1].blue, 0);
    EXPECT_EQ(png.Palette[0].blue, 255);  // position 10: BLUE, the first key colour of Palette1
    EXPECT_EQ(ReadFile(folder.File("pepper.ini")).find("TimeOnScreen"), std::string::npos);  // never written
}

// The renderer shows what the saver shows after the same cycling steps: the
// same picture, the same colours, and the same palette choices feeding them.
class RenderCycleTest : public SaverTest {
protected:
    // What the renderer is given to make a saver's pictures: the settings of
    // that file's text, and the saver's seed and calendar time (its clock
    // stands 100 s after the calendar start).
    static RenderOptions OptionsOfSaver(const std::string& settings, int32_t width, int32_t height) {
        TempFolder render_folder;
        WriteFile(render_folder.File("control.ini"), settings);
        SettingsSource named;
        named.NamedFile = render_folder.File("control.ini");
        RenderOptions options;
        options.Width = width;
        options.Height = height;
        options.Settings = ReadSettings(LoadSettingNames(named));
        options.SeedMs = 0;
        options.Time = 1700000100;
        return options;
    }
};

TEST_F(RenderCycleTest, CyclingMatchesTheSaverInBothModes) {
    struct Case {
        np::DisplayKind Kind;
        const char* Settings;
    };
    const Case cases[] = {
        {np::DisplayKind::TrueColor, "ContColorChange=1\nPsycheExtra=0\n"},
        {np::DisplayKind::TrueColor, "ContColorChange=1\nPsycheExtra=1\n"},
        {np::DisplayKind::TrueColor, "ContColorChange=0\nPsycheExtra=2\n"},
        {np::DisplayKind::Palette256, "ContColorChange=1\nPsycheExtra=2\n"},
        {np::DisplayKind::Palette256, "ContColorChange=0\nPsycheExtra=0\n"},
    };
    for (const Case& c : cases)
        for (uint32_t steps : {1u, 300u}) {
            Start(c.Kind, 48, 32);
            np::SetPlatformId(1);  // a screen this small counts as a preview on NT, which runs no effect
            const std::string settings =
                std::string("[ScreenSaver.Velmora]\nTimeOnScreen=0\nSpecialEffects=2\nPsycheDelay=0\n") + c.Settings;
            Store(settings.substr(std::string("[ScreenSaver.Velmora]\n").size()));
            OpenFullScreen();
            ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
            ASSERT_TRUE(RunUntil(SSM_CYCLESTEP, (int)steps));
            // What the saver's screen shows for each pixel value.
            std::vector<COLORREF> saver_colors(256);
            const uint8_t* table = Saver().SaverState.DisplayHeader + kHeaderFieldsBytes;
            for (int j = 0; j < 256; j++) {
                if (c.Kind == np::DisplayKind::TrueColor) {
                    saver_colors[j] = RGB(table[4 * j + 2], table[4 * j + 1], table[4 * j]);
                } else {
                    const PALETTEENTRY& e = Saver().SaverState.DisplayPalette->palPalEntry[IndexTableEntry(table, j)];
                    saver_colors[j] = RGB(e.peRed, e.peGreen, e.peBlue);
                }
            }
            const std::vector<uint8_t> saver_pixels(Saver().SaverState.ShownImage, Saver().SaverState.ShownImage + 48 * 32);

            RenderOptions options = OptionsOfSaver(settings, 48, 32);
            options.PaletteDevice = c.Kind == np::DisplayKind::Palette256;
            options.CycleSteps = steps;
            bool rendered = false;
            RenderPictures(options, [&](uint32_t, const RenderedPicture& picture) -> bool {
                rendered = true;
                EXPECT_EQ(picture.Pixels, saver_pixels) << c.Settings << " steps " << steps;
                int different = 0;
                for (int j = 10; j <= 245; j++) {
                    const PaletteEntryBytes& e = picture.Colors[j];
                    different += RGB(e.Red, e.Green, e.Blue) != saver_colors[j];
                }
                EXPECT_EQ(different, 0) << c.Settings << " steps " << steps;
                return true;
            });
            EXPECT_TRUE(rendered);
        }
}

// At every width, also those that are no multiple of four, the window shows
// exactly what the renderer writes: the picture is the window's own width,
// whatever padding its rows get for drawing.
TEST_F(RenderCycleTest, EveryWidthShowsWhatTheRendererWrites) {
    const std::string settings = "[ScreenSaver.Velmora]\nTimeOnScreen=0\nSpecialEffects=0\n";
    for (int32_t width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 37, 97, 1366}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        Start(np::DisplayKind::TrueColor, width, 32);
        np::SetPlatformId(1);  // a preview on NT: no effect
        Store(settings.substr(std::string("[ScreenSaver.Velmora]\n").size()));
        HWND window = OpenFullScreen();
        ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
        InvalidateRect(window, nullptr, FALSE);
        ASSERT_TRUE(RunUntil(WM_PAINT));
        ASSERT_EQ(Saver().SaverState.ImageWidth, width);
        const int32_t row = Saver().SaverState.RowBytes;

        RenderOptions options = OptionsOfSaver(settings, width, 32);
        bool rendered = false;
        RenderPictures(options, [&](uint32_t, const RenderedPicture& picture) -> bool {
            rendered = true;
            EXPECT_EQ(picture.Pixels.size(), (size_t)width * 32);
            int different = 0, shown_differently = 0;
            for (int32_t y = 0; y < 32; y++)
                for (int32_t x = 0; x < width; x++) {
                    const uint8_t v = picture.Pixels[(size_t)y * width + x];
                    different += v != Saver().SaverState.ShownImage[(size_t)y * row + x];
                    const PaletteEntryBytes& c = picture.Colors[v];
                    shown_differently += np::ScreenPixel(x, 31 - y) != RGB(c.Red, c.Green, c.Blue);
                }
            EXPECT_EQ(different, 0);
            EXPECT_EQ(shown_differently, 0);
            return true;
        });
        EXPECT_TRUE(rendered);
    }
}

// Picture after picture, with every choice the run makes (a random palette of
// stored or random colours, a random granularity, a fixed palette, symmetry,
// extra colours), the renderer makes exactly the saver's pictures and colours:
// the choices carried from one picture into the next are made once, for both.
TEST_F(RenderCycleTest, ConsecutivePicturesAreTheSaversWithEveryChoice) {
    const char* const cases[] = {
        "RandomPalette=1\nPredefPalette=0\n",
        "RandomPalette=1\nPredefPalette=1\nRandomGranularity=1\n",
        "RandomPalette=0\nFixedPalette=1\nPaletteIndex=4\nGranularity=7\n",
        "RandomGranularity=1\nExcludeZero=1\nSymmetry=3\n",
        "RandomPalette=1\nPredefPalette=0\nPsycheExtra=2\nSymmetry=1\n",
    };
    constexpr int32_t kWidth = 37, kHeight = 23;
    constexpr uint32_t kPictures = 4;
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        Start(np::DisplayKind::TrueColor, kWidth, kHeight);
        np::SetPlatformId(1);  // a preview on NT: no effect
        const std::string settings = std::string("[ScreenSaver.Velmora]\nTimeOnScreen=1\nSpecialEffects=0\n") + c;
        Store(settings.substr(std::string("[ScreenSaver.Velmora]\n").size()));
        OpenFullScreen();
        std::vector<std::vector<uint8_t>> saver_pixels;
        std::vector<std::vector<COLORREF>> saver_colors;
        while (saver_pixels.size() < kPictures) {
            ASSERT_TRUE(RunUntil(SSM_IMAGEDONE));
            const SaverStateRecord& state = Saver().SaverState;
            std::vector<uint8_t> pixels;
            for (int32_t y = 0; y < kHeight; y++)
                pixels.insert(pixels.end(), state.ShownImage + (ptrdiff_t)y * state.RowBytes,
                              state.ShownImage + (ptrdiff_t)y * state.RowBytes + kWidth);
            saver_pixels.push_back(pixels);
            const uint8_t* table = state.DisplayHeader + kHeaderFieldsBytes;
            std::vector<COLORREF> colors(256);
            for (int j = 0; j < 256; j++) colors[j] = RGB(table[4 * j + 2], table[4 * j + 1], table[4 * j]);
            saver_colors.push_back(colors);
        }

        RenderOptions options = OptionsOfSaver(settings, kWidth, kHeight);
        options.Count = kPictures;
        uint32_t rendered = 0;
        RenderPictures(options, [&](uint32_t k, const RenderedPicture& picture) -> bool {
            rendered++;
            EXPECT_EQ(picture.Pixels, saver_pixels[k]) << "picture " << k;
            int different = 0;
            for (int j = 10; j <= 245; j++) {
                const PaletteEntryBytes& e = picture.Colors[j];
                different += RGB(e.Red, e.Green, e.Blue) != saver_colors[k][j];
            }
            EXPECT_EQ(different, 0) << "picture " << k;
            return true;
        });
        EXPECT_EQ(rendered, kPictures);
    }
}

TEST(RenderProgram, CycleOfAFullTurnComesBack) {
    TempFolder folder;
    WriteFile(folder.File("plain.ini"), "[ScreenSaver.Velmora]\nContColorChange=0\n");
    const std::string common =
        "--width 16 --height 16 --palette-device --time 5 --settings " + folder.File("plain.ini") + " --out ";
    ASSERT_EQ(RunRender(common + folder.File("none")), 0);
    ASSERT_EQ(RunRender("--cycle 236 " + common + folder.File("turn")), 0);
    ASSERT_EQ(RunRender("--cycle 1 " + common + folder.File("one")), 0);
    EXPECT_EQ(ReadFile(folder.File("none-0.png")), ReadFile(folder.File("turn-0.png")));
    EXPECT_NE(ReadFile(folder.File("none-0.png")), ReadFile(folder.File("one-0.png")));
    EXPECT_EQ(RunRender("--cycle x " + common + folder.File("bad")), 2);
}

// The tall picture of a moving chain: the first picture on top, each next one
// below it sharing a row, from the same seeds as the still pictures.
// Each image of the chain joins the one above without changing it, at every
// height, also two rows, where the middle row of a picture is its top row.
TEST(RenderProgram, MovingWritesTheTallPictureOfTheChain) {
    TempFolder folder;
    for (unsigned h : {16u, 3u, 2u}) {
        SCOPED_TRACE(testing::Message() << "height " << h);
        const std::string name = std::to_string(h);
        const std::string common = "--width 24 --height " + name + " --ms 3 --time 500 --out ";
        ASSERT_EQ(RunRender(common + folder.File("still" + name)), 0);
        ASSERT_EQ(RunRender("--moving 4 " + common + folder.File("tall" + name)), 0);
        ASSERT_EQ(RunRender("--moving 4 " + common + folder.File("again" + name)), 0);
        Png still = ReadPng(folder.File("still" + name + "-0.png")), tall = ReadPng(folder.File("tall" + name + "-0.png"));
        EXPECT_EQ(tall.Width, 24u);
        EXPECT_EQ(tall.Height, h + 4u * (h - 1));
        EXPECT_EQ(std::vector<uint8_t>(tall.Rows.begin(), tall.Rows.begin() + 24 * h), still.Rows);
        EXPECT_EQ(ReadFile(folder.File("tall" + name + "-0.png")), ReadFile(folder.File("again" + name + "-0.png")));
        // Each image below the first is a picture of its own, not a copy of the one above.
        const auto image = [&](unsigned j) {
            return std::vector<uint8_t>(tall.Rows.begin() + 24 * (h - 1) * j, tall.Rows.begin() + 24 * ((h - 1) * j + h));
        };
        for (unsigned j = 1; j <= 4; j++) EXPECT_NE(image(j), image(j - 1)) << j;
    }
    const std::string common = "--width 24 --height 16 --ms 3 --time 500 --out ";
    EXPECT_EQ(RunRender("--moving 2 --cycle 3 " + common + folder.File("both")), 2);
    EXPECT_EQ(RunRender("--width 24 --height 1 --moving 2 --out " + folder.File("flat")), 2);
}

// A picture that cannot be written whole (a file-size limit, as a full disk)
// leaves the old picture of that name as it was, and says why in the system's words.
TEST(RenderProgram, AFailedWriteKeepsTheOldPicture) {
    TempFolder folder;
    const std::string prefix = folder.File("pic");
    WriteFile(prefix + "-0.png", "the old picture");
    const auto [code, said] = RunRenderSaying("--width 600 --height 600 --time 1 --out " + prefix, 16);
    EXPECT_EQ(code, 1) << said;
    EXPECT_EQ(said, "velmora-render: cannot write " + prefix + "-0.png: File too large\n");
    EXPECT_EQ(ReadFile(prefix + "-0.png"), "the old picture");
    EXPECT_EQ(ListFolder(folder.path()), std::vector<std::string>{"pic-0.png"});
    // And a whole one replaces it.
    EXPECT_EQ(RunRenderSaying("--width 60 --height 60 --time 1 --out " + prefix).first, 0);
    EXPECT_EQ(ReadPng(prefix + "-0.png").Width, 60u);
    EXPECT_EQ(ListFolder(folder.path()), std::vector<std::string>{"pic-0.png"});
}

TEST(RenderProgram, BadArgumentsAndUnwritableOutput) {
    TempFolder folder;
    EXPECT_EQ(RunRender("--help"), 0);
    EXPECT_EQ(RunRender(""), 2);
    EXPECT_EQ(RunRender("--width 0 --height 5 --out x"), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5x --out x"), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --palette-size 257 --out x"), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --count 0 --out x"), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --bogus 1 --out x"), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --out"), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --out " + folder.File("missing/dir/p")), 1);
    // A settings file that is named but cannot be read is an error, not the defaults.
    const std::string out = " --out " + folder.File("d");
    EXPECT_EQ(RunRender("--width 5 --height 5 --settings " + folder.File("none.ini") + out), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --settings " + folder.path() + out), 2);
    ASSERT_EQ(mkfifo(folder.File("fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(RunRender("--width 5 --height 5 --settings " + folder.File("fifo.ini") + out), 2);
    EXPECT_EQ(RunRender("--width 5 --height 5 --settings " + std::string(300, 'x') + out), 2);
    EXPECT_FALSE(std::ifstream(folder.File("d-0.png")).good());
}

}  // namespace
