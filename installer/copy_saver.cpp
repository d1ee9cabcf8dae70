// The source is opened and checked before any target is touched, and the
// copy goes to a temporary name that replaces the saver only when it is
// complete: a medium without the module or with a damaged one, or a failing
// read or write, never leaves an empty, half-written or broken saver behind.
#include "copy_saver.h"

#include "install_messages.h"
#include "install_strings.h"
#include "module_check.h"

#include <cstdio>
#include <vector>

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

// The whole source, read once before anything is written; a damaged module
// gives false, and so does one the system will not load.
bool SourceIsWholeModule(FILE* source) {
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof block, source)) > 0) bytes.insert(bytes.end(), block, block + got);
    const bool read = !ferror(source) && fseek(source, 0, SEEK_SET) == 0;
    if (!read || !WholeModule(bytes.data(), bytes.size())) return false;
    HMODULE module = LoadLibraryExA(kSource, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    FreeLibrary(module);
    return true;
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
    if (!SourceIsWholeModule(source)) {
        fclose(source);
        MessageBeep(MB_ICONASTERISK);
        ShowInstallString(IDS_DAMAGED_MEDIUM, MB_OK | MB_ICONHAND);
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
    if (!copy) {  // the folder cannot be written: the message names the file tried
        fclose(source);
        ShowWithPath(ShowInstallError, "Could not open output file %s", temporary);
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
