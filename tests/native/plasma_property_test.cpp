// Properties of the generator that catch real faults: symmetry, silent mode,
// aborts at check points, thread independence, and sound bounds.
#include "synth/plasma.h"
#include "synth/random.h"

#include "bench/plain_plasma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <thread>
#include <vector>

namespace {

struct Picture {
    int32_t Width, Height;
    std::vector<uint8_t> Bytes;
    Picture(int32_t w, int32_t h, uint8_t fill = 10) : Width(w), Height(h), Bytes((size_t)w * h, fill) {}
    uint8_t& at(int32_t x, int32_t y) { return Bytes[(size_t)(Height - 1 - y) * Width + x]; }
    uint8_t at(int32_t x, int32_t y) const { return Bytes[(size_t)(Height - 1 - y) * Width + x]; }
};

void Generate(Picture& p, uint32_t granularity, int32_t symmetry, bool progressive, const PlasmaHost* host = nullptr,
              uint32_t time = 42, int32_t first = 10, int32_t count = 236) {
    RandomSource random;
    PlasmaRun run{p.Bytes.data(), p.Width, p.Height, p.Width, first, count, granularity, symmetry, time, &random, host};
    GeneratePlasma(run, 0, 0, p.Width - 1, p.Height - 1, progressive);
}

TEST(PlasmaSymmetry, EachValueGivesThePictureItNames) {
    for (auto [w, h] : {std::pair{64, 48}, std::pair{33, 21}}) {
        for (int32_t symmetry : {1, 2, 3, 7, -1}) {
            Picture p(w, h);
            Generate(p, 20, symmetry, true);
            bool left_right = symmetry != 3, top_bottom = symmetry != 2;
            for (int32_t y = 0; y < h; y++)
                for (int32_t x = 0; x < w; x++) {
                    if (left_right) {
                        ASSERT_EQ(p.at(x, y), p.at(w - 1 - x, y)) << symmetry << " " << x << "," << y;
                    }
                    if (top_bottom) {
                        ASSERT_EQ(p.at(x, y), p.at(x, h - 1 - y)) << symmetry << " " << x << "," << y;
                    }
                }
        }
        Picture none(w, h);
        Generate(none, 20, 0, true);
        EXPECT_NE(none.at(0, 0), none.at(w - 1, 0));
    }
}

TEST(PlasmaValues, RangesOfAFinishedPicture) {
    Picture p(200, 150);
    Generate(p, 50, 0, true);
    for (uint8_t b : p.Bytes) {
        EXPECT_GE(b, 10);
        EXPECT_LE(b, 245);
    }
    // Granularity 0: no displacement, a smooth blend of the corners.
    Picture smooth(129, 129);
    Generate(smooth, 0, 0, true);
    for (int32_t y = 0; y < 129; y++)
        for (int32_t x = 1; x < 129; x++) EXPECT_LE(std::abs(smooth.at(x, y) - smooth.at(x - 1, y)), 3);
}

TEST(PlasmaValues, CornerDrawsSpanTheirDocumentedRanges) {
    std::set<int> corners236, corners16;
    for (uint32_t t = 0; t < 3000; t++) {
        Picture p(3, 3);
        Generate(p, 1, 0, true, nullptr, t);
        corners236.insert(p.at(2, 2) - 10);
        Picture q(3, 3, 0);
        Generate(q, 1, 0, true, nullptr, t, 0, 16);
        corners16.insert(q.at(2, 2));
    }
    EXPECT_EQ(*corners236.rbegin(), 234);  // never 235
    EXPECT_TRUE(corners236.count(0));      // reached by wrapping
    EXPECT_LE(corners236.size(), 139u);
    EXPECT_EQ(*corners16.begin(), 1);
    EXPECT_EQ(*corners16.rbegin(), 15);
}

// Every height, also two rows, where the middle row is the top row.
TEST(PlasmaSilent, PresetTopRowStays) {
    for (int32_t height : {2, 3, 40})
        for (int32_t symmetry : {0, 3}) {
            Picture p(50, height, 10);
            for (int32_t x = 0; x < 50; x++) p.at(x, 0) = (uint8_t)(11 + (x * 7) % 200);
            p.at(0, 0) = 10;  // a top corner that reads 0 is taken as it is
            std::vector<uint8_t> row(50);
            for (int32_t x = 0; x < 50; x++) row[x] = p.at(x, 0);
            Generate(p, 10, symmetry, false);
            // (the unset corner may be filled in by a subrectangle's edge, as any unset cell)
            for (int32_t x = 1; x < 50; x++) EXPECT_EQ(p.at(x, 0), row[x]) << height << " " << symmetry << " " << x;
        }
}

struct CountingHost {
    int Pumps = 0;
    int AbortAfter = -1;  // abort once this many pumps have happened
    bool Aborted = false;
    std::vector<std::vector<int32_t>> Invalidated;
    PlasmaHost host{this,
                    [](void* c) {
                        auto* Self = static_cast<CountingHost*>(c);
                        if (++Self->Pumps == Self->AbortAfter) Self->Aborted = true;
                    },
                    [](void* c) { return static_cast<CountingHost*>(c)->Aborted; },
                    [](void* c, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
                        static_cast<CountingHost*>(c)->Invalidated.push_back({x1, y1, x2, y2});
                    }};
};

TEST(PlasmaCheckPoints, TwelveAt640x480AndAbortsStopEachQuadrant) {
    CountingHost counting;
    Picture p(640, 480);
    Generate(p, 5, 0, true, &counting.host);
    EXPECT_EQ(counting.Pumps, 12 + 1);  // and the final pump
    EXPECT_EQ(counting.Invalidated.size(), 12u + 4u);
    EXPECT_EQ(counting.Invalidated.back(), (std::vector<int32_t>{319, 239, 639, 479}));

    CountingHost aborting;
    aborting.AbortAfter = 1;
    Picture q(640, 480);
    Generate(q, 5, 0, true, &aborting.host);
    // One pump in the first quadrant, then each later quadrant stops at its first check point.
    EXPECT_EQ(aborting.Pumps, 1 + 3 + 1);
    EXPECT_EQ(aborting.Invalidated.size(), 4u);
    EXPECT_GT(std::count(q.Bytes.begin(), q.Bytes.end(), 10), 1000);
}

// Each saver's window and each worker draws from a source of its own: two at
// once on two threads make what each makes alone.
TEST(PlasmaThreads, EachRandomSourceKeepsItsOwnSequence) {
    Picture alone(300, 200);
    Generate(alone, 9, 0, false);
    for (int round = 0; round < 5; round++) {
        Picture a(300, 200), b(300, 200);
        std::thread worker([&] { Generate(b, 9, 0, false); });
        Generate(a, 9, 0, false);
        worker.join();
        EXPECT_EQ(a.Bytes, alone.Bytes) << round;
        EXPECT_EQ(b.Bytes, alone.Bytes) << round;
    }
    RandomSource mine, fresh;
    SeedRandom(mine, 12345);
    EXPECT_EQ(DrawRandom(fresh), 41);  // a new source starts from state 1, as a thread's does
    EXPECT_EQ(mine.State, 12345u);     // and leaves another's alone
}

TEST(PlasmaBounds, EverySizeAndGranularityStaysInside) {
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 2}, {333, 250}, {2, 700}};
    for (auto [w, h] : sizes)
        for (uint32_t granularity : {0u, 1u, 100u, 0xFFFFFFFFu})
            for (int32_t symmetry : {0, 1, 2, 3, 9})
                for (bool progressive : {true, false}) {
                    // Exactly sized: AddressSanitizer reports any access outside.
                    auto buffer = std::make_unique<uint8_t[]>((size_t)w * h);
                    std::fill_n(buffer.get(), (size_t)w * h, (uint8_t)10);
                    RandomSource random;
                    PlasmaRun run{buffer.get(), w, h, w, 10, 236, granularity, symmetry, 5, &random, nullptr};
                    GeneratePlasma(run, 0, 0, w - 1, h - 1, progressive);
                    for (size_t i = 0; i < (size_t)w * h; i++) ASSERT_GE(buffer[i], 10);
                }
    // Bounds past the window: cells inside keep to the heights, writes outside are dropped.
    Picture p(20, 20);
    RandomSource random;
    PlasmaRun run{p.Bytes.data(), 20, 20, 20, 10, 236, 5, 0, 5, &random, nullptr};
    GeneratePlasma(run, 0, 0, 40, 35, true);
    for (uint8_t b : p.Bytes) {
        ASSERT_GE(b, 10);
        ASSERT_LE(b, 245);
    }
    EXPECT_GT(std::set<uint8_t>(p.Bytes.begin(), p.Bytes.end()).size(), 10u);
    // An area inside the window changes nothing outside it.
    Picture marked(20, 20, 77);
    PlasmaRun inner{marked.Bytes.data(), 20, 20, 20, 10, 236, 5, 0, 5, &random, nullptr};
    GeneratePlasma(inner, 5, 5, 19, 19, true);
    for (int32_t y = 0; y < 20; y++)
        for (int32_t x = 0; x < 20; x++)
            if (x < 5 || y < 5) {
                ASSERT_EQ(marked.at(x, y), 77) << x << "," << y;
            }
    // Bounds beyond any window are refused whole.
    const std::vector<uint8_t> before = p.Bytes;
    GeneratePlasma(run, -1000000, 0, 2000000000, 19, true);
    EXPECT_EQ(p.Bytes, before);
}

// Thin pictures, one or a few cells across, in every mode: their bytes, and
// so every draw, are those the generator made before it passed over strips
// already finished (a regression vector, taken from that generator).
TEST(PlasmaBounds, ThinPicturesKeepEveryByte) {
    const std::pair<int32_t, int32_t> sizes[] = {{1, 300}, {2, 300}, {3, 257}, {4, 300}, {5, 129}, {300, 1},
                                                 {300, 2}, {257, 3}, {7, 64},  {64, 7},  {1, 1},   {1, 2},
                                                 {2, 1},   {9, 33}, {40, 30}};
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over every picture's bytes
    for (auto [w, h] : sizes)
        for (bool progressive : {true, false})
            for (int32_t symmetry : {0, 1, 2, 3})
                for (uint32_t granularity : {5u, 100u}) {
                    Picture p(w, h);
                    if (!progressive)  // a preset top row, as a transition gives it
                        for (int32_t x = 0; x < w; x++) p.at(x, 0) = (uint8_t)(11 + (x * 37 + h) % 230);
                    Generate(p, granularity, symmetry, progressive, nullptr, 1700000000u + (uint32_t)w);
                    for (uint8_t b : p.Bytes) hash = (hash ^ b) * 1099511628211ull;
                }
    EXPECT_EQ(hash, 562583126082012814ull);
}

// The rectangle stack is deepest along the longest side: pictures with one
// side of the largest size reach the same depth as the square one, at about a
// third of its cost each. (Very thin ones are no cheaper: they are full of
// degenerate rectangles.)
TEST(PlasmaBounds, LargestSidesAndHugeGranularity) {
    const struct {
        int32_t w, h;
        uint32_t granularity;
    } cases[] = {{8192, 64, 100u}, {64, 8192, 0xFFFFFFFFu}};
    for (const auto& c : cases) {
        Picture p(c.w, c.h);
        Generate(p, c.granularity, 0, true);
        EXPECT_GE(*std::min_element(p.Bytes.begin(), p.Bytes.end()), 10) << c.w << "x" << c.h;
        EXPECT_LE(*std::max_element(p.Bytes.begin(), p.Bytes.end()), 245) << c.w << "x" << c.h;
    }
}

// What a check point lets the window repaint is finished: every part invalidated
// before a pump already holds its final cells, each check point invalidates a
// part CW + 1 cells wide, and together the parts cover the picture.
TEST(PlasmaCheckPoints, EachRepaintShowsOnlyFinishedCells) {
    struct Recorder {
        Picture* Drawn;
        const Picture* Final;
        std::vector<std::array<int32_t, 4>> Parts;
        int Pumps = 0;
        int Unfinished = 0;
    };
    for (auto [w, h] : {std::pair{640, 480}, std::pair{333, 250}})
        for (int32_t symmetry : {0, 1, 2, 3}) {
            Picture final_picture(w, h);
            Generate(final_picture, 30, symmetry, true, nullptr, 1234);
            Picture p(w, h);
            Recorder recorder{&p, &final_picture, {}, 0, 0};
            const PlasmaHost host = {
                &recorder,
                [](void* context) {
                    auto* r = static_cast<Recorder*>(context);
                    r->Pumps++;
                    for (const auto& part : r->Parts)
                        for (int32_t y = part[1]; y <= part[3]; y++)
                            for (int32_t x = part[0]; x <= part[2]; x++)
                                r->Unfinished += r->Drawn->at(x, y) != r->Final->at(x, y);
                },
                nullptr,
                [](void* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
                    static_cast<Recorder*>(context)->Parts.push_back({x1, y1, x2, y2});
                },
            };
            Generate(p, 30, symmetry, true, &host, 1234);
            ASSERT_EQ(p.Bytes, final_picture.Bytes);
            EXPECT_EQ(recorder.Unfinished, 0) << w << "x" << h << " symmetry " << symmetry;
            const int32_t cw = w / 8;
            int check_points = 0;
            for (const auto& part : recorder.Parts) check_points += part[2] - part[0] == cw;
            EXPECT_GE(check_points, 2) << symmetry;
            EXPECT_EQ(recorder.Pumps, check_points + 1) << symmetry;  // and the final pump
            std::vector<bool> covered((size_t)w * h);
            for (const auto& part : recorder.Parts)
                for (int32_t y = part[1]; y <= part[3]; y++)
                    for (int32_t x = part[0]; x <= part[2]; x++) covered[(size_t)y * w + x] = true;
            EXPECT_EQ(std::count(covered.begin(), covered.end(), false), 0);
        }
}

}  // namespace

// The generator against its rules written as plainly as they read (the
// benchmark's yardstick): silent pictures of every kind of size, with the
// small rectangles' fixed shapes, the odd sides and the thin strips, and of
// heights from one to all 256.
TEST(PlasmaRules, SilentPicturesEqualTheRulesWrittenPlainly) {
    std::mt19937 pick(20261208);
    auto between = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(pick); };
    for (int i = 0; i < 400; i++) {
        // Widths from 40 up give check points past the small shapes; some are thin.
        const int32_t w = i % 10 == 0 ? between(1, 8) : between(40, i % 4 == 0 ? 900 : 130);
        const int32_t h = i % 10 == 1 ? between(3, 8) : between(3, i % 4 == 0 ? 600 : 130);
        const int32_t first = i % 3 == 0 ? 0 : between(0, 40);
        const int32_t count = i % 5 == 0 ? between(1, 3) : between(1, 256 - first);
        const uint32_t granularity = i % 7 == 0 ? 0xFFFFFFFFu : (uint32_t)between(0, 60);
        const uint32_t time = 1700000000u + (uint32_t)i;
        Picture ours(w, h, (uint8_t)first), plainly(w, h, (uint8_t)first);
        Generate(ours, granularity, 0, false, nullptr, time, first, count);
        plain::Generate(plainly.Bytes.data(), w, h, first, count, DisplacementShift(count), (int32_t)granularity, time);
        ASSERT_EQ(ours.Bytes, plainly.Bytes) << w << "x" << h << " first " << first << " count " << count
                                             << " granularity " << granularity;
    }
}
