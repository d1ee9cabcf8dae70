// Choosing a palette per picture and building it as ramps between key colours.
#include "palette.h"

#include "random.h"

#include "config/settings_record.h"

namespace {

// K, the double nearest to 100 / 99.
constexpr double kSkewFactor = 1.0101010101010102;

constexpr PaletteEntryBytes kBlack = {0, 0, 0, kFlagReserved};

// A key colour with each channel byte times its scale, modulo 256.
PaletteEntryBytes Scaled(int32_t packed, const uint8_t scale[3], uint8_t flags) {
    const uint32_t c = (uint32_t)packed;
    return {(uint8_t)((c & 0xFF) * scale[0]), (uint8_t)(((c >> 8) & 0xFF) * scale[1]),
            (uint8_t)(((c >> 16) & 0xFF) * scale[2]), flags};
}

// The ramp step of one channel: the difference widened by one away from zero,
// divided in double precision and kept in single precision.
float RampStep(int32_t from, int32_t to, int32_t length) {
    int32_t d = to - from;
    if (d > 0) d++;
    if (d < 0) d--;
    return (float)((double)d / (double)length);
}

uint8_t RampValue(int32_t from, float step, int32_t j) { return (uint8_t)(from + (int32_t)((double)j * (double)step)); }

void WriteRamp(PaletteEntryBytes* entries, int32_t length, PaletteEntryBytes a, PaletteEntryBytes e) {
    const float red = RampStep(a.Red, e.Red, length), green = RampStep(a.Green, e.Green, length),
                blue = RampStep(a.Blue, e.Blue, length);
    for (int32_t j = 0; j < length; j++)
        entries[j] = {RampValue(a.Red, red, j), RampValue(a.Green, green, j), RampValue(a.Blue, blue, j),
                      kFlagReserved};
}

void PickStoredPalette(PaletteChooserRecord& chooser, RandomSource& random) {
    chooser.PaletteIndex = (uint32_t)(DrawRandom(random) % kStoredPalettes);
    uint8_t* scale = chooser.ChannelScale;
    scale[0] = scale[1] = scale[2] = 255;
}

}  // namespace

void StartPaletteChooser(PaletteChooserRecord& chooser, const SaverSettingsRecord& settings) {
    chooser = PaletteChooserRecord{};
    chooser.PaletteIndex = settings.PaletteIndex;
    chooser.Granularity = settings.Granularity;
}

const PaletteDefinition& PaletteSlot(const PaletteChooserRecord& chooser, const PaletteDefinition stored[],
                                     uint32_t slot) {
    slot %= kKeyColorSlots;
    return slot == kScratchPalette ? chooser.Scratch : stored[slot];
}

PaletteGeometry MakePaletteGeometry(int32_t palette_size, bool palette_device) {
    PaletteGeometry g;
    g.PaletteSize = palette_size;
    g.FirstAnimatedIndex = 0;
    g.LastAnimatedIndex = palette_size - 1;
    g.AnimatedCount = palette_size;
    if (palette_size == 256) {
        g.FirstAnimatedIndex = 10;
        g.LastAnimatedIndex = 245;
        g.AnimatedCount = 236;
    }
    g.PaletteDevice = palette_device ? 1 : 0;
    return g;
}

int32_t SkewedRandom(RandomSource& random, int32_t lo, int32_t hi, int32_t ref) {
    int32_t r = DrawRandom(random) % 100 + 1;
    // Each step rounded to double, in this order (the library is built without FMA contraction).
    double t = ((1.0 / r - 0.01) * (double)(hi - lo)) * kSkewFactor + (double)lo;
    int32_t v = (int32_t)t;
    return ref == hi ? hi - v + lo : v;
}

void ChoosePalette(PaletteChooserRecord& chooser, const SaverSettingsRecord& s, const PaletteDefinition stored[],
                   const PaletteGeometry& geometry, RandomSource& random) {
    if (s.RandomGranularity) {
        int32_t r = DrawRandom(random);
        chooser.Granularity =
            (uint32_t)(r % 3 != 0 ? SkewedRandom(random, 1, 100, 1) : SkewedRandom(random, 0, 100, 0));
    }
    if ((geometry.PaletteSize < 256 || s.ExcludeZero) && chooser.Granularity == 0) chooser.Granularity = 1;
    if (s.FixedPalette) return;
    if (!s.RandomPalette) {
        if (s.PredefPalette) PickStoredPalette(chooser, random);
        return;
    }
    if (s.PredefPalette && DrawRandom(random) % 4 == 0) {
        PickStoredPalette(chooser, random);
        return;
    }

    // A random palette in the scratch slot.
    const PaletteDefinition& current = PaletteSlot(chooser, stored, chooser.PaletteIndex);
    int32_t carry = current.count >= 1 ? current.colors[current.count - 1] : kNoColor;
    chooser.PaletteIndex = kScratchPalette;
    PaletteDefinition& scratch = chooser.Scratch;
    scratch.count = DrawRandom(random) % 7 + 2;
    if (chooser.ScratchFirstRandom > 0) scratch.colors[0] = carry;
    for (int32_t k = chooser.ScratchFirstRandom; k < scratch.count; k++)
        scratch.colors[k] = ColorNameTable[DrawRandom(random) % kKeyColorSlots].Color;
    if (s.ContColorChange) chooser.ScratchFirstRandom = 1;
    for (uint8_t& scale : chooser.ChannelScale) scale = (uint8_t)SkewedRandom(random, 10, 255, 255);
}

void BuildPalette(PaletteEntryBytes* palette, bool wrap, const PaletteGeometry& geometry,
                  const PaletteDefinition& slot, const uint8_t channel_scale[3], int32_t psyche_extra,
                  RandomSource& random) {
    const int32_t n = slot.count < 0 ? 0 : slot.count > kKeyColorSlots ? kKeyColorSlots : slot.count;
    const int32_t N = geometry.AnimatedCount, B = geometry.FirstAnimatedIndex, L = geometry.LastAnimatedIndex;
    int32_t keys[kKeyColorSlots];
    for (int32_t i = 0; i < n; i++) keys[i] = slot.colors[i];

    if (n > N) {
        for (int32_t i = 0; i < N; i++) palette[i] = Scaled(keys[i], channel_scale, kFlagReserved);
        return;
    }

    const int32_t m = wrap ? n : n - 1;
    if (m <= 0) {
        // No segment to ramp over: the whole range shows key colour 0, or black without one.
        const PaletteEntryBytes only = n > 0 ? Scaled(keys[0], channel_scale, kFlagReserved) : kBlack;
        for (int32_t k = B; k <= L; k++) palette[k] = only;
    } else {
        const int32_t s = (int32_t)((uint32_t)N / (uint32_t)m);
        for (int32_t i = 0; i < m; i++) {
            const int32_t length = i == m - 1 ? N - (m - 1) * s : s;
            WriteRamp(palette + B + i * s, length, Scaled(keys[i], channel_scale, kFlagReserved),
                      Scaled(keys[(i + 1) % n], channel_scale, kFlagReserved));
        }
    }

    // System entries name their hardware index in the red byte.
    for (int32_t k = 0; k < B; k++) palette[k] = {(uint8_t)k, 0, 0, kFlagExplicit};
    for (int32_t k = L + 1; k < geometry.PaletteSize; k++) palette[k] = {(uint8_t)k, 0, 0, kFlagExplicit};

    const int32_t extra = psyche_extra;
    const bool stripes = extra == kExtraTerrible || (!geometry.PaletteDevice && extra == kExtraPepper);
    if (stripes)
        for (int32_t k = B + 1; k <= L; k += 2) palette[k] = kBlack;
    if (!geometry.PaletteDevice && extra == kExtraConfetti)
        for (int32_t k = B + 1; k <= L; k += 3) {
            const PaletteEntryBytes& from = palette[DrawRandom(random) % k];
            palette[k] = {from.Red, from.Green, from.Blue, kFlagReserved};
        }
}
