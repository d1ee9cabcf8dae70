// Output files of the native programs: written beside the destination under a
// name of their own, with the permissions a new file gets.
#include "output/pending_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(PendingFile, ANewFileGetsTheUsualPermissionsAndReplacesOnlyWhenWhole) {
    TempFolder folder;
    const std::string out = folder.File("picture.png");
    WriteFile(out, "the old picture");
    const mode_t before = umask(022);
    PendingFile file;
    std::string problem;
    ASSERT_TRUE(BeginPendingFile(file, out, problem)) << problem;
    umask(before);
    ASSERT_EQ(write(file.Fd, "new", 3), 3);
    EXPECT_EQ(ReadFile(out), "the old picture");  // until it is whole
    ASSERT_TRUE(FinishPendingFile(file, problem)) << problem;
    EXPECT_EQ(ReadFile(out), "new");
    struct stat info;
    ASSERT_EQ(stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(ListFolder(folder.path()), std::vector<std::string>{"picture.png"});

    ASSERT_TRUE(BeginPendingFile(file, out, problem)) << problem;
    AbandonPendingFile(file);
    EXPECT_EQ(ReadFile(out), "new");
    EXPECT_EQ(ListFolder(folder.path()), std::vector<std::string>{"picture.png"});
}

// A folder the user cannot write into is refused with the system's reason. The
// tests run as root, who may write anywhere: the check runs as nobody.
TEST(PendingFile, AReadOnlyFolderIsRefusedWithItsReason) {
    TempFolder folder;
    ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
    const std::string closed = folder.File("closed");
    ASSERT_EQ(mkdir(closed.c_str(), 0555), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        PendingFile file;
        std::string problem;
        const bool begun = BeginPendingFile(file, closed + "/x.gif", problem);
        _exit(!begun && problem == "Permission denied" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not refused as it should be; 3: could not become nobody";
    EXPECT_EQ(ListFolder(closed), std::vector<std::string>{});
}

}  // namespace
