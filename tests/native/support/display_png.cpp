#include "display_png.h"

#include "platform/native/test_hooks.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <vector>

namespace np = native_platform;

bool WriteDisplayPng(const std::string& path) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return false;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info && setjmp(png_jmpbuf(png)) == 0;
    if (ok) {
        png_init_io(png, file);
        png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row((size_t)width * 3);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                COLORREF c = np::ScreenPixel(x, y);
                row[3 * x] = GetRValue(c);
                row[3 * x + 1] = GetGValue(c);
                row[3 * x + 2] = GetBValue(c);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0 && ok;
}

void KeepDisplayOfFailedTest() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (!test || !testing::Test::HasFailure()) return;
    std::string path = std::string("failed-") + test->test_suite_name() + "." + test->name() + ".png";
    for (char& c : path)
        if (c == '/') c = '_';
    if (WriteDisplayPng(path)) printf("The display at the end of this test: %s\n", path.c_str());
}
