#include "snapshot.h"

#include "platform/native/display_host.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace np = native_platform;

bool WriteDisplaySnapshot(const std::string& path, std::string& problem) {
    const int width = np::DisplayWidth(), height = np::DisplayHeight();
    const std::string temporary = path + ".part";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) {
        problem = strerror(errno);
        return false;
    }
    fprintf(file, "P6\n%d %d\n255\n", width, height);
    std::vector<uint32_t> row((size_t)width);
    std::vector<uint8_t> bytes((size_t)width * 3);
    for (int y = 0; y < height; y++) {
        np::ScreenRowRgb(y, 0, width, row.data());
        for (int x = 0; x < width; x++) {
            bytes[3 * x] = (uint8_t)(row[x] >> 16);
            bytes[3 * x + 1] = (uint8_t)(row[x] >> 8);
            bytes[3 * x + 2] = (uint8_t)row[x];
        }
        fwrite(bytes.data(), 1, bytes.size(), file);
    }
    const bool written = !ferror(file);
    if (fclose(file) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
        problem = strerror(errno ? errno : EIO);
        remove(temporary.c_str());
        return false;
    }
    return true;
}
