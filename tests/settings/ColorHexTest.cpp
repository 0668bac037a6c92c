#include "settings/AppSettings.h"

#include <gtest/gtest.h>

using namespace barquill;

TEST(EncodeColorHex, GivesEightUppercaseDigitsRedGreenBlueAlpha) {
    EXPECT_EQ(AppSettings::encodeColorHex(QColor(Qt::white)), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(AppSettings::encodeColorHex(QColor(255, 149, 0)), QStringLiteral("FF9500FF"));
    EXPECT_EQ(AppSettings::encodeColorHex(QColor(1, 2, 171, 0)), QStringLiteral("0102AB00"));
    // Half-way components round away from zero: 0.5 * 255 = 127.5.
    EXPECT_EQ(AppSettings::encodeColorHex(QColor::fromRgbF(0.5, 0, 0, 1)), QStringLiteral("800000FF"));
}

TEST(EncodeColorHex, AColourWithoutRgbEncodesPlainOrange) {
    EXPECT_EQ(AppSettings::encodeColorHex(QColor()), QStringLiteral("FF8000FF"));
}

TEST(EncodeColorHex, WideGamutComponentsAreNotClampedSoTheNextLoadRejectsThem) {
    const QString text = AppSettings::encodeColorHex(QColor::fromRgbF(1.5f, 0, 0, 1).toExtendedRgb());
    EXPECT_EQ(text, QStringLiteral("17F0000FF"));
    EXPECT_FALSE(AppSettings::parseColorHex(text));
}

TEST(ParseColorHex, ReadsBitsAsRedGreenBlueAlpha) {
    EXPECT_EQ(AppSettings::parseColorHex("FF000080"), QColor(255, 0, 0, 128));
    EXPECT_EQ(AppSettings::parseColorHex("12345678"), QColor(0x12, 0x34, 0x56, 0x78));
    EXPECT_EQ(AppSettings::parseColorHex("abcdefAB"), QColor(0xAB, 0xCD, 0xEF, 0xAB));
}

TEST(ParseColorHex, TrimsBlanksAndLineBreaks) {
    EXPECT_EQ(AppSettings::parseColorHex(" ff0000ff\n"), QColor(255, 0, 0));
    EXPECT_EQ(AppSettings::parseColorHex("\t00FF00FF \r\n"), QColor(0, 255, 0));
}

TEST(ParseColorHex, NeedsExactlyEightCharacters) {
    for (const char* text : {"FF0000", "FF0000F", "FF0000FF0", "", "   "})
        EXPECT_FALSE(AppSettings::parseColorHex(text)) << text;
}

TEST(ParseColorHex, AcceptsOnlyHexDigitsAndASign) {
    for (const char* text : {"FF0000FG", "0xFF00FF", "FF 000FF", "-0000001", "++000000", "FF00-0FF"})
        EXPECT_FALSE(AppSettings::parseColorHex(text)) << text;
    EXPECT_EQ(AppSettings::parseColorHex("+0FF00FF"), QColor(0, 0xFF, 0, 0xFF));
    EXPECT_EQ(AppSettings::parseColorHex("-0000000"), QColor(0, 0, 0, 0));
}

TEST(ParseColorHex, UndoesEncoding) {
    for (const QColor& color : {QColor(Qt::white), QColor(255, 149, 0), QColor(3, 250, 7, 9)})
        EXPECT_EQ(AppSettings::parseColorHex(AppSettings::encodeColorHex(color)), color);
}
