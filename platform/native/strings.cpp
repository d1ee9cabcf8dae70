// String resources for native builds, from the same table the resource script uses.
// Implements: GetModuleHandleA (the program's own module; no other is loaded),
// LoadStringA.
#include "../win32.h"
#include "resource_ids.h"

#include <cstring>

namespace {
struct StringEntry {
    UINT Id;
    const char* Text;
};

const StringEntry StringTable[] = {
#define VELMORA_STRING(name, number, text) {number, text},
#include "strings.def"
#undef VELMORA_STRING
};

HINSTANCE__* const this_module = reinterpret_cast<HINSTANCE__*>(0x400000);
}  // namespace

HMODULE GetModuleHandleA(LPCSTR name) { return name ? nullptr : this_module; }

// As on Windows: copies at most size - 1 characters and terminates; returns the
// number copied, 0 when the id has no string.
int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    for (const StringEntry& entry : StringTable) {
        if (entry.Id != id) continue;
        size_t length = strlen(entry.Text);
        if (length > (size_t)(size - 1)) length = (size_t)(size - 1);
        memcpy(buffer, entry.Text, length);
        buffer[length] = '\0';
        return (int)length;
    }
    buffer[0] = '\0';
    return 0;
}
