#include "snapshot.h"

#include "output/pending_file.h"
#include "platform/native/display_host.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace np = native_platform;

bool WriteDisplaySnapshot(const std::string& path, std::string& problem) {
    const int width = np::DisplayWidth(), height = np::DisplayHeight();
    PendingFile pending;
    if (!BeginPendingFile(pending, path, problem)) return false;
    FILE* file = fdopen(TakeDescriptor(pending), "wb");
    if (!file) {
        problem = strerror(errno);
        AbandonPendingFile(pending);
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
    const int write_error = ferror(file) ? (errno ? errno : EIO) : 0;
    const int close_error = fclose(file) != 0 ? errno : 0;
    if (write_error || close_error) {
        problem = strerror(write_error ? write_error : close_error);
        AbandonPendingFile(pending);
        return false;
    }
    return FinishPendingFile(pending, problem);
}
