// The shared integer reader under each of the syntaxes its callers use.
#include "platform/ParseInteger.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>

using platform::IntegerSyntax;
using platform::ParseInteger;

TEST(ParseInteger, DecimalLimitsSignsAndTrailingText)
{
    const std::pair<const char *, std::optional<std::int32_t>> cases[] = {
        {"0", 0}, {"007", 7}, {"+12", 12}, {"-12", -12},
        {"2147483647", 2147483647}, {"2147483648", std::nullopt},
        {"-2147483648", INT32_MIN}, {"-2147483649", std::nullopt}, {"99999999999", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"12 ", std::nullopt}, {" 12", std::nullopt},
        {"1.5", std::nullopt}, {"$10", std::nullopt}, {"0x10", std::nullopt}, {"+-1", std::nullopt},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ParseInteger(QString::fromLatin1(text)), expected) << text;
}

TEST(ParseInteger, EachSyntaxAllowsOnlyItsOwnExtras)
{
    const IntegerSyntax blanks{.leadingBlanks = true};
    const IntegerSyntax dollar{.hexDollar = true};
    const IntegerSyntax font{.hexDollar = true, .hex0x = true, .maxHexDigits = 8};
    struct Case
    {
        IntegerSyntax syntax;
        const char *text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {blanks, "  -12", -12}, {blanks, "  ", std::nullopt}, {blanks, "- 1", std::nullopt},
        {blanks, "$10", std::nullopt},
        {dollar, "$1f", 31}, {dollar, "-$10", -16}, {dollar, "$FFFFFFFF", -1},
        {dollar, "$100000000", std::nullopt}, {dollar, "$000000000F", 15}, {dollar, "$", std::nullopt},
        {dollar, "0x10", std::nullopt}, {dollar, " 1", std::nullopt}, {dollar, "$1g", std::nullopt},
        {font, "0x10", 16}, {font, "-0X10", -16}, {font, "$FF000008", static_cast<std::int32_t>(0xFF000008u)},
        {font, "$000000000F", std::nullopt}, {font, "0x", std::nullopt}, {font, "12", 12},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseInteger(QString::fromLatin1(c.text), c.syntax), c.expected) << c.text;
}
