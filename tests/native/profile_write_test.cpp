// Writing private-profile files: one line changes, everything else stays.
#include "platform/win32.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class ProfileWrite : public ::testing::Test {
protected:
    TempFolder Folder;
    std::string File = Folder.File("test.ini");
    BOOL Write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, File.c_str());
    }
};

TEST_F(ProfileWrite, NewFileGetsSectionAndKeysInOrder) {
    ASSERT_TRUE(Write("Sec", "a", "1"));
    ASSERT_TRUE(Write("Sec", "b", "two  "));
    ASSERT_TRUE(Write("Other", "c", "3"));
    EXPECT_EQ(ReadFile(File), "[Sec]\na=1\nb=two  \n\n[Other]\nc=3\n");
}

TEST_F(ProfileWrite, ExistingContentIsKept) {
    WriteFile(File,
              "; comment\r\n[first]\r\nx = 1\r\n\r\n[Sec]\r\n; inside\r\nA = old\r\nkeep=yes\r\n\r\n[last]\r\nz=9");
    ASSERT_TRUE(Write("SEC", "a", "new"));
    ASSERT_TRUE(Write("sec", "added", "4"));
    ASSERT_TRUE(Write("last", "y", "8"));
    EXPECT_EQ(ReadFile(File),
              "; comment\r\n[first]\r\nx = 1\r\n\r\n[Sec]\r\n; inside\r\na=new\r\nkeep=yes\r\nadded=4\r\n\r\n"
              "[last]\r\nz=9\r\ny=8\r\n");
}

TEST_F(ProfileWrite, ByteOrderMarkAndDuplicatesSurvive) {
    WriteFile(File, "\xEF\xBB\xBF[S]\nk=1\nk=2\n[S]\nk=3\n");
    ASSERT_TRUE(Write("S", "k", "9"));
    EXPECT_EQ(ReadFile(File), "\xEF\xBB\xBF[S]\nk=9\nk=2\n[S]\nk=3\n");
}

TEST_F(ProfileWrite, FailedWriteLeavesFileAlone) {
    // A file-size limit makes the rewrite fail half way, even for root.
    std::string original = "[S]\nk=1\n" + std::string(4000, ';') + "\n";
    WriteFile(File, original);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tight = saved;
    tight.rlim_cur = 1000;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
    BOOL written = Write("S", "k", "2");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(File), original);
    EXPECT_EQ(std::filesystem::directory_iterator(Folder.path())->path().filename(), "test.ini");  // no leftovers
}

TEST_F(ProfileWrite, UnwritableTargetsFail) {
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", Folder.path().c_str()));  // a folder
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", Folder.File("missing/x.ini").c_str()));
    EXPECT_FALSE(Write("S", "", "v"));
    EXPECT_FALSE(Write(nullptr, "k", "v"));
}

// Windows will not change a read-only file, whoever asks; the file keeps its
// bytes, and a file that may be written keeps its permission bits.
TEST_F(ProfileWrite, ReadOnlyFileIsRefusedAndPermissionsAreKept) {
    WriteFile(File, "[S]\nk=1\n");
    chmod(File.c_str(), 0444);
    EXPECT_FALSE(Write("S", "k", "2"));
    EXPECT_EQ(ReadFile(File), "[S]\nk=1\n");
    chmod(File.c_str(), 0640);
    ASSERT_TRUE(Write("S", "k", "2"));
    struct stat info;
    ASSERT_EQ(stat(File.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(File), "[S]\nk=2\n");
}

TEST_F(ProfileWrite, UnicodeFileStaysUnicodeAndKeepsItsText) {
    auto wide = [](const std::string& ascii) {
        std::string units;
        for (char c : ascii) units += std::string{c, '\0'};
        return units;
    };
    const std::string text_before = wide("[S]\r\nname=") + std::string("\xE9\0\x3D\xD8\x00\xDE", 6) + wide("\r\nk=1\r\n");
    WriteFile(File, "\xFF\xFE" + text_before);  // name=é😀 (a surrogate pair)
    ASSERT_TRUE(Write("S", "k", "2"));
    EXPECT_EQ(ReadFile(File), "\xFF\xFE" + wide("[S]\r\nname=") + std::string("\xE9\0\x3D\xD8\x00\xDE", 6) +
                                  wide("\r\nk=2\r\n"));
}

// The same text in big-endian order stays big-endian, and reads as written.
TEST_F(ProfileWrite, BigEndianUnicodeFileStaysBigEndian) {
    auto wide = [](const std::string& ascii) {
        std::string units;
        for (char c : ascii) units += std::string{'\0', c};
        return units;
    };
    const std::string name_value = std::string("\0\xE9\xD8\x3D\xDE\x00", 6);  // é😀
    WriteFile(File, "\xFE\xFF" + wide("[S]\r\nname=") + name_value + wide("\r\nk=1\r\n"));
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 7, File.c_str()), 1u);
    ASSERT_TRUE(Write("S", "k", "2"));
    ASSERT_TRUE(Write("S", "new", "3"));
    EXPECT_EQ(ReadFile(File),
              "\xFE\xFF" + wide("[S]\r\nname=") + name_value + wide("\r\nk=2\r\nnew=3\r\n"));
    EXPECT_EQ(GetPrivateProfileIntA("S", "new", 7, File.c_str()), 3u);
}

// Settings kept in a dotfiles repository: the link stays, its target changes.
TEST_F(ProfileWrite, ASymbolicLinkStaysALinkAndItsTargetIsWritten) {
    std::filesystem::create_directory(Folder.File("dotfiles"));
    const std::string target = Folder.File("dotfiles/control.ini");
    WriteFile(target, "[S]\nk=1\n");
    std::filesystem::create_symlink("dotfiles/control.ini", File);  // relative, as people make them
    ASSERT_TRUE(Write("S", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(File));
    EXPECT_EQ(ReadFile(target), "[S]\nk=2\n");

    // A link whose target is not made yet: the target is made.
    const std::string dangling = Folder.File("dangling.ini");
    std::filesystem::create_symlink(Folder.File("dotfiles/later.ini"), dangling);
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "5", dangling.c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(ReadFile(Folder.File("dotfiles/later.ini")), "[S]\nk=5\n");
}

}  // namespace
