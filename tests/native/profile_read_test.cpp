// Reading private-profile files: the rules the settings store relies on, and
// files no user should have but some will.
#include "platform/win32.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace {

class ProfileRead : public ::testing::Test {
protected:
    TempFolder Folder;
    std::string File = Folder.File("test.ini");

    std::string Text(const char* section, const char* key, const char* fallback = "-") {
        char buffer[500];
        GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer, File.c_str());
        return buffer;
    }
    UINT Number(const char* key, INT fallback = 77) { return GetPrivateProfileIntA("S", key, fallback, File.c_str()); }
};

TEST_F(ProfileRead, NamesMatchWithoutCaseAndFirstOccurrenceWins) {
    WriteFile(File,
              "[s]\nKey=first\nkey=second\n"
              "[S]\nOther=later section\n");
    EXPECT_EQ(Text("S", "KEY"), "first");
    // Only the first section of a name is searched.
    EXPECT_EQ(Text("s", "Other"), "-");
}

TEST_F(ProfileRead, WhiteSpaceQuotesAndLineEndings) {
    WriteFile(File, "\xEF\xBB\xBF  [ S ]  \r\n\t a b =  x y \t\r\nq=\"quoted \"\r\nr='x'\r\nhalf=\"x\r\nlast=end");
    EXPECT_EQ(Text("S", "a b"), "x y");
    EXPECT_EQ(Text("S", "q"), "quoted ");
    EXPECT_EQ(Text("S", "r"), "x");
    EXPECT_EQ(Text("S", "half"), "\"x");
    EXPECT_EQ(Text("S", "last"), "end");
}

TEST_F(ProfileRead, MissingThingsGiveTheDefault) {
    EXPECT_EQ(Text("S", "k", "def  "), "def");  // no file; trailing blanks of a default go
    WriteFile(File, "k=before any section\n[S]\nnovalue\n=nokey\n");
    EXPECT_EQ(Text("S", "k"), "-");
    EXPECT_EQ(Text("S", "novalue"), "-");
    EXPECT_EQ(Text("T", "k"), "-");
    EXPECT_EQ(Number("k"), 77u);
}

TEST_F(ProfileRead, IntegersFollowTheProfileIntegerReader) {
    WriteFile(File,
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
    // A value far longer than any buffer: cut to the buffer, the next key still found.
    WriteFile(File, "[S]\nlong=" + std::string(1 << 20, 'A') + "\nafter=ok\n");
    char small[8] = "xxxxxxx";
    EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", small, sizeof small, File.c_str()), 7u);
    EXPECT_STREQ(small, "AAAAAAA");
    EXPECT_EQ(Text("S", "after"), "ok");
    EXPECT_EQ(Text("S", "long"), std::string(499, 'A'));

    // Every byte value on one line of the section: it is one odd key, and the keys around it are intact.
    std::string bytes = "[S]\nbefore=1\n";
    for (int i = 0; i < 4096; i++)
        if (char c = (char)(i * 37 % 256); c != '\n' && c != '\r') bytes += c;
    WriteFile(File, bytes + "\nafter=2");
    EXPECT_EQ(Number("before"), 1u);
    EXPECT_EQ(Number("after"), 2u);
    EXPECT_EQ(Text("S", "long"), "-");

    // NUL bytes in front of a section name make it no section.
    WriteFile(File, std::string("\0\0[S]\0=\nk=1\n", 12));
    EXPECT_EQ(Text("S", "k"), "-");
    EXPECT_EQ(Number("k"), 77u);

    // A folder where the file should be reads as no file.
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 9, Folder.path().c_str()), 9u);
}

TEST_F(ProfileRead, FifoReadsAsNoFileWithoutWaiting) {
    ASSERT_EQ(mkfifo(File.c_str(), 0600), 0);
    EXPECT_EQ(Text("S", "k"), "-");
    EXPECT_EQ(Number("k"), 77u);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", File.c_str()));
}

// Where Wine's reader and the documented behaviour part, the documentation
// decides: the integer is that of the whole value, which as a string ends at
// a NUL byte; a file that starts with the UTF-16 byte order mark is Unicode.
TEST_F(ProfileRead, LongValuesNulBytesAndUnicodeFiles) {
    WriteFile(File, "[S]\nlong=" + std::string(40, '0') + "17\n" + std::string("nul=12\0" "34\n", 10) +
                        std::string("text=ab\0cd\n", 11) + std::string("lead=\0 5\n", 9) +
                        std::string("quoted=\"ab\"\0zz\n", 15));
    EXPECT_EQ(Number("long"), 17u);
    EXPECT_EQ(Number("nul"), 12u);
    EXPECT_EQ(Text("S", "text"), "ab");
    EXPECT_EQ(Number("lead"), 77u);  // an empty value: what follows the NUL is no part of it
    EXPECT_EQ(Text("S", "quoted"), "ab");
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("S", "text", "", buffer, sizeof buffer, File.c_str()), 2u);

    auto wide = [](const std::string& ascii) {
        std::string units;
        for (char c : ascii) units += std::string{c, '\0'};
        return units;
    };
    // name=été, with é as the code unit U+00E9.
    WriteFile(File, "\xFF\xFE" + wide("[S]\r\nk=42\r\nname=") + std::string("\xE9\0t\0\xE9\0", 6) + wide("\r\n"));
    EXPECT_EQ(Number("k"), 42u);
    EXPECT_EQ(Text("S", "name"), "\xC3\xA9t\xC3\xA9");
}

TEST_F(ProfileRead, ZeroSizedBufferWritesNothing) {
    WriteFile(File, "[S]\nk=v\n");
    char canary = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", &canary, 0, File.c_str()), 0u);
    EXPECT_EQ(canary, 'x');
}

}  // namespace
