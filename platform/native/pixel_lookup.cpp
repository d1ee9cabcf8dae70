#include "pixel_lookup.h"

#include <cstring>

#if defined(__x86_64__) && !defined(__EMSCRIPTEN__)
#include <immintrin.h>
#define VELMORA_LOOKUP_VBMI 1
#endif

namespace native_platform {

namespace {

#ifdef VELMORA_LOOKUP_VBMI
// _mm512_shuffle_i32x4 with every lane kept (its unmasked form trips GCC 12's
// uninitialised-value warning inside its own header).
#define Lanes(a, b, order) _mm512_maskz_shuffle_i32x4((__mmask16)0xFFFF, (a), (b), (order))

// Sixty-four pixels a step with AVX-512's byte permutes: each byte of the
// table's values is a plane of 256 bytes (four registers), looked up for all
// 64 indices at once; the four planes are then woven into 64 values. Returns
// how many pixels it did (a multiple of 64); the caller does the rest.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t LookUpSixtyFours(const uint8_t* from,
                                                                             const PixelTable& table, uint32_t* out,
                                                                             size_t count) {
    if (count < 64) return 0;
    __m512i quarter[4][4];  // [plane][entries 0-63, 64-127, 128-191, 192-255]
    for (int k = 0; k < 4; k++)
        for (int q = 0; q < 4; q++) quarter[k][q] = _mm512_load_si512(table.Planes[k] + 64 * q);
    size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i index = _mm512_loadu_si512(from + i);
        const __mmask64 high = _mm512_movepi8_mask(index);  // entries 128 and up
        __m512i b[4];
        for (int k = 0; k < 4; k++) {
            const __m512i low_half = _mm512_permutex2var_epi8(quarter[k][0], index, quarter[k][1]);
            const __m512i high_half = _mm512_permutex2var_epi8(quarter[k][2], index, quarter[k][3]);
            b[k] = _mm512_mask_blend_epi8(high, low_half, high_half);
        }
        // Within each 128-bit lane: bytes to words to values, four values a register lane.
        const __m512i w01_low = _mm512_unpacklo_epi8(b[0], b[1]), w01_high = _mm512_unpackhi_epi8(b[0], b[1]);
        const __m512i w23_low = _mm512_unpacklo_epi8(b[2], b[3]), w23_high = _mm512_unpackhi_epi8(b[2], b[3]);
        const __m512i d0 = _mm512_unpacklo_epi16(w01_low, w23_low), d1 = _mm512_unpackhi_epi16(w01_low, w23_low);
        const __m512i d2 = _mm512_unpacklo_epi16(w01_high, w23_high), d3 = _mm512_unpackhi_epi16(w01_high, w23_high);
        // Lane L of d0 ... d3 holds pixels 16L ... 16L + 15: gather the lanes in order.
        const __m512i e0 = Lanes(d0, d1, 0x44), e1 = Lanes(d2, d3, 0x44);
        const __m512i f0 = Lanes(d0, d1, 0xEE), f1 = Lanes(d2, d3, 0xEE);
        _mm512_storeu_si512(out + i, Lanes(e0, e1, 0x88));
        _mm512_storeu_si512(out + i + 16, Lanes(e0, e1, 0xDD));
        _mm512_storeu_si512(out + i + 32, Lanes(f0, f1, 0x88));
        _mm512_storeu_si512(out + i + 48, Lanes(f0, f1, 0xDD));
    }
    return i;
}

bool HasByteShuffles() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
}
#endif

}  // namespace

void LookUpPixelsEightAtATime(const uint8_t* from, const uint32_t* table, uint32_t* out, size_t count) {
    // One 64-bit load gives eight indices: the loads of the table then
    // overlap instead of waiting one behind the other on byte loads.
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t eight;
        memcpy(&eight, from + i, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        eight = __builtin_bswap64(eight);  // the first byte lowest, as below
#endif
        const uint32_t low = (uint32_t)eight, high = (uint32_t)(eight >> 32);
        out[i] = table[low & 0xFF];
        out[i + 1] = table[(low >> 8) & 0xFF];
        out[i + 2] = table[(low >> 16) & 0xFF];
        out[i + 3] = table[low >> 24];
        out[i + 4] = table[high & 0xFF];
        out[i + 5] = table[(high >> 8) & 0xFF];
        out[i + 6] = table[(high >> 16) & 0xFF];
        out[i + 7] = table[high >> 24];
    }
    for (; i < count; i++) out[i] = table[from[i]];
}

void MakePixelTable(const uint32_t values[256], PixelTable& table) {
    for (int v = 0; v < 256; v++) {
        table.Values[v] = values[v];
        for (int k = 0; k < 4; k++) table.Planes[k][v] = (uint8_t)(values[v] >> (8 * k));
    }
}

void LookUpPixels(const uint8_t* from, const PixelTable& table, uint32_t* out, size_t count) {
    size_t done = 0;
#ifdef VELMORA_LOOKUP_VBMI
    if (HasByteShuffles()) done = LookUpSixtyFours(from, table, out, count);
#endif
    LookUpPixelsEightAtATime(from + done, table.Values, out + done, count - done);
}

}  // namespace native_platform
