// The index tables of index mode.
#include "saver/index_table.h"

#include "config/settings.h"

#include <gtest/gtest.h>

namespace {

TEST(IndexTable, IdentityPepperAndConfetti) {
    const PaletteGeometry g = MakePaletteGeometry(256, true);
    uint8_t area[kColorAreaBytes];
    for (int32_t extra : {kExtraNone, kExtraTerrible}) {
        WriteIndexTable(area, g, extra);
        for (int j = 0; j < 256; j++) EXPECT_EQ(IndexTableEntry(area, j), j);
    }
    WriteIndexTable(area, g, kExtraPepper);
    for (int j = 0; j < 470; j += 2) EXPECT_EQ(IndexTableEntry(area, j), 10 + j / 2) << j;
    for (int j = 1; j < 470; j += 2) EXPECT_EQ(IndexTableEntry(area, j), 0) << j;
    WriteIndexTable(area, g, kExtraConfetti);
    for (int j = 0; j < 256; j += 4) {
        EXPECT_EQ(IndexTableEntry(area, j), 10 + j / 2) << j;
        EXPECT_EQ(IndexTableEntry(area, j + 1), 0) << j;
        EXPECT_EQ(IndexTableEntry(area, j + 2), j + 2) << j;
        EXPECT_EQ(IndexTableEntry(area, j + 3), j + 3) << j;
    }
}

TEST(IndexTable, LargePalettesStayInsideTheColorArea) {
    // The area is exactly 1024 bytes here: AddressSanitizer catches any write past it.
    auto area = std::make_unique<uint8_t[]>(kColorAreaBytes);
    for (int32_t size : {512, 600, 4096})
        for (int32_t extra : {kExtraNone, kExtraPepper, kExtraConfetti})
            WriteIndexTable(area.get(), MakePaletteGeometry(size, true), extra);
    // The last call (4096 entries, "Confetti") filled every entry that fits,
    // writing slots up to the end of the area and not past it.
    EXPECT_EQ(IndexTableEntry(area.get(), 508), 254);
    EXPECT_EQ(IndexTableEntry(area.get(), 509), 0);
    EXPECT_EQ(IndexTableEntry(area.get(), 510), 510);
    EXPECT_EQ(IndexTableEntry(area.get(), 511), 511);
}

}  // namespace
