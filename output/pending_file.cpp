#include "pending_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Fail(std::string& problem, int error) {
    problem = strerror(error);
    return false;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t NewFilePermissions() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

PendingFile::~PendingFile() { AbandonPendingFile(*this); }

bool BeginPendingFile(PendingFile& file, const std::string& destination, std::string& problem) {
    AbandonPendingFile(file);
    file.Destination = destination;
    if (destination.empty() || destination.back() == '/') return Fail(problem, EISDIR);
    struct stat info;
    if (stat(destination.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return Fail(problem, EISDIR);
    // Hidden, and named after the destination, so that a user who sees it knows whose it is.
    std::string name = FolderOf(destination) + "/." + NameOf(destination) + ".XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0) return Fail(problem, errno);
    if (fchmod(fd, NewFilePermissions()) != 0) {
        const int error = errno;
        close(fd);
        unlink(name.c_str());
        return Fail(problem, error);
    }
    file.Temporary = name;
    file.Fd = fd;
    return true;
}

int TakeDescriptor(PendingFile& file) {
    const int fd = file.Fd;
    file.Fd = -1;
    return fd;
}

bool FinishPendingFile(PendingFile& file, std::string& problem) {
    if (file.Temporary.empty()) return Fail(problem, ENOENT);
    if (file.Fd >= 0 && close(TakeDescriptor(file)) != 0) {
        const int error = errno;
        AbandonPendingFile(file);
        return Fail(problem, error);
    }
    if (rename(file.Temporary.c_str(), file.Destination.c_str()) != 0) {
        const int error = errno;
        AbandonPendingFile(file);
        return Fail(problem, error);
    }
    file.Temporary.clear();
    return true;
}

void AbandonPendingFile(PendingFile& file) {
    if (file.Fd >= 0) close(TakeDescriptor(file));
    if (!file.Temporary.empty()) unlink(file.Temporary.c_str());
    file.Temporary.clear();
}

void TakeFileSizeLimitAsAnError() { signal(SIGXFSZ, SIG_IGN); }
