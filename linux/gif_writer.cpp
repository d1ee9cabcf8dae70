#include "gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <vector>

namespace {

// Hundredths one frame holds: 65535 fit, an even number keeps every piece of
// a long stillness at two hundredths or more, which players show as written.
constexpr int kLongestDelay = 65534;

// giflib says only that a write or the close failed: the system's reason,
// from errno as the failing call left it, is what the user can act on.
bool Fail(GifRecording& r, const char* what, int error) {
    const int reason = errno;
    if (!r.Problem.empty()) return false;
    const bool system_call = error == E_GIF_ERR_WRITE_FAILED || error == E_GIF_ERR_DISK_IS_FULL ||
                             error == E_GIF_ERR_CLOSE_FAILED || error == E_GIF_ERR_OPEN_FAILED;
    r.Problem = std::string(what) + ": " + (system_call && reason ? strerror(reason) : GifErrorString(error));
    return false;
}

int Distance(uint32_t a, uint32_t b) {
    const int dr = (int)(a >> 16 & 255) - (int)(b >> 16 & 255), dg = (int)(a >> 8 & 255) - (int)(b >> 8 & 255),
              db = (int)(a & 255) - (int)(b & 255);
    return dr * dr + dg * dg + db * db;
}

// Colours of one frame and a number for each: an open-addressing table, since
// a frame has few colours and every pixel is looked up.
class ColorCounts {
public:
    ColorCounts() : ColorCounts(1024) {}
    explicit ColorCounts(size_t capacity) : Keys(capacity, kEmpty), Values(capacity, 0) {}

    uint32_t& operator[](uint32_t color) {
        if (2 * (Used + 1) > Keys.size()) Grow();
        size_t slot = Slot(color);
        if (Keys[slot] == kEmpty) {
            Keys[slot] = color;
            Used++;
        }
        return Values[slot];
    }
    uint32_t At(uint32_t color) const { return Values[Slot(color)]; }

    template <typename Visit>
    void ForEach(Visit visit) const {
        for (size_t k = 0; k < Keys.size(); k++)
            if (Keys[k] != kEmpty) visit(Keys[k], Values[k]);
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // never a colour: colours have 24 bits
    std::vector<uint32_t> Keys, Values;
    size_t Used = 0;

    size_t Slot(uint32_t color) const {
        size_t slot = (color * 2654435761u) & (Keys.size() - 1);
        while (Keys[slot] != kEmpty && Keys[slot] != color) slot = (slot + 1) & (Keys.size() - 1);
        return slot;
    }
    void Grow() {
        ColorCounts bigger(Keys.size() * 2);
        ForEach([&](uint32_t color, uint32_t value) { bigger[color] = value; });
        *this = std::move(bigger);
    }
};

void ForgetColors(GifRecording& r, std::vector<uint32_t>& table) {
    for (uint32_t c : table) r.Seen[c >> 6] &= ~(1ull << (c & 63));
    table.clear();
}

// The colour table of a frame past 256 colours, and each pixel's entry in it:
// the most frequent 256 are kept and every other colour takes the nearest of them.
struct FrameColors {
    std::vector<uint32_t> Table;
    ColorCounts Entry;
};

FrameColors ChooseColors(const GifRecording& r, int left, int top, int right, int bottom) {
    ColorCounts counts;
    for (int y = top; y < bottom; y++) {
        const uint32_t* row = r.Current.data() + (size_t)y * r.Width;
        uint32_t last = row[left];
        uint32_t* count = &counts[last];
        for (int x = left; x < right; x++) {
            if (row[x] != last) count = &counts[last = row[x]];  // neighbours mostly share a colour
            ++*count;
        }
    }
    std::vector<std::pair<uint32_t, uint32_t>> by_count;
    counts.ForEach([&](uint32_t color, uint32_t n) { by_count.push_back({color, n}); });
    std::sort(by_count.begin(), by_count.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    FrameColors colors;
    for (const auto& c : by_count) {
        if (colors.Table.size() < 256) {
            colors.Entry[c.first] = (uint32_t)colors.Table.size();
            colors.Table.push_back(c.first);
            continue;
        }
        size_t nearest = 0;
        for (size_t k = 1; k < colors.Table.size(); k++)
            if (Distance(c.first, colors.Table[k]) < Distance(c.first, colors.Table[nearest])) nearest = k;
        colors.Entry[c.first] = (uint32_t)nearest;
    }
    return colors;
}

// A frame of at most 256 colours, the usual case: its table in the order the
// colours first appear, each colour's entry found directly by the colour.
// False, with nothing kept, when the frame has more.
bool ExactColors(GifRecording& r, int left, int top, int right, int bottom, std::vector<uint32_t>& table) {
    if (r.EntryOf.empty()) {
        r.EntryOf.assign(1u << 24, 0);
        r.Seen.assign((1u << 24) / 64, 0);
    }
    table.clear();
    for (int y = top; y < bottom; y++) {
        const uint32_t* row = r.Current.data() + (size_t)y * r.Width;
        for (int x = left; x < right; x++) {
            const uint32_t c = row[x];
            if (r.Seen[c >> 6] >> (c & 63) & 1) continue;
            if (table.size() == 256) {
                ForgetColors(r, table);
                return false;
            }
            r.Seen[c >> 6] |= 1ull << (c & 63);
            r.EntryOf[c] = (uint8_t)table.size();
            table.push_back(c);
        }
    }
    return true;
}

bool PutDelay(GifRecording& r, int hundredths) {
    GraphicsControlBlock control = {};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = hundredths;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType bytes[4];
    const size_t length = EGifGCBToExtension(&control, bytes);
    if (EGifPutExtension(r.File, GRAPHICS_EXT_FUNC_CODE, (int)length, bytes) == GIF_ERROR)
        return Fail(r, "writing a frame", r.File->Error);
    return true;
}

// One frame: the part of current that differs from shown (one pixel when
// nothing does, to carry the delay), shown for this many hundredths.
bool PutFrame(GifRecording& r, int hundredths) {
    int left = r.Width, top = r.Height, right = 0, bottom = 0;
    for (int y = 0; y < r.Height; y++) {
        const uint32_t* now = r.Current.data() + (size_t)y * r.Width;
        const uint32_t* before = r.Shown.data() + (size_t)y * r.Width;
        if (memcmp(now, before, (size_t)r.Width * 4) == 0) continue;
        int x0 = 0, x1 = r.Width;
        while (now[x0] == before[x0]) x0++;
        while (now[x1 - 1] == before[x1 - 1]) x1--;
        left = std::min(left, x0);
        right = std::max(right, x1);
        top = std::min(top, y);
        bottom = y + 1;
    }
    if (left >= right) left = top = 0, right = bottom = 1;
    std::vector<uint32_t> table;
    const bool exact = ExactColors(r, left, top, right, bottom, table);
    const FrameColors colors = exact ? FrameColors{} : ChooseColors(r, left, top, right, bottom);
    if (!exact) table = colors.Table;
    int bits = 1;
    while ((1u << bits) < table.size()) bits++;
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    if (!map) return Fail(r, "a colour table", E_GIF_ERR_NOT_ENOUGH_MEM);
    for (size_t k = 0; k < table.size(); k++)
        map->Colors[k] = {(GifByteType)table[k], (GifByteType)(table[k] >> 8), (GifByteType)(table[k] >> 16)};  // COLORREF
    bool ok = PutDelay(r, hundredths) &&
              EGifPutImageDesc(r.File, left, top, right - left, bottom - top, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) {
        if (exact) ForgetColors(r, table);
        return Fail(r, "writing a frame", r.File->Error);
    }
    std::vector<GifPixelType> line((size_t)(right - left));
    for (int y = top; y < bottom; y++) {
        uint32_t* now = r.Current.data() + (size_t)y * r.Width;
        if (exact) {
            for (int x = left; x < right; x++) line[x - left] = r.EntryOf[now[x]];
        } else {
            for (int x = left; x < right; x++) line[x - left] = (GifPixelType)colors.Entry.At(now[x]);
        }
        ok = EGifPutLine(r.File, line.data(), right - left) != GIF_ERROR;
        if (!ok) break;
        // What the viewer shows: the table's colour, which past 256 colours may be a near one.
        for (int x = left; x < right; x++) r.Shown[(size_t)y * r.Width + x] = table[line[x - left]];
    }
    if (exact) ForgetColors(r, table);
    if (!ok) return Fail(r, "writing a frame", r.File->Error);
    r.Frames++;
    return true;
}

// The pending state, shown from PendingFrom until the given hundredth.
bool WritePending(GifRecording& r, uint32_t until) {
    uint32_t remaining = until - r.PendingFrom;
    if (!PutFrame(r, (int)std::min<uint32_t>(remaining, kLongestDelay))) return false;
    remaining -= std::min<uint32_t>(remaining, kLongestDelay);
    while (remaining > 0) {  // a longer stillness continues in frames of one unchanged pixel
        if (!PutFrame(r, (int)std::min<uint32_t>(remaining, kLongestDelay))) return false;
        remaining -= std::min<uint32_t>(remaining, kLongestDelay);
    }
    r.Pending = false;
    return true;
}

}  // namespace

bool BeginGif(GifRecording& r, int fd, int width, int height) {
    int error = 0;
    r = GifRecording{};
    r.Width = width;
    r.Height = height;
    errno = 0;
    r.File = EGifOpenFileHandle(fd, &error);  // closes fd from now on
    if (!r.File) {
        close(fd);
        return Fail(r, "opening the file", error);
    }
    r.Current.assign((size_t)width * height, 0);
    // What a viewer shows before the first frame is left to it: a colour no
    // picture has makes the first frame cover everything.
    r.Shown.assign((size_t)width * height, 0xFF000000u);
    r.Pending = true;
    r.PendingFrom = 0;
    EGifSetGifVersion(r.File, true);
    static const GifByteType kLoop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kForever[] = {1, 0, 0};
    if (EGifPutScreenDesc(r.File, width, height, 8, 0, nullptr) == GIF_ERROR ||
        EGifPutExtensionLeader(r.File, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(r.File, sizeof kLoop, kLoop) == GIF_ERROR ||
        EGifPutExtensionBlock(r.File, sizeof kForever, kForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(r.File) == GIF_ERROR) {
        Fail(r, "writing the file", r.File->Error);
        EGifCloseFile(r.File, &error);
        r.File = nullptr;
        return false;
    }
    return true;
}

bool GifStateFrom(GifRecording& r, uint32_t hundredths, const uint32_t* picture) {
    if (!r.File) return false;
    // Drawn again as it was: the frame before lasts longer.
    if (r.Pending && std::equal(r.Current.begin(), r.Current.end(), picture)) return true;
    if (r.Pending && hundredths != r.PendingFrom && !WritePending(r, hundredths)) return false;
    std::copy(picture, picture + r.Current.size(), r.Current.begin());
    r.Pending = true;
    r.PendingFrom = hundredths;
    return true;
}

bool EndGif(GifRecording& r, uint32_t hundredths) {
    if (!r.File) return false;
    bool ok = true;
    // The last state lasts at least a hundredth, even when it came at the very end.
    if (r.Pending) ok = WritePending(r, std::max(hundredths, r.PendingFrom + 1));
    int error = 0;
    errno = 0;
    if (EGifCloseFile(r.File, &error) == GIF_ERROR && ok) ok = Fail(r, "closing the file", error);
    r.File = nullptr;
    return ok;
}
