// The plasma generator written as plainly as its rules read, for the benchmark
// to measure ours against and a test to hold ours to: every cell through a
// bounds-checked GetCell and SetCell, the draws as the rules list them, the
// rectangle stack as four arrays. Silent mode, no host; the whole window.
#ifndef VELMORA_BENCH_PLAIN_PLASMA_H
#define VELMORA_BENCH_PLAIN_PLASMA_H

#include <cstdint>
#include <cstdlib>

namespace plain {

struct Generation {
    uint8_t* Buffer;  // W x H bytes, rows bottom-up, W apart
    int32_t W, H;
    int32_t First, N, S;
    int32_t G8;
    int32_t CW;
    uint32_t State;

    int32_t Draw() {
        State = State * 214013u + 2531011u;
        return (int32_t)((State >> 16) & 0x7FFF);
    }
    int32_t GetCell(int32_t x, int32_t y) const {
        if (x < 0 || x >= W || y < 0 || y >= H) return 0;
        return (int32_t)Buffer[(size_t)(H - 1 - y) * W + x] - First;
    }
    void SetCell(int32_t x, int32_t y, int32_t v) {
        if (x < 0 || x >= W || y < 0 || y >= H) return;
        Buffer[(size_t)(H - 1 - y) * W + x] = (uint8_t)(First + v);
    }
    void DisplaceMidpoint(int32_t ax, int32_t ay, int32_t tx, int32_t ty, int32_t bx, int32_t by) {
        const int32_t r = Draw();
        const uint32_t length = (uint32_t)(std::abs(ax - bx) + std::abs(ay - by));
        const int32_t d = (int32_t)(length * (uint32_t)(r - 16383) * (uint32_t)G8) >> S;
        int32_t v = d + ((GetCell(bx, by) + GetCell(ax, ay) + 1) >> 1);
        if (v < 1) v = 1;
        if (v >= N) v = N - 1;
        SetCell(tx, ty, v);
    }
    int32_t CornerDraw() {
        const uint32_t r = (uint32_t)Draw(), n = (uint32_t)N;
        return (int32_t)(((((r / n) * (n - 1)) >> (S - 11)) + 1) % n);
    }
    void SubdivideRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        int32_t x1s[128], y1s[128], x2s[128], y2s[128];
        int t = 0;
        x1s[0] = left, y1s[0] = top, x2s[0] = right, y2s[0] = bottom;
        while (t >= 0) {
            const int32_t x1 = x1s[t], y1 = y1s[t], x2 = x2s[t], y2 = y2s[t];
            t--;
            const int32_t xm = (x1 + x2) >> 1, ym = (y1 + y2) >> 1;
            if (GetCell(xm, y1) == 0) DisplaceMidpoint(x1, y1, xm, y1, x2, y1);
            if (GetCell(x2, ym) == 0) DisplaceMidpoint(x2, y1, x2, ym, x2, y2);
            if (GetCell(xm, y2) == 0) DisplaceMidpoint(x1, y2, xm, y2, x2, y2);
            if (GetCell(x1, ym) == 0) DisplaceMidpoint(x1, y1, x1, ym, x1, y2);
            if (GetCell(xm, ym) == 0)
                SetCell(xm, ym, (GetCell(x2, y2) + GetCell(x1, y2) + GetCell(x1, y1) + GetCell(x2, y1) + 2) >> 2);
            auto push = [&](int32_t a, int32_t b, int32_t c, int32_t d) {
                t++;
                x1s[t] = a, y1s[t] = b, x2s[t] = c, y2s[t] = d;
            };
            if (x2 - xm >= 2 || y2 - ym >= 2) push(xm, ym, x2, y2);
            if (xm - x1 >= 2 || y2 - ym >= 2) push(x1, ym, xm, y2);
            if (x2 - xm >= 2 || ym - y1 >= 2) push(xm, y1, x2, ym);
            if (xm - x1 >= 2 || ym - y1 >= 2) push(x1, y1, xm, ym);
            (void)CW;  // the check points pump no messages here: no host
        }
    }
};

// Silent mode, "None" symmetry, over the whole window.
inline void Generate(uint8_t* buffer, int32_t w, int32_t h, int32_t first, int32_t n, int32_t shift,
                     int32_t granularity, uint32_t seconds) {
    Generation g{buffer, w, h, first, n, shift, 8 * granularity, w / 8, seconds};
    const int32_t left = 0, top = 0, right = w - 1, bottom = h - 1;
    g.SetCell(right, bottom, g.CornerDraw());
    g.SetCell(left, bottom, g.CornerDraw());
    const int32_t xm = (w - 1) >> 1, ym = (h - 1) >> 1;
    if (g.GetCell(xm, top) == 0) g.DisplaceMidpoint(left, top, xm, top, right, top);
    g.DisplaceMidpoint(right, top, right, ym, right, bottom);
    g.DisplaceMidpoint(left, bottom, xm, bottom, right, bottom);
    g.DisplaceMidpoint(left, top, left, ym, left, bottom);
    g.SetCell(xm, ym, (g.GetCell(right, bottom) + g.GetCell(left, bottom) + g.GetCell(left, top) +
                       g.GetCell(right, top) + 2) >> 2);
    g.SubdivideRect(left, top, xm, ym);
    g.SubdivideRect(xm, top, right, ym);
    g.SubdivideRect(left, ym, xm, bottom);
    g.SubdivideRect(xm, ym, right, bottom);
}

}  // namespace plain

#endif
