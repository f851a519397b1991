#include "text/IntText.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace vantle {
namespace {

struct Case {
    const char* text;
    std::optional<std::int32_t> expected;
};

TEST(IntText, TryStrToInt_Should_ReadDecimalAndHexadecimal) {
    const Case cases[] = {
        {"0", 0},
        {"120", 120},
        {"00042", 42},
        {"+7", 7},
        {"-7", -7},
        {"   13", 13},
        {"  -13", -13},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x10", 16},
        {"0X10", 16},
        {"-$10", -16},
        {"+0x10", 16},
        {"$7FFFFFFF", 2147483647},
        {"-$80000000", std::numeric_limits<std::int32_t>::min()},
        {"-0", 0},
        {"000000000000000000000000001", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TryStrToInt(c.text), c.expected) << c.text;
    }
}

TEST(IntText, TryStrToInt_Should_Fail_When_TheTextIsNotAnInteger) {
    const char* const texts[] = {
        "",    " ",   "-",   "+",  "$",   "0x",  "x",    "1 ",   "1a",  "a1",   "1.0",
        "--1", "+-1", "- 1", "$G", "1e3", "\t1", "0x-1", "12,5", "0b1", "\xB3", "1\n",
    };
    for (const char* text : texts) {
        EXPECT_EQ(TryStrToInt(text), std::nullopt) << '"' << text << '"';
    }
    EXPECT_EQ(TryStrToInt(std::string("1\0", 2)), std::nullopt);
}

TEST(IntText, TryStrToInt_Should_Fail_When_OutsideSigned32Bit) {
    const char* const texts[] = {
        "2147483648", "-2147483649", "4294967296",  "99999999999999999999999999", "$80000000",
        "$FFFFFFFF",  "-$80000001",  "0x100000000", "$FFFFFFFFFFFFFFFFFFFF",
    };
    for (const char* text : texts) {
        EXPECT_EQ(TryStrToInt(text), std::nullopt) << text;
    }
}

TEST(IntText, StrToInt_Should_ReturnTheValue_When_TheTextIsAnInteger) {
    EXPECT_EQ(StrToInt("  42"), 42);
    EXPECT_EQ(StrToInt("$ff"), 255);
}

TEST(IntText, StrToInt_Should_RaiseEConvertError_When_TheTextIsNotAnInteger) {
    const char* const texts[] = {"", "12a", " 7 ", "2147483648", "\xEF\xF0"};
    for (const char* text : texts) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EConvertError& e) {
            // No final full stop: the error box adds it.
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(IntText, StrToInt_Should_GiveTheRunsMessage_When_TheBarAnswerWasEmpty) {
    try {
        StrToInt("");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

TEST(IntText, IntToStr_Should_WritePlainDecimal) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(12), "12");
    EXPECT_EQ(IntToStr(-1), "-1");
    EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
    EXPECT_EQ(IntToStr(4294967295LL), "4294967295");
}

}  // namespace
}  // namespace vantle
