#include "settings_file_check.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadableSettings(const std::string& path, std::string& problem) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        problem = strerror(errno);
        return false;
    }
    struct stat info;
    bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char byte;
    bool readable = regular && read(fd, &byte, 1) >= 0;
    if (regular && !readable) problem = strerror(errno);
    close(fd);
    if (!regular) problem = "not a regular file";
    if (readable && info.st_size > kLargestSettingsFile) {
        problem = "larger than 1 MB, too large for a settings file";
        return false;
    }
    return readable;
}

bool UsableIfPresent(const std::string& path, std::string& problem) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 && errno == ENOENT) return true;
    return ReadableSettings(path, problem);
}
