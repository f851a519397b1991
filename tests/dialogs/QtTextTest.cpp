#include "dialogs/QtText.h"

#include <string>

#include <gtest/gtest.h>

namespace vantle {
namespace {

TEST(QtTextTest, EveryByte_Should_SurviveTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const QString text = FromCp1251(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(ToCp1251(text), all);
}

TEST(QtTextTest, KnownLetters_Should_MapBothWays) {
    struct Case {
        QString text;
        std::string bytes;
    };
    const Case cases[] = {
        {QStringLiteral("пример.рф"), "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4"},
        {QStringLiteral("АЯЁё№€"), "\xC0\xDF\xA8\xB8\xB9\x88"},
        {QString(QChar(0x98)), "\x98"},
        {QString(QChar(0xA0)), "\xA0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToCp1251(c.text), c.bytes) << c.text.toStdString();
        EXPECT_EQ(FromCp1251(c.bytes), c.text) << c.text.toStdString();
    }
}

TEST(QtTextTest, WhatTheCodePageCannotHold_Should_BecomeOneQuestionMarkPerCharacter) {
    EXPECT_EQ(ToCp1251(QStringLiteral("中a")), "?a");
    EXPECT_EQ(ToCp1251(QStringLiteral("😀b")), "?b") << "one code point, two code units";
    EXPECT_EQ(ToCp1251(QString(QChar(0x200B)) + QStringLiteral("c")), "?c") << "not dropped";
    EXPECT_EQ(ToCp1251(QString(QChar(0xD800)) + QStringLiteral("d")), "?d") << "lone surrogate";
}

TEST(QtTextTest, Keeping_Should_GiveBackEveryCharacter) {
    const QString texts[] = {
        QStringLiteral("münchen.de"), QStringLiteral("例え.jp"),
        QStringLiteral("ελλάδα.gr"),  QStringLiteral("😀b"),
        QStringLiteral("пример.рф"),  QString(QChar(0x200B)) + QStringLiteral("c"),
    };
    for (const QString& text : texts) {
        EXPECT_EQ(FromCp1251(ToCp1251Keeping(text)), text) << text.toStdString();
    }
    EXPECT_EQ(ToCp1251Keeping(QStringLiteral("пример")), ToCp1251(QStringLiteral("пример")));
    EXPECT_EQ(ToCp1251Keeping(QStringLiteral("ü")),
              "\x98"
              "fc\x98");
    EXPECT_EQ(ToCp1251Keeping(QString(QChar(0xD800)) + QStringLiteral("d")), "?d") << "lone surrogate";
}

}  // namespace
}  // namespace vantle
