// Reading private-profile files: the rules the settings store relies on, and
// files no user should have but some will.
#include "platform/win32.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ProfileRead : public ::testing::Test {
protected:
    TempFolder folder;
    std::string file = folder.File("test.ini");

    std::string Text(const char* section, const char* key, const char* fallback = "-") {
        char buffer[500];
        GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer, file.c_str());
        return buffer;
    }
    UINT Number(const char* key, INT fallback = 77) { return GetPrivateProfileIntA("S", key, fallback, file.c_str()); }
};

TEST_F(ProfileRead, NamesMatchWithoutCaseAndFirstOccurrenceWins) {
    WriteFile(file,
              "[s]\nKey=first\nkey=second\n"
              "[S]\nOther=later section\n");
    EXPECT_EQ(Text("S", "KEY"), "first");
    // Only the first section of a name is searched.
    EXPECT_EQ(Text("s", "Other"), "-");
}

TEST_F(ProfileRead, WhiteSpaceQuotesAndLineEndings) {
    WriteFile(file, "\xEF\xBB\xBF  [ S ]  \r\n\t a b =  x y \t\r\nq=\"quoted \"\r\nr='x'\r\nhalf=\"x\r\nlast=end");
    EXPECT_EQ(Text("S", "a b"), "x y");
    EXPECT_EQ(Text("S", "q"), "quoted ");
    EXPECT_EQ(Text("S", "r"), "x");
    EXPECT_EQ(Text("S", "half"), "\"x");
    EXPECT_EQ(Text("S", "last"), "end");
}

TEST_F(ProfileRead, MissingThingsGiveTheDefault) {
    EXPECT_EQ(Text("S", "k", "def  "), "def");  // no file; trailing blanks of a default go
    WriteFile(file, "k=before any section\n[S]\nnovalue\n=nokey\n");
    EXPECT_EQ(Text("S", "k"), "-");
    EXPECT_EQ(Text("S", "novalue"), "-");
    EXPECT_EQ(Text("T", "k"), "-");
    EXPECT_EQ(Number("k"), 77u);
}

TEST_F(ProfileRead, IntegersFollowTheProfileIntegerReader) {
    WriteFile(file,
              "[S]\nplain=42\nneg=-5\nplus=+7\nhex=0x1f\nupper=0X1f\noct=0o17\nbin=0b101\n"
              "tail=12abc\nword=abc\nempty=\nblank=   \nwrap=4294967297\nquoted=\"\"\nmixed=0xFfz\n");
    EXPECT_EQ(Number("plain"), 42u);
    EXPECT_EQ(Number("neg"), 0u - 5u);
    EXPECT_EQ(Number("plus"), 7u);
    EXPECT_EQ(Number("hex"), 31u);
    EXPECT_EQ(Number("upper"), 0u);
    EXPECT_EQ(Number("oct"), 15u);
    EXPECT_EQ(Number("bin"), 5u);
    EXPECT_EQ(Number("tail"), 12u);
    EXPECT_EQ(Number("word"), 0u);
    EXPECT_EQ(Number("empty"), 77u);
    EXPECT_EQ(Number("blank"), 77u);
    EXPECT_EQ(Number("wrap"), 1u);
    EXPECT_EQ(Number("quoted"), 77u);
    EXPECT_EQ(Number("mixed"), 255u);
}

TEST_F(ProfileRead, HostileFilesAreReadSafely) {
    std::string huge = "[S]\nlong=" + std::string(1 << 20, 'A') + "\nafter=ok\n";
    std::string bytes = "[S]\n";
    for (int i = 0; i < 4096; i++) bytes += (char)(i * 37 % 256);
    bytes += "\nafter=ok";
    for (const std::string& content : {huge, bytes, std::string("\0\0[S]\0=\n", 8)}) {
        WriteFile(file, content);
        char small[8];
        DWORD got = GetPrivateProfileStringA("S", "long", "", small, sizeof small, file.c_str());
        EXPECT_LE(got, 7u);
        EXPECT_EQ(small[got], '\0');
        GetPrivateProfileIntA("S", "after", 0, file.c_str());
    }
    WriteFile(file, huge);
    EXPECT_EQ(Text("S", "after"), "ok");
    EXPECT_EQ(Text("S", "long").size(), 499u);
    // A folder where the file should be reads as no file.
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 9, folder.path().c_str()), 9u);
}

TEST_F(ProfileRead, ZeroSizedBufferWritesNothing) {
    WriteFile(file, "[S]\nk=v\n");
    char canary = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", &canary, 0, file.c_str()), 0u);
    EXPECT_EQ(canary, 'x');
}

}  // namespace
