#include "text/Plural.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

TEST(Plural, RowsCount_Should_TakeTheFormTheNumberWants) {
    const struct {
        long long n;
        const char16_t* text;
    } cases[] = {
        {0, u"0 строк"},     {1, u"1 строка"},    {2, u"2 строки"},       {4, u"4 строки"},
        {5, u"5 строк"},     {11, u"11 строк"},   {12, u"12 строк"},      {14, u"14 строк"},
        {21, u"21 строка"},  {22, u"22 строки"},  {25, u"25 строк"},      {101, u"101 строка"},
        {111, u"111 строк"}, {112, u"112 строк"}, {1021, u"1021 строка"}, {-1, u"-1 строка"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(RowsCount(c.n) == c.text) << c.n;
    }
}

}  // namespace
}  // namespace vantle
