#include "settings/AppSettings.h"

#include <gtest/gtest.h>

using namespace barquill;

TEST(EncodeColorHex, GivesEightUppercaseDigitsRedGreenBlueAlpha) {
    const std::pair<QColor, const char*> cases[] = {
        {QColor(Qt::white), "FFFFFFFF"},
        {QColor(255, 149, 0), "FF9500FF"},
        {QColor(1, 2, 171, 0), "0102AB00"},
        {QColor::fromRgbF(0.5, 0, 0, 1), "800000FF"}, // 127.5 rounds away from zero
        {QColor(), "FF8000FF"}};                      // no RGB: plain orange
    for (const auto& [color, text] : cases)
        EXPECT_EQ(AppSettings::encodeColorHex(color), QString::fromLatin1(text)) << text;
    for (const QColor& color : {QColor(Qt::white), QColor(255, 149, 0), QColor(3, 250, 7, 9)})
        EXPECT_EQ(AppSettings::parseColorHex(AppSettings::encodeColorHex(color)), color);
}

TEST(EncodeColorHex, WideGamutComponentsAreNotClampedSoTheNextLoadRejectsThem) {
    const QString text = AppSettings::encodeColorHex(QColor::fromRgbF(1.5f, 0, 0, 1).toExtendedRgb());
    EXPECT_EQ(text, QStringLiteral("17F0000FF"));
    EXPECT_FALSE(AppSettings::parseColorHex(text));
}

TEST(ParseColorHex, ReadsEightTrimmedHexDigitsOrASignAsRedGreenBlueAlpha) {
    const std::pair<const char*, QColor> valid[] = {{"FF000080", QColor(255, 0, 0, 128)},
                                                    {"12345678", QColor(0x12, 0x34, 0x56, 0x78)},
                                                    {"abcdefAB", QColor(0xAB, 0xCD, 0xEF, 0xAB)},
                                                    {" ff0000ff\n", QColor(255, 0, 0)},
                                                    {"\t00FF00FF \r\n", QColor(0, 255, 0)},
                                                    {"+0FF00FF", QColor(0, 0xFF, 0, 0xFF)},
                                                    {"-0000000", QColor(0, 0, 0, 0)}};
    for (const auto& [text, color] : valid)
        EXPECT_EQ(AppSettings::parseColorHex(text), color) << text;
    for (const char* text : {"FF0000", "FF0000F", "FF0000FF0", "", "   ", "FF0000FG", "0xFF00FF", "FF 000FF",
                             "-0000001", "++000000", "FF00-0FF"})
        EXPECT_FALSE(AppSettings::parseColorHex(text)) << text;
}
