// The generator against reference vectors computed independently of this code.
#include "support/golden.h"
#include "synth/plasma.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> RunGolden(const GoldenPlasma& g) {
    std::vector<uint8_t> buffer = g.start;
    if (buffer.empty()) buffer.assign((size_t)g.width * g.height, (uint8_t)g.first);
    RandomSource random;
    PlasmaRun run{buffer.data(), g.width, g.height, g.width, g.first, g.count, (uint32_t)g.granularity, g.symmetry, g.time,
                  &random, nullptr};
    GeneratePlasma(run, 0, 0, g.width - 1, g.height - 1, g.progressive);
    return buffer;
}

class PlasmaGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(PlasmaGolden, MatchesReference) {
    GoldenPlasma g = LoadGoldenPlasma(GetParam());
    ASSERT_EQ(g.result.size(), (size_t)g.width * g.height);
    EXPECT_EQ(RunGolden(g), g.result);
}

INSTANTIATE_TEST_SUITE_P(Vectors, PlasmaGolden,
                         ::testing::Values("plasma-9x7-g5-s0-progressive-t1.txt",
                                           "plasma-16x12-g20-s1-progressive-t1234.txt",
                                           "plasma-31x17-g3-s0-silent-t99.txt"));

}  // namespace
