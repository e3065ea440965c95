// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/Format.h"

namespace dedodiz {
namespace {

struct FixedCase {
    double x;
    int w, d;
    const char* text;
};

TEST(FormatFixedTest, Cases) {
    const FixedCase cases[] = {
        {9.47, 8, 3, "   9.470"},
        {-22.5, 8, 3, " -22.500"},
        {0, 8, 3, "   0.000"},
        {20, 5, 1, " 20.0"},
        {7, 6, 2, "  7.00"},
        {0.1, 6, 3, " 0.100"},
        {12345.678, 8, 3, "12345.678"},
        {100, 5, 2, "100.00"},
        {7, 6, 3, " 7.000"},
        {9.4712, 7, 3, "  9.471"},
        {-0.5, 4, 0, "  -0"},
        {1e-120, 6, 2, "  0.00"},
    };
    for (const FixedCase& c : cases) EXPECT_EQ(FormatFixed(c.x, c.w, c.d), c.text) << c.x;
}

struct SciCase {
    double x;
    const char* shortText;
    const char* longText;
};

TEST(FormatSciTest, Cases) {
    const SciCase cases[] = {
        {20, " 2.00E+01", " 2.00E+0001"},      {1.23e-4, " 1.23E-04", " 1.23E-0004"},
        {-45, "-4.50E+01", "-4.50E+0001"},     {0, " 0.00E+00", " 0.00E+0000"},
        {0.0015, " 1.50E-03", " 1.50E-0003"},  {1.5e-7, " 1.50E-07", " 1.50E-0007"},
        {1e-3, " 1.00E-03", " 1.00E-0003"},    {9.996e-5, " 1.00E-04", " 1.00E-0004"},
        {2e-150, " 2.00E-150", " 2.00E-0150"},
    };
    for (const SciCase& c : cases) {
        EXPECT_EQ(FormatSci(c.x), c.shortText) << c.x;
        EXPECT_EQ(FormatSciLong(c.x), c.longText) << c.x;
    }
}

TEST(FigureTextTest, ExtremeDoublesNeverShowASignedZeroInfinityOrALongNumber) {
    const double extremes[] = {0.0,
                               -0.0,
                               -1e-300,
                               -4.9e-324,
                               4.9e-324,
                               1e-9,
                               -0.0004,
                               0.9995,
                               999999999.4,
                               999999999.6,
                               -1e15,
                               1e308,
                               -1.7976931348623157e308,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
    for (const double x : extremes)
        for (const int decimals : {0, 2, 3, 6}) {
            const std::string text = FigureText(x, decimals);
            SCOPED_TRACE(text);
            EXPECT_EQ(text.find("inf"), std::string::npos);
            EXPECT_EQ(text.find("nan"), std::string::npos);
            EXPECT_LE(text.size(), 20U);  // never hundreds of digits
            if (std::isfinite(x) && text.find('e') == std::string::npos) {
                EXPECT_FALSE(text[0] == '-' && text.find_first_of("123456789") == std::string::npos);
                EXPECT_NEAR(std::stod(text), x, 0.5 * std::pow(10.0, -decimals));  // what it shows is x
            }
        }
    EXPECT_EQ(FigureText(PXOf(1), 2), "0.00");
    EXPECT_EQ(FigureText(-0.0004, 3), "0.000");
    EXPECT_EQ(FigureText(2e300, 3), "2.000e+300");
}

// The fewest significant digits of a text: sign, point, exponent and the zeros around them left out.
int SignificantDigits(std::string text) {
    text = text.substr(text.front() == '-' ? 1 : 0);
    text = text.substr(0, text.find('e'));
    std::string digits;
    for (const char c : text)
        if (c != '.') digits += c;
    digits.erase(0, digits.find_first_not_of('0'));
    digits.erase(digits.find_last_not_of('0') + 1);
    return static_cast<int>(digits.size());
}

// Every double's shortest text reads back as it and no decimal of one digit fewer does (checked with
// the C library's own rounding), over random bit patterns of the whole range, the powers of two and
// the cases that are hard to round; the form is the exact writer's.
TEST(ShortestTextTest, ReadsBackWithTheFewestDigits) {
    EXPECT_EQ(ShortestText(0.1), "0.1");
    EXPECT_EQ(ShortestText(1e23), "1e+23");
    EXPECT_EQ(ShortestText(1.55e-7), "1.55e-07");
    EXPECT_EQ(ShortestText(5e-324), "5e-324");
    EXPECT_EQ(ShortestText(-1234.5), "-1234.5");
    EXPECT_EQ(ShortestText(123456789012345680.0), "123456789012345680");
    EXPECT_EQ(ShortestText(1428547813435902208.0), "1428547813435902208");
    std::vector<double> xs = {1.7976931348623157e308, 2.2250738585072014e-308, 9007199254740993.0, 0.3,
                              2.0 / 3};
    std::mt19937_64 random(7);
    while (xs.size() < 4000) {
        const std::uint64_t bits = random();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        if (std::isfinite(x)) xs.push_back(x);
    }
    for (int e = -1074; e <= 1023; e += 3) xs.push_back(std::ldexp(1.0, e));
    for (const double x : xs) {
        const std::string text = ShortestText(x);
        ASSERT_EQ(ReadDouble(text), x) << text;
        // A whole number from 2^53 up is written with all its exact digits.
        const int digits = SignificantDigits(text);
        if (digits < 2 || (std::abs(x) >= 0x1p53 && text.find('e') == std::string::npos)) continue;
        std::array<char, 64> fewer{};
        std::snprintf(fewer.data(), fewer.size(), "%.*e", digits - 2, std::abs(x));
        EXPECT_NE(std::strtod(fewer.data(), nullptr), std::abs(x)) << text << " also as " << fewer.data();
    }
}

TEST(ParseRealTest, Cases) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"  9.47", true, 9.47}, {"9.47", true, 9.47}, {"-1e-3", true, -1e-3},      {"+5", true, 5},
        {".5", true, 0.5},      {"5.", true, 5},      {" 1.00E-0003", true, 1e-3}, {"0", true, 0},
        {"9.47 ", false, 0},    {"", false, 0},       {"   ", false, 0},           {"abc", false, 0},
        {"1,5", false, 0},      {"1e", false, 0},     {"--1", false, 0},           {".", false, 0},
        {"\t1", false, 0},      {"1e999", false, 0},  {"- 1", false, 0},           {"1.2.3", false, 0},
    };
    for (const Case& c : cases) {
        const auto value = ParseReal(c.text);
        EXPECT_EQ(value.has_value(), c.ok) << '"' << c.text << '"';
        if (c.ok && value) {
            EXPECT_DOUBLE_EQ(*value, c.value) << c.text;
        }
    }
}

// A number a dialog takes must read back from the three-digit text the dialog then shows.
TEST(ParseRealTest, TheLargestNumbersSurviveTheDialogText) {
    for (const char* text : {"1.79e308", "-1.7949e308", "1.795e308", "1.796e308", "-1.797e308",
                             "1.7976931348623157e308", "1.80E+0308"}) {
        const auto value = ParseReal(text);
        if (value) {
            EXPECT_TRUE(ParseReal(FormatSciLong(*value)).has_value()) << text;
        }
    }
    EXPECT_TRUE(ParseReal(" 1.79E+0308").has_value());
    EXPECT_FALSE(ParseReal("1.7976931348623157e308").has_value());  // the largest double shows as 1.80E+0308
    EXPECT_FALSE(ParseReal("-1.796e308").has_value());
}

// A number too large for a double is told apart from text that is no number, for the files and options
// to refuse it with that reason; a number too small for one is 0 to every purpose and no refusal.
TEST(ParseRealTest, BeyondTheRangeIsToldApart) {
    const std::pair<const char*, bool> cases[] = {
        {"1e999", true},      {" -1.7976931348623157e308", true},
        {"0.0001e313", true}, {"1e308", false},
        {"1e-999", false},    {"0e999", false},
        {"abc", false},       {"1e999 ", false},
    };
    for (const auto& [text, beyond] : cases) EXPECT_EQ(BeyondRange(text), beyond) << text;
}

}  // namespace
}  // namespace dedodiz

namespace dedodiz {
namespace {

TEST(ParseNextValueTest, TakesTokensOffTheFront) {
    std::string line = "  9.47,9.47 ,abc,,-1e-3";
    EXPECT_DOUBLE_EQ(ParseNextValue(line), 9.47);
    EXPECT_EQ(line, "9.47 ,abc,,-1e-3");
    EXPECT_EQ(ParseNextValue(line), 0);  // trailing blank
    EXPECT_EQ(ParseNextValue(line), 0);
    EXPECT_EQ(ParseNextValue(line), 0);  // empty token
    EXPECT_DOUBLE_EQ(ParseNextValue(line), -1e-3);
    EXPECT_EQ(line, "");
    EXPECT_EQ(ParseNextValue(line), 0);  // nothing left
}

TEST(ParseNextValueTest, TokenIsCutToTwentyCharacters) {
    std::string line = "1.000000000000000000009,5";  // 23 characters: the first 20 still parse
    EXPECT_DOUBLE_EQ(ParseNextValue(line), 1.0);
    EXPECT_EQ(line, "5");
}

TEST(FormatValueTest, EightPointThree) {
    EXPECT_EQ(FormatValue(9.47), "   9.470");
    EXPECT_EQ(FormatValue(-22.5), " -22.500");
    EXPECT_EQ(FormatValue(0), "   0.000");
    EXPECT_EQ(FormatValue(12345.6789), "12345.679");
    EXPECT_EQ(FormatValue(-12345.678), "-12345.67");
    EXPECT_EQ(FormatValue(123456.789), "123456.78");
}

}  // namespace
}  // namespace dedodiz

namespace dedodiz {
namespace {

TEST(CutToCharsTest, CountsCharactersNotBytes) {
    EXPECT_EQ(CutToChars("20.0 °C", 6), "20.0 °");
    EXPECT_EQ(CutToChars("20.0 °C", 5), "20.0 ");
    EXPECT_EQ(CutToChars("abc", 10), "abc");
    EXPECT_EQ(CutToChars("äöü", 2), "äö");
    EXPECT_EQ(CutTo("äöü", 3), "ä\xC3");  // the byte cut of fixed-size fields, by contrast
}

}  // namespace
}  // namespace dedodiz
