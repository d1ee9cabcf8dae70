// Recursive midpoint displacement over an 8-bit buffer. The order of random
// draws, the arithmetic and the unset-cell tests decide every byte of the
// picture, so they follow the generator's rules to the letter.
#include "plasma.h"

#include "random.h"

#include <array>
#include <utility>

namespace {

// The cell helpers are small and called per cell: they must melt into their callers.
#define PLASMA_INLINE __attribute__((always_inline)) inline

constexpr int kStackSize = 128;  // three pending siblings per level of depth and one more: 31 levels fit

struct Run {
    uint8_t* Cell00;  // address of cell (0, 0), the top left of the picture
    intptr_t Stride;  // bytes from one row to the one above it in memory
    int32_t Width;
    int32_t Height;
    int32_t First;       // the byte of an unset cell: height 0
    int32_t Lowest;      // the bytes of heights 1 and N - 1, the bounds of a displaced cell
    int32_t Highest;
    int32_t Count;       // N
    int32_t Shift;       // S
    uint32_t Factor;     // G8
    int32_t Checkpoint;  // CW
    int32_t SymmetryValue;
    mutable uint32_t Random;  // the random source's state, kept here between pumps
    RandomSource* Source;
    bool Progressive;
    const PlasmaHost* Host;
};

// Cell access, in the bytes themselves: a height h is the byte First + h, and
// every sum, mean and bound below is taken over bytes, which gives the same
// bytes as over heights (First cancels out of each mean exactly). The checked
// form ignores writes outside the window and reads them as unset; the
// unchecked one is used when every cell the run can touch lies inside the
// window.
template <bool Checked>
struct Cells {
    // A row of the picture, found once for the several cells read from it.
    struct Row {
        intptr_t Offset;  // of cell (0, y) from cell (0, 0)
        int32_t Y;
    };
    PLASMA_INLINE static Row RowAt(const Run& run, int32_t y) { return {-(intptr_t)y * run.Stride, y}; }
    PLASMA_INLINE static bool Outside(const Run& run, int32_t x, int32_t y) {
        return Checked && (x < 0 || x >= run.Width || y < 0 || y >= run.Height);
    }
    PLASMA_INLINE static int32_t Get(const Run& run, const Row& row, int32_t x) {
        if (Outside(run, x, row.Y)) return run.First;
        return run.Cell00[row.Offset + x];
    }
    PLASMA_INLINE static void Set(const Run& run, const Row& row, int32_t x, int32_t value) {
        if (Outside(run, x, row.Y)) return;
        run.Cell00[row.Offset + x] = (uint8_t)value;
    }
    PLASMA_INLINE static int32_t Get(const Run& run, int32_t x, int32_t y) { return Get(run, RowAt(run, y), x); }
    PLASMA_INLINE static void Set(const Run& run, int32_t x, int32_t y, int32_t value) {
        Set(run, RowAt(run, y), x, value);
    }
};

PLASMA_INLINE int32_t Abs(int32_t v) { return v < 0 ? -v : v; }

PLASMA_INLINE int32_t Draw(const Run& run) {
    run.Random = NextRandomState(run.Random);
    return RandomValueOf(run.Random);
}

// The byte of a corner's height.
PLASMA_INLINE int32_t CornerValue(const Run& run) {
    uint32_t r = (uint32_t)Draw(run);
    uint32_t n = (uint32_t)run.Count;
    uint32_t value = (((r / n) * (n - 1)) >> (run.Shift - 11)) + 1;
    return run.First + (int32_t)(value % n);
}

// The displaced byte of a midpoint between the bytes A and B for the draw r;
// scale is the length between them times G8. For the run and for a finisher
// alike (both have Shift, Lowest and Highest).
template <typename Bounds>
PLASMA_INLINE int32_t Displaced(const Bounds& run, int32_t r, uint32_t scale, int32_t a, int32_t b) {
    // The product wraps modulo 2^32 and is then shifted as a signed number.
    int32_t product = (int32_t)((uint32_t)(r - 16383) * scale);
    int32_t v = (product >> run.Shift) + ((b + a + 1) >> 1);
    if (v < run.Lowest) v = run.Lowest;
    if (v > run.Highest) v = run.Highest;
    return v;
}

// With write false the draw is made and the cell kept: the sequence of draws
// stays the same whether or not the cell may change.
template <bool Checked>
PLASMA_INLINE void DisplaceMidpoint(const Run& run, int32_t ax, int32_t ay, int32_t tx, int32_t ty, int32_t bx, int32_t by,
                                    bool write = true) {
    using C = Cells<Checked>;
    int32_t r = Draw(run);
    uint32_t length = (uint32_t)(Abs(ax - bx) + Abs(ay - by));
    if (write) C::Set(run, tx, ty, Displaced(run, r, length * run.Factor, C::Get(run, ax, ay), C::Get(run, bx, by)));
}

// DisplaceMidpoint when the target is still unset, else nothing (no draw);
// for an edge of a rectangle, whose scale (length times G8) is known and
// whose cells lie on known rows.
template <bool Checked>
PLASMA_INLINE void DisplaceIfUnset(const Run& run, const typename Cells<Checked>::Row& a_row, int32_t ax,
                                   const typename Cells<Checked>::Row& t_row, int32_t tx,
                                   const typename Cells<Checked>::Row& b_row, int32_t bx, uint32_t scale) {
    using C = Cells<Checked>;
    if (C::Get(run, t_row, tx) != run.First) return;
    int32_t r = Draw(run);
    C::Set(run, t_row, tx, Displaced(run, r, scale, C::Get(run, a_row, ax), C::Get(run, b_row, bx)));
}

// The rounded mean of a rectangle's four corners.
template <bool Checked>
PLASMA_INLINE int32_t CornerMean(const Run& run, const typename Cells<Checked>::Row& top, int32_t x1,
                                 const typename Cells<Checked>::Row& bottom, int32_t x2) {
    using C = Cells<Checked>;
    return (C::Get(run, bottom, x2) + C::Get(run, bottom, x1) + C::Get(run, top, x1) + C::Get(run, top, x2) + 2) >> 2;
}

PLASMA_INLINE void InvalidateCells(const Run& run, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (run.Host && run.Host->InvalidateCells) run.Host->InvalidateCells(run.Host->Context, x1, y1, x2, y2);
}

// Pumped messages may draw from the thread's generator too: hand the state over and back.
PLASMA_INLINE void PumpHostMessages(const Run& run) {
    if (!run.Host || !run.Host->PumpMessages) return;
    run.Source->State = run.Random;
    run.Host->PumpMessages(run.Host->Context);
    run.Random = run.Source->State;
}

PLASMA_INLINE bool HostAborted(const Run& run) {
    return run.Host && run.Host->AbortRequested && run.Host->AbortRequested(run.Host->Context);
}

struct Rect {
    int32_t X1, Y1, X2, Y2;
};

// The edge midpoints that are still unset, then the centre, of one rectangle.
template <bool Checked>
PLASMA_INLINE void ComputeRect(const Run& run, int32_t x1, int32_t y1, int32_t xm, int32_t ym, int32_t x2, int32_t y2) {
    using C = Cells<Checked>;
    const typename C::Row top = C::RowAt(run, y1), middle = C::RowAt(run, ym), bottom = C::RowAt(run, y2);
    const uint32_t width = (uint32_t)(x2 - x1) * run.Factor, height = (uint32_t)(y2 - y1) * run.Factor;
    DisplaceIfUnset<Checked>(run, top, x1, top, xm, top, x2, width);
    DisplaceIfUnset<Checked>(run, top, x2, middle, x2, bottom, x2, height);
    DisplaceIfUnset<Checked>(run, bottom, x1, bottom, xm, bottom, x2, width);
    DisplaceIfUnset<Checked>(run, top, x1, middle, x1, bottom, x1, height);
    const int32_t mean = CornerMean<Checked>(run, top, x1, bottom, x2);
    if (C::Get(run, middle, xm) == run.First) C::Set(run, middle, xm, mean);
}

// Which children of a rectangle split at (xm, ym) still have an interior.
struct Children {
    bool TopLeft, TopRight, BottomLeft, BottomRight;
};

PLASMA_INLINE Children ChildrenOf(int32_t x1, int32_t y1, int32_t xm, int32_t ym, int32_t x2, int32_t y2) {
    const bool wide_right = x2 - xm >= 2, wide_left = xm - x1 >= 2;
    const bool tall_bottom = y2 - ym >= 2, tall_top = ym - y1 >= 2;
    return {wide_left || tall_top, wide_right || tall_top, wide_left || tall_bottom, wide_right || tall_bottom};
}

// Small rectangles and their subtrees, in shapes known when compiling. A
// rectangle's subtree depends on its size only (xm - x1 is (x2 - x1) >> 1
// wherever it lies), so each size up to kShapeMax has a finisher of its own
// with every offset, length, child and order fixed: depth first in the stack's
// order (top left, top right, bottom left, bottom right). Only the tests of
// unset cells are left to the running program. For whole windows only.
constexpr int kShapeMax = 8;
// Rectangles up to this size have the rows they touch fetched before their subtrees.
constexpr int32_t kPrefetchSide = 64;

// What a finisher needs of the run, in values of its own: byte stores into
// the picture may alias anything reached through a reference.
struct ShapeRun {
    int32_t First, Lowest, Highest, Shift;
    uint32_t Factor;
    intptr_t Down;  // from a cell to the one below it
    uint32_t Random;
};

PLASMA_INLINE void DisplaceIfUnsetAt(ShapeRun& k, const uint8_t* a, uint8_t* t, const uint8_t* b, uint32_t length) {
    if (*t != k.First) return;
    k.Random = NextRandomState(k.Random);
    *t = (uint8_t)Displaced(k, RandomValueOf(k.Random), length * k.Factor, *a, *b);
}

template <int W, int H>
void FinishShape(ShapeRun& k, uint8_t* p);

// Subtrees of rectangles up to this size are written out whole in their
// callers; larger ones call the finishers of their children, which keeps the
// code small enough for the instruction cache and the page's download.
constexpr int kInlineMax = 4;

template <int W, int H>
__attribute__((noinline)) uint32_t FinishSmallShape(ShapeRun k, uint8_t* p) {
    FinishShape<W, H>(k, p);
    return k.Random;
}

template <int W, int H>
PLASMA_INLINE void FinishChild(ShapeRun& k, uint8_t* p) {
    if constexpr (W <= kInlineMax && H <= kInlineMax && (W > kInlineMax / 2 || H > kInlineMax / 2))
        k.Random = FinishSmallShape<W, H>(k, p);
    else
        FinishShape<W, H>(k, p);
}

// The rectangle W x H cells across whose top left cell is at p, then its subtree.
template <int W, int H>
PLASMA_INLINE void FinishShape(ShapeRun& k, uint8_t* p) {
    constexpr int XM = W >> 1, YM = H >> 1;
    uint8_t* const top = p;
    uint8_t* const middle = p + YM * k.Down;
    uint8_t* const bottom = p + H * k.Down;
    DisplaceIfUnsetAt(k, top, top + XM, top + W, W);
    DisplaceIfUnsetAt(k, top + W, middle + W, bottom + W, H);
    DisplaceIfUnsetAt(k, bottom, bottom + XM, bottom + W, W);
    DisplaceIfUnsetAt(k, top, middle, bottom, H);
    if (middle[XM] == k.First) middle[XM] = (uint8_t)((bottom[W] + bottom[0] + top[0] + top[W] + 2) >> 2);
    constexpr bool wide_left = XM >= 2, wide_right = W - XM >= 2, tall_top = YM >= 2, tall_bottom = H - YM >= 2;
    if constexpr (wide_left || tall_top) FinishChild<XM, YM>(k, top);
    if constexpr (wide_right || tall_top) FinishChild<W - XM, YM>(k, top + XM);
    if constexpr (wide_left || tall_bottom) FinishChild<XM, H - YM>(k, middle);
    if constexpr (wide_right || tall_bottom) FinishChild<W - XM, H - YM>(k, middle + XM);
}

template <int W, int H>
void FinishShapeOf(const Run& run, uint8_t* p) {
    ShapeRun k{run.First, run.Lowest, run.Highest, run.Shift, run.Factor, -run.Stride, run.Random};
    FinishShape<W, H>(k, p);
    run.Random = k.Random;
}

using ShapeFinisher = void (*)(const Run& run, uint8_t* p);

template <int... I>
constexpr auto MakeShapeFinishers(std::integer_sequence<int, I...>) {
    return std::array<ShapeFinisher, sizeof...(I)>{&FinishShapeOf<I / (kShapeMax + 1), I % (kShapeMax + 1)>...};
}

// kShapeFinishers[W * (kShapeMax + 1) + H]
constexpr auto kShapeFinishers = MakeShapeFinishers(std::make_integer_sequence<int, (kShapeMax + 1) * (kShapeMax + 1)>());

// The subtree of the rectangle w x h cells across (at most kShapeMax each)
// whose top left cell is at p.
PLASMA_INLINE void FinishShapeAt(const Run& run, int32_t w, int32_t h, uint8_t* p) {
    kShapeFinishers[w * (kShapeMax + 1) + h](run, p);
}

PLASMA_INLINE uint8_t* CellAt(const Run& run, int32_t x, int32_t y) { return run.Cell00 - (intptr_t)y * run.Stride + x; }

// Whether every cell of a rectangle at most two cells across (in one of its
// directions) holds a value. Such a rectangle's subtree then draws and writes
// nothing: its children are as thin and only look at cells that are set. In a
// picture a cell or two wide that subtree grows with the square of the long
// side; passing over it keeps the work to the picture's area.
template <bool Checked>
PLASMA_INLINE bool ThinAndFinished(const Run& run, const Rect& r) {
    using C = Cells<Checked>;
    if (r.X2 - r.X1 > 1 && r.Y2 - r.Y1 > 1) return false;
    for (int32_t y = r.Y1; y <= r.Y2; y++) {
        const typename C::Row row = C::RowAt(run, y);
        for (int32_t x = r.X1; x <= r.X2; x++)
            if (C::Get(run, row, x) == run.First) return false;
    }
    return true;
}

template <bool Checked>
void SubdivideRect(const Run& shared, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    // A private copy: byte stores into the picture may alias anything reached
    // through a reference, which would reload every field after each store.
    const Run run = shared;
    struct WriteBack {
        const Run& from;
        const Run& to;
        ~WriteBack() { to.Random = from.Random; }
    } write_back{run, shared};
    // No rectangle a finisher takes can meet a check point: its half-width is
    // at most kShapeMax / 2.
    const bool finishers = !Checked && run.Checkpoint > kShapeMax / 2;
    Rect stack[kStackSize];
    int top_of_stack = 0;
    stack[0] = {left, top, right, bottom};
    while (top_of_stack >= 0) {
        const Rect r = stack[top_of_stack--];
        const int32_t w = r.X2 - r.X1, h = r.Y2 - r.Y1;
        if (finishers && w <= kShapeMax && h <= kShapeMax) {  // its whole subtree at once
            FinishShapeAt(run, w, h, CellAt(run, r.X1, r.Y1));
            continue;
        }
        if (ThinAndFinished<Checked>(run, r)) continue;
        if (!Checked && w <= kPrefetchSide && h <= kPrefetchSide && w > 2 * kShapeMax) {
            // The subtree is about to visit every row of the rectangle, each in
            // a line or two of its own: ask for them all at once.
            const uint8_t* row = CellAt(run, 0, r.Y1);
            for (int32_t y = r.Y1; y <= r.Y2; y++, row -= run.Stride) {
                __builtin_prefetch(row + r.X1, 1);
                __builtin_prefetch(row + r.X2, 1);
            }
        }
        const int32_t xm = (r.X1 + r.X2) >> 1;
        const int32_t ym = (r.Y1 + r.Y2) >> 1;
        ComputeRect<Checked>(run, r.X1, r.Y1, xm, ym, r.X2, r.Y2);

        if (xm - r.X1 == run.Checkpoint) {
            PumpHostMessages(run);
            if (HostAborted(run)) return;
            if (run.Progressive) InvalidateCells(run, r.X1, r.Y1, xm, ym);
        }

        const Children c = ChildrenOf(r.X1, r.Y1, xm, ym, r.X2, r.Y2);
        // Children small enough for a finisher: theirs at once, in the stack's order.
        if (finishers && w <= 2 * kShapeMax && h <= 2 * kShapeMax) {
            uint8_t* const top_left = CellAt(run, r.X1, r.Y1);
            uint8_t* const middle_left = CellAt(run, r.X1, ym);
            const int32_t left_w = xm - r.X1, right_w = r.X2 - xm, top_h = ym - r.Y1, bottom_h = r.Y2 - ym;
            if (c.TopLeft) FinishShapeAt(run, left_w, top_h, top_left);
            if (c.TopRight) FinishShapeAt(run, right_w, top_h, top_left + left_w);
            if (c.BottomLeft) FinishShapeAt(run, left_w, bottom_h, middle_left);
            if (c.BottomRight) FinishShapeAt(run, right_w, bottom_h, middle_left + left_w);
            continue;
        }
        if (c.BottomRight) stack[++top_of_stack] = {xm, ym, r.X2, r.Y2};
        if (c.BottomLeft) stack[++top_of_stack] = {r.X1, ym, xm, r.Y2};
        if (c.TopRight) stack[++top_of_stack] = {xm, r.Y1, r.X2, ym};
        if (c.TopLeft) stack[++top_of_stack] = {r.X1, r.Y1, xm, ym};
    }
}

// cell (x, y) <- cell (x, y) for the given mapping, columns outer, rows inner.
template <bool Checked, typename Map>
void Mirror(const Run& run, int32_t x1, int32_t x2, int32_t y1, int32_t y2, Map target) {
    using C = Cells<Checked>;
    for (int32_t x = x1; x <= x2; x++)
        for (int32_t y = y1; y <= y2; y++) {
            int32_t tx = x, ty = y;
            target(tx, ty);
            C::Set(run, tx, ty, C::Get(run, x, y));
        }
}

template <bool Checked>
void Generate(const Run& run, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    using C = Cells<Checked>;
    const bool progressive = run.Progressive;
    if (progressive) {
        C::Set(run, left, top, CornerValue(run));
        C::Set(run, right, top, CornerValue(run));
    }
    C::Set(run, right, bottom, CornerValue(run));
    C::Set(run, left, bottom, CornerValue(run));

    const int32_t xm = (right - left) >> 1;  // (AW - 1) >> 1
    const int32_t ym = (bottom - top) >> 1;
    // In a picture two rows high the middle row is the top row. In silent mode
    // a preset top row stays as it is (the picture above on screen shares it):
    // the side midpoints there are its corners, and the centre is computed
    // only where the row holds no value yet.
    const bool top_row_kept = !progressive && ym == top;
    if (C::Get(run, xm, top) == run.First) DisplaceMidpoint<Checked>(run, left, top, xm, top, right, top);
    DisplaceMidpoint<Checked>(run, right, top, right, ym, right, bottom, !top_row_kept);
    DisplaceMidpoint<Checked>(run, left, bottom, xm, bottom, right, bottom);
    DisplaceMidpoint<Checked>(run, left, top, left, ym, left, bottom, !top_row_kept);
    if (!top_row_kept || C::Get(run, xm, ym) == run.First)
        C::Set(run, xm, ym, CornerMean<Checked>(run, C::RowAt(run, top), left, C::RowAt(run, bottom), right));

    auto mirror_right = [right](int32_t& x, int32_t&) { x = right - x; };
    auto mirror_down = [bottom](int32_t&, int32_t& y) { y = bottom - y; };
    const int32_t symmetry = run.SymmetryValue;

    SubdivideRect<Checked>(run, left, top, xm, ym);
    if (progressive) InvalidateCells(run, left, top, xm, ym);

    if (symmetry == 0 || symmetry == 3) SubdivideRect<Checked>(run, xm, top, right, ym);
    else Mirror<Checked>(run, left, xm, top, ym, mirror_right);
    if (progressive) InvalidateCells(run, xm, top, right, ym);

    if (symmetry == 0 || symmetry == 2) SubdivideRect<Checked>(run, left, ym, xm, bottom);
    else Mirror<Checked>(run, left, xm, top, ym, mirror_down);
    if (progressive) InvalidateCells(run, left, ym, xm, bottom);

    if (symmetry == 0) SubdivideRect<Checked>(run, xm, ym, right, bottom);
    else if (symmetry == 1 || symmetry == 3) Mirror<Checked>(run, xm, right, top, ym, mirror_down);
    else Mirror<Checked>(run, left, xm, ym, bottom, mirror_right);
    if (progressive) InvalidateCells(run, xm, ym, right, bottom);

    if (progressive) PumpHostMessages(run);
}

}  // namespace

int32_t DisplacementShift(int32_t animated_count) {
    if (animated_count > 16) return 18;
    if (animated_count >= 5) return 22;
    if (animated_count >= 3) return 24;
    return 25;
}

void GeneratePlasma(const PlasmaRun& request, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool progressive) {
    SeedRandom(*request.Random, request.CalendarTime);
    if (!request.Buffer || request.Width <= 0 || request.Height <= 0 || request.AnimatedCount <= 0 ||
        right < left || bottom < top || request.RowBytes < request.Width)
        return;
    // Far beyond any window: midpoint sums could overflow, and nothing there is drawn anyway.
    constexpr int32_t kLimit = 0x3FFFFFFF;
    if (left < -kLimit || top < -kLimit || right > kLimit || bottom > kLimit) return;
    Run run;
    run.Stride = request.RowBytes;
    run.Cell00 = request.Buffer + (intptr_t)(request.Height - 1) * run.Stride;
    run.Width = request.Width;
    run.Height = request.Height;
    run.First = request.FirstIndex;
    run.Lowest = request.FirstIndex + 1;
    run.Highest = request.FirstIndex + request.AnimatedCount - 1;
    run.Count = request.AnimatedCount;
    run.Shift = DisplacementShift(request.AnimatedCount);
    run.Factor = 8u * request.Granularity;
    run.Checkpoint = (int32_t)(((int64_t)right - left + 1) / 8);
    run.Progressive = progressive;
    run.Host = request.Host;
    run.SymmetryValue = request.Symmetry;
    const bool whole_window = left == 0 && top == 0 && right < request.Width && bottom < request.Height;
    run.Source = request.Random;
    run.Random = request.Random->State;
    if (whole_window) Generate<false>(run, left, top, right, bottom);
    else Generate<true>(run, left, top, right, bottom);
    request.Random->State = run.Random;
}
