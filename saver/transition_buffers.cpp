#include "transition_buffers.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && !defined(__EMSCRIPTEN__)
#include <immintrin.h>
#define VELMORA_BLEND_AVX512 1
#endif

void PrepareImageRows(uint8_t* const origins[3], int32_t k, int32_t row_bytes, int32_t height, uint8_t first_index) {
    const size_t row = (size_t)row_bytes;
    // Rows are bottom-up: the top row is the last one in memory.
    memset(origins[k], first_index, row * (size_t)(height - 1));
    if (k == 2) memmove(origins[2] + row * (size_t)(height - 1), origins[0], row);
}

namespace {

// Differences are at most 255: a multiplication by the rounded-up reciprocal
// and a shift give the truncated quotient exactly (checked for every divisor
// up to 2000).
uint32_t ReciprocalOf(int32_t divisor) { return (65536u + (uint32_t)divisor - 1) / (uint32_t)divisor; }

inline uint8_t BlendOne(uint8_t from, uint8_t to, uint32_t reciprocal) {
    const int32_t difference = (int32_t)to - (int32_t)from;
    const int32_t size = difference < 0 ? -difference : difference;
    const int32_t move = (int32_t)(((uint32_t)size * reciprocal) >> 16);
    return (uint8_t)(from + (difference < 0 ? -move : move));
}

#if defined(__SSE2__)
// Eight pixels widened to 16 bits: the same steps as BlendOne. The
// reciprocal is at most 32768, so the high half of the unsigned 16-bit
// product is the shifted product above.
inline __m128i BlendEight(__m128i from, __m128i to, __m128i reciprocal) {
    const __m128i difference = _mm_sub_epi16(to, from);
    const __m128i negative = _mm_srai_epi16(difference, 15);  // all ones where the target is lower
    const __m128i size = _mm_sub_epi16(_mm_xor_si128(difference, negative), negative);
    const __m128i move = _mm_mulhi_epu16(size, reciprocal);
    return _mm_add_epi16(from, _mm_sub_epi16(_mm_xor_si128(move, negative), negative));
}
#endif

#ifdef VELMORA_BLEND_AVX512
// Thirty-two pixels widened to 16 bits, the same steps again; the results
// lie between from and to, so narrowing them keeps every bit.
__attribute__((target("avx512f,avx512bw"))) inline __m256i BlendThirtyTwo(__m256i from, __m256i to,
                                                                         __m512i reciprocal) {
    const __m512i f = _mm512_cvtepu8_epi16(from), t = _mm512_cvtepu8_epi16(to);
    const __m512i difference = _mm512_sub_epi16(t, f);
    const __m512i negative = _mm512_srai_epi16(difference, 15);
    const __m512i size = _mm512_sub_epi16(_mm512_xor_si512(difference, negative), negative);
    const __m512i move = _mm512_mulhi_epu16(size, reciprocal);
    const __m512i blended = _mm512_add_epi16(f, _mm512_sub_epi16(_mm512_xor_si512(move, negative), negative));
    // The masked form with every lane kept: the plain one trips GCC 12's
    // uninitialised-value warning inside its own header.
    return _mm512_maskz_cvtepi16_epi8((__mmask32)0xFFFFFFFFu, blended);
}

// Sixty-four pixels a step where the processor has AVX-512; returns how many
// it did (a multiple of 64), the caller does the rest.
__attribute__((target("avx512f,avx512bw"))) intptr_t BlendSixtyFours(const uint8_t* from, const uint8_t* to,
                                                                    uint8_t* out, intptr_t n, uint32_t reciprocal) {
    const __m512i factor = _mm512_set1_epi16((short)(uint16_t)reciprocal);
    intptr_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m256i f0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
        const __m256i f1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i + 32));
        const __m256i t0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i));
        const __m256i t1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), BlendThirtyTwo(f0, t0, factor));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 32), BlendThirtyTwo(f1, t1, factor));
    }
    return i;
}

bool HasWideBlend() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return has;
}
#endif

// out[i] = each pixel of from moved toward to, for n pixels; out may be from.
void BlendPixels(const uint8_t* from, const uint8_t* to, uint8_t* out, intptr_t n, uint32_t reciprocal) {
    intptr_t i = 0;
#ifdef VELMORA_BLEND_AVX512
    if (HasWideBlend()) i = BlendSixtyFours(from, to, out, n, reciprocal);
#endif
#if defined(__SSE2__)
    const __m128i factor = _mm_set1_epi16((short)(uint16_t)reciprocal);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
        const __m128i low = BlendEight(_mm_unpacklo_epi8(f, zero), _mm_unpacklo_epi8(t, zero), factor);
        const __m128i high = BlendEight(_mm_unpackhi_epi8(f, zero), _mm_unpackhi_epi8(t, zero), factor);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < n; i++) out[i] = BlendOne(from[i], to[i], reciprocal);
}

}  // namespace

void BlendStep(uint8_t* source, const uint8_t* target, int32_t divisor, intptr_t count) {
    if (divisor <= 1) {  // the last step: the target itself, in the same order
        for (intptr_t i = count - 1; i >= 0; i--) source[i] = target[i];
        return;
    }
    const uint32_t reciprocal = ReciprocalOf(divisor);
    const uintptr_t a = (uintptr_t)source, b = (uintptr_t)target;
    const uintptr_t distance = a > b ? a - b : b - a;
    // Apart (or one and the same): every pixel depends on its own two only.
    if (distance == 0 || distance >= (uintptr_t)count) {
        BlendPixels(source, target, source, count, reciprocal);
        return;
    }
    // Buffers that share a row: the descending order is part of the result.
    // Blocks are taken from the end down, no longer than the distance between
    // the buffers, and each is read whole before it is written.
    constexpr intptr_t kBlock = 4096;
    const intptr_t block = (intptr_t)std::min<uintptr_t>(distance, kBlock);
    uint8_t blended[kBlock];
    for (intptr_t end = count; end > 0; end -= block) {
        const intptr_t start = end > block ? end - block : 0, n = end - start;
        BlendPixels(source + start, target + start, blended, n, reciprocal);
        memcpy(source + start, blended, (size_t)n);
    }
}
