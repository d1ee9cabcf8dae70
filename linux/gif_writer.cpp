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
    if (!r.problem.empty()) return false;
    const bool system_call = error == E_GIF_ERR_WRITE_FAILED || error == E_GIF_ERR_DISK_IS_FULL ||
                             error == E_GIF_ERR_CLOSE_FAILED || error == E_GIF_ERR_OPEN_FAILED;
    r.problem = std::string(what) + ": " + (system_call && reason ? strerror(reason) : GifErrorString(error));
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
    explicit ColorCounts(size_t capacity) : keys_(capacity, kEmpty), values_(capacity, 0) {}

    uint32_t& operator[](uint32_t color) {
        if (2 * (used_ + 1) > keys_.size()) Grow();
        size_t slot = Slot(color);
        if (keys_[slot] == kEmpty) {
            keys_[slot] = color;
            used_++;
        }
        return values_[slot];
    }
    uint32_t At(uint32_t color) const { return values_[Slot(color)]; }

    template <typename Visit>
    void ForEach(Visit visit) const {
        for (size_t k = 0; k < keys_.size(); k++)
            if (keys_[k] != kEmpty) visit(keys_[k], values_[k]);
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // never a colour: colours have 24 bits
    std::vector<uint32_t> keys_, values_;
    size_t used_ = 0;

    size_t Slot(uint32_t color) const {
        size_t slot = (color * 2654435761u) & (keys_.size() - 1);
        while (keys_[slot] != kEmpty && keys_[slot] != color) slot = (slot + 1) & (keys_.size() - 1);
        return slot;
    }
    void Grow() {
        ColorCounts bigger(keys_.size() * 2);
        ForEach([&](uint32_t color, uint32_t value) { bigger[color] = value; });
        *this = std::move(bigger);
    }
};

void ForgetColors(GifRecording& r, std::vector<uint32_t>& table) {
    for (uint32_t c : table) r.seen[c >> 6] &= ~(1ull << (c & 63));
    table.clear();
}

// The colour table of a frame past 256 colours, and each pixel's entry in it:
// the most frequent 256 are kept and every other colour takes the nearest of them.
struct FrameColors {
    std::vector<uint32_t> table;
    ColorCounts entry;
};

FrameColors ChooseColors(const GifRecording& r, int left, int top, int right, int bottom) {
    ColorCounts counts;
    for (int y = top; y < bottom; y++) {
        const uint32_t* row = r.current.data() + (size_t)y * r.width;
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
        if (colors.table.size() < 256) {
            colors.entry[c.first] = (uint32_t)colors.table.size();
            colors.table.push_back(c.first);
            continue;
        }
        size_t nearest = 0;
        for (size_t k = 1; k < colors.table.size(); k++)
            if (Distance(c.first, colors.table[k]) < Distance(c.first, colors.table[nearest])) nearest = k;
        colors.entry[c.first] = (uint32_t)nearest;
    }
    return colors;
}

// A frame of at most 256 colours, the usual case: its table in the order the
// colours first appear, each colour's entry found directly by the colour.
// False, with nothing kept, when the frame has more.
bool ExactColors(GifRecording& r, int left, int top, int right, int bottom, std::vector<uint32_t>& table) {
    if (r.entry_of.empty()) {
        r.entry_of.assign(1u << 24, 0);
        r.seen.assign((1u << 24) / 64, 0);
    }
    table.clear();
    for (int y = top; y < bottom; y++) {
        const uint32_t* row = r.current.data() + (size_t)y * r.width;
        for (int x = left; x < right; x++) {
            const uint32_t c = row[x];
            if (r.seen[c >> 6] >> (c & 63) & 1) continue;
            if (table.size() == 256) {
                ForgetColors(r, table);
                return false;
            }
            r.seen[c >> 6] |= 1ull << (c & 63);
            r.entry_of[c] = (uint8_t)table.size();
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
    if (EGifPutExtension(r.file, GRAPHICS_EXT_FUNC_CODE, (int)length, bytes) == GIF_ERROR)
        return Fail(r, "writing a frame", r.file->Error);
    return true;
}

// One frame: the part of current that differs from shown (one pixel when
// nothing does, to carry the delay), shown for this many hundredths.
bool PutFrame(GifRecording& r, int hundredths) {
    int left = r.width, top = r.height, right = 0, bottom = 0;
    for (int y = 0; y < r.height; y++) {
        const uint32_t* now = r.current.data() + (size_t)y * r.width;
        const uint32_t* before = r.shown.data() + (size_t)y * r.width;
        if (memcmp(now, before, (size_t)r.width * 4) == 0) continue;
        int x0 = 0, x1 = r.width;
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
    if (!exact) table = colors.table;
    int bits = 1;
    while ((1u << bits) < table.size()) bits++;
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    if (!map) return Fail(r, "a colour table", E_GIF_ERR_NOT_ENOUGH_MEM);
    for (size_t k = 0; k < table.size(); k++)
        map->Colors[k] = {(GifByteType)table[k], (GifByteType)(table[k] >> 8), (GifByteType)(table[k] >> 16)};  // COLORREF
    bool ok = PutDelay(r, hundredths) &&
              EGifPutImageDesc(r.file, left, top, right - left, bottom - top, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) {
        if (exact) ForgetColors(r, table);
        return Fail(r, "writing a frame", r.file->Error);
    }
    std::vector<GifPixelType> line((size_t)(right - left));
    for (int y = top; y < bottom; y++) {
        uint32_t* now = r.current.data() + (size_t)y * r.width;
        if (exact) {
            for (int x = left; x < right; x++) line[x - left] = r.entry_of[now[x]];
        } else {
            for (int x = left; x < right; x++) line[x - left] = (GifPixelType)colors.entry.At(now[x]);
        }
        ok = EGifPutLine(r.file, line.data(), right - left) != GIF_ERROR;
        if (!ok) break;
        // What the viewer shows: the table's colour, which past 256 colours may be a near one.
        for (int x = left; x < right; x++) r.shown[(size_t)y * r.width + x] = table[line[x - left]];
    }
    if (exact) ForgetColors(r, table);
    if (!ok) return Fail(r, "writing a frame", r.file->Error);
    r.frames++;
    return true;
}

// The pending state, shown from pending_from until the given hundredth.
bool WritePending(GifRecording& r, uint32_t until) {
    uint32_t remaining = until - r.pending_from;
    if (!PutFrame(r, (int)std::min<uint32_t>(remaining, kLongestDelay))) return false;
    remaining -= std::min<uint32_t>(remaining, kLongestDelay);
    while (remaining > 0) {  // a longer stillness continues in frames of one unchanged pixel
        if (!PutFrame(r, (int)std::min<uint32_t>(remaining, kLongestDelay))) return false;
        remaining -= std::min<uint32_t>(remaining, kLongestDelay);
    }
    r.pending = false;
    return true;
}

}  // namespace

bool BeginGif(GifRecording& r, int fd, int width, int height) {
    int error = 0;
    r = GifRecording{};
    r.width = width;
    r.height = height;
    errno = 0;
    r.file = EGifOpenFileHandle(fd, &error);  // closes fd from now on
    if (!r.file) {
        close(fd);
        return Fail(r, "opening the file", error);
    }
    r.current.assign((size_t)width * height, 0);
    // What a viewer shows before the first frame is left to it: a colour no
    // picture has makes the first frame cover everything.
    r.shown.assign((size_t)width * height, 0xFF000000u);
    r.pending = true;
    r.pending_from = 0;
    EGifSetGifVersion(r.file, true);
    static const GifByteType kLoop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kForever[] = {1, 0, 0};
    if (EGifPutScreenDesc(r.file, width, height, 8, 0, nullptr) == GIF_ERROR ||
        EGifPutExtensionLeader(r.file, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(r.file, sizeof kLoop, kLoop) == GIF_ERROR ||
        EGifPutExtensionBlock(r.file, sizeof kForever, kForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(r.file) == GIF_ERROR) {
        Fail(r, "writing the file", r.file->Error);
        EGifCloseFile(r.file, &error);
        r.file = nullptr;
        return false;
    }
    return true;
}

bool GifStateFrom(GifRecording& r, uint32_t hundredths, const uint32_t* picture) {
    if (!r.file) return false;
    // Drawn again as it was: the frame before lasts longer.
    if (r.pending && std::equal(r.current.begin(), r.current.end(), picture)) return true;
    if (r.pending && hundredths != r.pending_from && !WritePending(r, hundredths)) return false;
    std::copy(picture, picture + r.current.size(), r.current.begin());
    r.pending = true;
    r.pending_from = hundredths;
    return true;
}

bool EndGif(GifRecording& r, uint32_t hundredths) {
    if (!r.file) return false;
    bool ok = true;
    // The last state lasts at least a hundredth, even when it came at the very end.
    if (r.pending) ok = WritePending(r, std::max(hundredths, r.pending_from + 1));
    int error = 0;
    errno = 0;
    if (EGifCloseFile(r.file, &error) == GIF_ERROR && ok) ok = Fail(r, "closing the file", error);
    r.file = nullptr;
    return ok;
}
