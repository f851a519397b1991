#include "io/ListFile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "io/TempDir.h"

namespace vantle {
namespace {

using namespace std::string_literals;
using testing::TempDir;
using testing::WriteBytes;

struct EncodingCase {
    const char* what;
    std::string bytes;
    std::string cp1251;
};

TEST(ListTextToCp1251Test, TextBecomesWindows1251) {
    const EncodingCase cases[] = {
        {"ASCII stays", "a.test\nb.test", "a.test\nb.test"},
        {"Windows-1251 stays (not UTF-8)", "\xEF\xF0\xE8.\xF0\xF4", "\xEF\xF0\xE8.\xF0\xF4"},
        {"UTF-8 is converted", "\xD0\xBF\xD1\x80\xD0\xB8.\xD1\x80\xD1\x84", "\xEF\xF0\xE8.\xF0\xF4"},
        {"the mark is dropped",
         "\xEF\xBB\xBF"
         "a.test",
         "a.test"},
        {"the mark and UTF-8", "\xEF\xBB\xBF\xD1\x80\xD1\x84", "\xF0\xF4"},
        {"the mark alone", "\xEF\xBB\xBF", ""},
        {"a cut UTF-8 sequence is Windows-1251", "\xD1\x80\xD1", "\xD1\x80\xD1"},
        {"UTF-8 beyond the code page is kept", "m\xC3\xBCnchen.de\n\xE4\xBE\x8B.jp\n\xF0\x9F\x98\x80",
         "m\x98"
         "fc\x98nchen.de\n\x98"
         "4f8b\x98.jp\n\x98"
         "1f600\x98"},
        {"and beside Cyrillic", "\xEF\xBB\xBF\xD1\x80\xC3\xBC",
         "\xF0\x98"
         "fc\x98"},
    };
    for (const EncodingCase& c : cases) {
        EXPECT_EQ(ListTextToCp1251(c.bytes), c.cp1251) << c.what;
    }
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string text;
};

const DecodeCase kDecodeCases[] = {
    {"CrLf", "a.ru\r\nb.ru\r\n", "a.ru\nb.ru\n"},
    {"Lf", "a.ru\nb.ru\n", "a.ru\nb.ru\n"},
    {"LoneCr", "a.ru\rb.ru\r", "a.ru\nb.ru\n"},
    {"Mixed", "a\r\nb\nc\rd", "a\nb\nc\nd"},
    {"CrCrLf", "a\r\r\nb", "a\n\nb"},
    {"LfCr", "a\n\rb", "a\n\nb"},
    {"CrLfCrLf", "\r\n\r\n", "\n\n"},
    {"NoLineEnd", "a.ru", "a.ru"},
    {"Empty", "", ""},
    {"NulInTheMiddle", "a.ru\r\nb.ru\0c.ru\r\n"s, "a.ru\nb.ru"},
    {"NulFirst", "\0a.ru"s, ""},
    {"CrBeforeNul", "a.ru\r\0\nb"s, "a.ru\n"},
    {"Utf8BomKept",
     "\xEF\xBB\xBF"
     "a.ru\r\n",
     "\xEF\xBB\xBF"
     "a.ru\n"},
    {"Utf16BomKept",
     "\xFF\xFE"
     "a",
     "\xFF\xFE"
     "a"},
    {"CyrillicBytesUnchanged", "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4\r\n\xC0\xFF\x98\xA0",
     "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4\n\xC0\xFF\x98\xA0"},
    {"BlanksKept", "  a.ru \t\r\n\r\n", "  a.ru \t\n\n"},
};

class DecodeListTextTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeListTextTest, DecodesAsTheListBoxHoldsIt) {
    EXPECT_EQ(DecodeListText(GetParam().bytes), GetParam().text);
}

TEST_P(DecodeListTextTest, ReadListFile_Should_DecodeTheSame) {
    TempDir dir;
    const std::string path = dir.File("list.txt");
    WriteBytes(path, GetParam().bytes);
    EXPECT_EQ(ReadListFile(path), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeListTextTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadListFileTest, MissingFile_Should_RaiseCannotOpenWithTheSystemReason) {
    TempDir dir;
    const std::string path = dir.File("missing.txt");
    try {
        ReadListFile(path);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". No such file or directory");
    }
}

TEST(ReadListFileTest, EFOpenError_Is_ARuntimeError) {
    EXPECT_THROW(ReadListFile("/nonexistent-vantle-dir/list.txt"), std::runtime_error);
}

TEST(ReadListFileTest, Directory_Should_RaiseCannotOpen) {
    TempDir dir;
    try {
        ReadListFile(dir.path().string());
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.path().string() + "\". Is a directory");
    }
}

TEST(ReadListFileTest, UnreadableFile_Should_RaiseCannotOpenWithPermissionDenied) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempDir dir;
    const std::string path = dir.File("locked.txt");
    WriteBytes(path, "a.ru\n");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    try {
        ReadListFile(path);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". Permission denied");
    }
}

TEST(ReadListFileTest, FileAboveTheBound_Should_RaiseTextExceedsMemoCapacity) {
    TempDir dir;
    const std::string path = dir.File("huge.txt");
    WriteBytes(path, "");
    // Sparse: nothing of it is written or read, the size alone refuses it.
    std::filesystem::resize_file(path, kMaxListFileBytes + 1);
    try {
        ReadListFile(path);
        FAIL() << "no error";
    } catch (const ETextTooLong& e) {
        EXPECT_EQ(std::string(e.what()), "Text exceeds memo capacity");
    }
}

TEST(ReadListFileTest, TheBound_Is_FarAboveAMillionDomains) {
    EXPECT_GE(kMaxListFileBytes, std::size_t{100} << 20);
}

TEST(ReadListFileTest, AMillionLines_Should_ReadWhole) {
    TempDir dir;
    const std::string path = dir.File("million.txt");
    std::string bytes;
    for (int i = 0; i < 1000000; ++i) {
        bytes += "domain" + std::to_string(i) + ".ru\r\n";
    }
    WriteBytes(path, bytes);
    const std::string text = ReadListFile(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1000000);
    EXPECT_EQ(text.size(), bytes.size() - 1000000);
    EXPECT_EQ(text.substr(0, 14), "domain0.ru\ndom");
    EXPECT_EQ(text.substr(text.size() - 16), "domain999999.ru\n");
}

TEST(ReadListFileTest, FileOfExactlyTheChunkSizes_Should_ReadWhole) {
    TempDir dir;
    for (const std::size_t size :
         {std::size_t{4095}, std::size_t{4096}, std::size_t{16384}, std::size_t{65536}, std::size_t{65537}}) {
        const std::string path = dir.File("sized.txt");
        const std::string bytes(size, 'x');
        WriteBytes(path, bytes);
        EXPECT_EQ(ReadListFile(path), bytes) << size;
    }
}

TEST(ReadListFileTest, NonRegularFile_Should_ReadUntilTheEnd) {
    // /dev/null: no size to reserve, reads as empty.
    EXPECT_EQ(ReadListFile("/dev/null"), "");
}

}  // namespace
}  // namespace vantle
