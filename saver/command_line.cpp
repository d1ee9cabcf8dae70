#include "command_line.h"

namespace {

uintptr_t ReadHandle(const char* p) {
    while (*p == ' ') p++;
    uintptr_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        uintptr_t next = value * 10 + (uintptr_t)(*p - '0');
        if (next / 10 != value) return 0;  // too long to be a handle
        value = next;
    }
    return value;
}

}  // namespace

SaverCommand ParseSaverCommand(const char* text) {
    const char* p = text ? text : "";
    while (*p == ' ' || *p == '-' || *p == '/') p++;
    switch (*p) {
        case '\0':
            return {SaverMode::Configure, 0};
        case 'C':
        case 'c':
            return {SaverMode::ConfigureOwned, 0};
        case 'S':
        case 's':
            return {SaverMode::FullScreen, 0};
        case 'P':
        case 'p':
        case 'L':
        case 'l':
            return {SaverMode::Preview, ReadHandle(p + 1)};
        case 'A':
        case 'a':
            return {SaverMode::ChangePassword, ReadHandle(p + 1)};
        default:
            return {SaverMode::None, 0};
    }
}
