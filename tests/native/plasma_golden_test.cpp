// The generator against reference vectors computed independently of this code.
#include "support/golden.h"
#include "synth/plasma.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> RunGolden(const GoldenPlasma& g) {
    std::vector<uint8_t> buffer = g.Start;
    if (buffer.empty()) buffer.assign((size_t)g.Width * g.Height, (uint8_t)g.First);
    RandomSource random;
    PlasmaRun run{buffer.data(), g.Width, g.Height, g.Width, g.First, g.Count, (uint32_t)g.Granularity, g.Symmetry, g.Time,
                  &random, nullptr};
    GeneratePlasma(run, 0, 0, g.Width - 1, g.Height - 1, g.Progressive);
    return buffer;
}

class PlasmaGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(PlasmaGolden, MatchesReference) {
    GoldenPlasma g = LoadGoldenPlasma(GetParam());
    ASSERT_EQ(g.Result.size(), (size_t)g.Width * g.Height);
    EXPECT_EQ(RunGolden(g), g.Result);
}

INSTANTIATE_TEST_SUITE_P(Vectors, PlasmaGolden,
                         ::testing::Values("plasma-9x7-g5-s0-progressive-t1.txt",
                                           "plasma-16x12-g20-s1-progressive-t1234.txt",
                                           "plasma-31x17-g3-s0-silent-t99.txt"));

}  // namespace
