#include "png_writer.h"

#include "output/pending_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// libpng says "Write Error" when the file refuses a write: the system's reason,
// from errno as the failing write left it, is what the user can act on.
void OnPngError(png_structp png, png_const_charp message) {
    const int reason = errno;
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = reason ? strerror(reason) : message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The picture through libpng into file; false: error says why. Alone in its
// function, since libpng's errors come back by longjmp.
bool EncodePng(FILE* file, int32_t width, int32_t height, const RenderedPicture& picture, std::string& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
        error = "not enough memory for the PNG encoder";
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        if (error.empty()) error = "PNG encoder failed";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colors[256];
    for (int j = 0; j < 256; j++) colors[j] = {picture.Colors[j].Red, picture.Colors[j].Green, picture.Colors[j].Blue};
    png_set_PLTE(png, info, colors, 256);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; y++)  // memory holds the bottom row first
        png_write_row(png, picture.Pixels.data() + (size_t)(height - 1 - y) * (size_t)width);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WriteIndexedPng(const std::string& path, int32_t width, int32_t height, const RenderedPicture& picture,
                     std::string& error) {
    // A picture of the same name stays as it was until the new one is whole.
    PendingFile pending;
    if (!BeginPendingFile(pending, path, error)) return false;
    FILE* file = fdopen(TakeDescriptor(pending), "wb");
    if (!file) {
        error = strerror(errno);
        AbandonPendingFile(pending);
        return false;
    }
    errno = 0;
    bool ok = EncodePng(file, width, height, picture, error);
    if (ok && fflush(file) != 0) {  // the last bytes may meet a full disk only now
        error = strerror(errno);
        ok = false;
    }
    if (fclose(file) != 0 && ok) {
        error = strerror(errno);
        ok = false;
    }
    if (!ok) {
        AbandonPendingFile(pending);
        return false;
    }
    return FinishPendingFile(pending, error);
}
