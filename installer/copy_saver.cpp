// The source is opened before any target is touched, and the copy goes to a
// temporary name that replaces the saver only when it is complete: a medium
// without the module, or a failing read or write, never leaves an empty or
// half-written saver behind.
#include "copy_saver.h"

#include "install_messages.h"
#include "install_strings.h"

#include <cstdio>

namespace {

constexpr char kSource[] = "Velmsav.W32";
constexpr char kTarget[] = "Velmora.scr";
constexpr char kFallback[] = "Velmsav.scr";
constexpr char kTemporary[] = "Velmora.new";

void ShowWithPath(void (*show)(const char*), const char* format, const char* path) {
    char text[256];
    snprintf(text, sizeof text, format, path);
    show(text);
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Block by block, byte for byte; false on a read or write error.
bool CopyBlocks(FILE* from, FILE* to, bool& read_failed) {
    char block[256];
    size_t got;
    while ((got = fread(block, 1, sizeof block, from)) > 0)
        if (fwrite(block, 1, got, to) != got) return false;
    read_failed = ferror(from) != 0;
    return !read_failed;
}

}  // namespace

CopyResult CopySaver(const char* directory) {
    char target[256], fallback[256], temporary[256];
    snprintf(target, sizeof target, "%s%s", directory, kTarget);
    snprintf(fallback, sizeof fallback, "%s%s", directory, kFallback);
    snprintf(temporary, sizeof temporary, "%s%s", directory, kTemporary);

    FILE* source = fopen(kSource, "rb");
    if (!source) {
        ShowWithPath(ShowInstallError, "Could not open input file %s", kSource);
        return CopyResult::Failed;
    }
    if (Exists(target)) {
        MessageBeep(MB_ICONASTERISK);
        if (ShowInstallString(IDS_OVERWRITE, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
            fclose(source);
            return CopyResult::Interrupted;
        }
    }
    FILE* copy = fopen(temporary, "wb");
    if (!copy) {
        fclose(source);
        ShowWithPath(ShowInstallError, "Could not open output file %s", fallback);
        return CopyResult::Failed;
    }
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    bool read_failed = false;
    const bool copied = CopyBlocks(source, copy, read_failed);
    const bool closed = fclose(copy) == 0;
    fclose(source);
    if (!copied || !closed) {
        DeleteFileA(temporary);
        if (read_failed)
            ShowWithPath(ShowInstallError, "Could not read input file %s", kSource);
        else
            ShowWithPath(ShowInstallError, "Could not write output file %s", temporary);
        return CopyResult::Failed;
    }
    // The saver's own name, else the fallback name, as the copy could not be placed otherwise.
    if (MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING) ||
        MoveFileExA(temporary, fallback, MOVEFILE_REPLACE_EXISTING))
        return CopyResult::Done;
    DeleteFileA(temporary);
    ShowWithPath(ShowInstallError, "Could not open output file %s", fallback);
    return CopyResult::Failed;
}
