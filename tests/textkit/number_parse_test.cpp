// The list variants of the number parser: the signed list with automatic
// base, and the word lists (16-bit and 32-bit) used for the whole-number
// channel lists; and the decimal read of typed measurements.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "textkit/number_parse.h"

namespace {

int Parse(int32_t* v, const char* text, int max = 32) {
    return ParseNumberList(v, text, static_cast<int>(strlen(text)), max);
}

TEST(ParseNumberList, CountsFieldsWithAndWithoutTrailingComma) {
    int32_t v[32];
    EXPECT_EQ(3, Parse(v, "1,2,3"));
    EXPECT_EQ(3, Parse(v, "1,2,3,"));
    EXPECT_EQ(3, v[2]);
    EXPECT_EQ(0, v[3]);     // the first max values are cleared
    EXPECT_EQ(3, Parse(v, "5,,7"));
    EXPECT_EQ(5, v[0]);
    EXPECT_EQ(0, v[1]);
    EXPECT_EQ(7, v[2]);
}

TEST(ParseNumberList, ShortTextChangesNothing) {
    int32_t v[4] = {9, 9, 9, 9};
    EXPECT_EQ(0, Parse(v, "1", 4));
    EXPECT_EQ(0, Parse(v, "", 4));
    EXPECT_EQ(9, v[0]);
}

TEST(ParseNumberList, BasesSignsAndSpaces) {
    int32_t v[8];
    ASSERT_EQ(7, Parse(v, "010,0x10,0X1f,-12, +4,0,0x", 8));
    EXPECT_EQ(8, v[0]);
    EXPECT_EQ(16, v[1]);
    EXPECT_EQ(31, v[2]);
    EXPECT_EQ(-12, v[3]);
    EXPECT_EQ(4, v[4]);
    EXPECT_EQ(0, v[5]);
    EXPECT_EQ(0, v[6]);
    ASSERT_EQ(2, Parse(v, "12ab,09", 8));   // stops at the first non-digit
    EXPECT_EQ(12, v[0]);
    EXPECT_EQ(0, v[1]);                     // 9 is no octal digit
}

TEST(ParseNumberList, LongFieldSplitsAfterTwentyCharactersAndClamps) {
    int32_t v[4];
    ASSERT_EQ(2, Parse(v, "1234567890123456789012345", 4));
    EXPECT_EQ(INT32_MAX, v[0]);
    EXPECT_EQ(12345, v[1]);
    ASSERT_EQ(3, Parse(v, "-99999999999,2147483647,-2147483648", 4));
    EXPECT_EQ(INT32_MIN, v[0]);
    EXPECT_EQ(INT32_MAX, v[1]);
    EXPECT_EQ(INT32_MIN, v[2]);
}

TEST(ParseNumberList, StopsAtMaxAndAtTheGivenLength) {
    int32_t v[3] = {0, 0, 0};
    EXPECT_EQ(2, Parse(v, "1,2,3,4", 2));
    EXPECT_EQ(0, v[2]);
    EXPECT_EQ(2, ParseNumberList(v, "11,22,33", 5, 3));  // "11,22"
    EXPECT_EQ(22, v[1]);
}

TEST(WordList, ParsesStoredListsAndClampsToAWord) {
    uint16_t w[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    const char* text = "1,0,65535,65536,-3,,";
    ASSERT_EQ(6, ParseWordList(w, text, static_cast<int>(strlen(text)), 8));
    EXPECT_EQ(1, w[0]);
    EXPECT_EQ(0, w[1]);
    EXPECT_EQ(65535, w[2]);
    EXPECT_EQ(65535, w[3]);
    EXPECT_EQ(0, w[4]);
    EXPECT_EQ(0, w[5]);
    EXPECT_EQ(7, w[6]);     // beyond the count: untouched
    EXPECT_EQ(2, ParseWordList(w, "4,5,6", 5, 2));
}

TEST(WordList, LongListKeepsTheFullValue) {
    int32_t v[4];
    const char* text = "65536,-50,2147483647,99999999999";
    ASSERT_EQ(4, ParseLongList(v, text, static_cast<int>(strlen(text)), 4));
    EXPECT_EQ(65536, v[0]);
    EXPECT_EQ(-50, v[1]);
    EXPECT_EQ(INT32_MAX, v[2]);
    EXPECT_EQ(INT32_MAX, v[3]);
}

}  // namespace

namespace {

TEST(ParseTypedDecimal, WholeAndFractionWithinTheLength) {
    EXPECT_DOUBLE_EQ(170.45, ParseTypedDecimal("170.45", 6));
    EXPECT_DOUBLE_EQ(170.4, ParseTypedDecimal("170.45", 5));   // only the first five characters
    EXPECT_DOUBLE_EQ(65, ParseTypedDecimal("65", 5));
    EXPECT_DOUBLE_EQ(0.5, ParseTypedDecimal(".5", 5));
    EXPECT_DOUBLE_EQ(12, ParseTypedDecimal("12.", 5));
    EXPECT_DOUBLE_EQ(-3.25, ParseTypedDecimal(" -3.25", 6));
    EXPECT_DOUBLE_EQ(7.5, ParseTypedDecimal("\t+7.5kg", 16));
    EXPECT_DOUBLE_EQ(1, ParseTypedDecimal("1,5", 5));          // a comma is no decimal point
    EXPECT_DOUBLE_EQ(1, ParseTypedDecimal("1e2", 5));          // no exponent
    EXPECT_DOUBLE_EQ(1.2, ParseTypedDecimal("1.2.3", 5));
}

TEST(ParseTypedDecimal, NoNumberGivesZero) {
    EXPECT_EQ(0, ParseTypedDecimal("abc", 5));
    EXPECT_EQ(0, ParseTypedDecimal("", 5));
    EXPECT_EQ(0, ParseTypedDecimal("-", 5));
    EXPECT_EQ(0, ParseTypedDecimal(".", 5));
    EXPECT_EQ(0, ParseTypedDecimal("\x82\x50", 5));   // a double-byte digit is no digit
    EXPECT_EQ(0, ParseTypedDecimal("123", 0));
    EXPECT_EQ(0, ParseTypedDecimal(nullptr, 5));
}

TEST(ParseTypedDecimal, EndlessDigitsStayFinite) {
    std::string many(5000, '9');
    const double whole = ParseTypedDecimal(many.c_str(), int(many.size()));
    EXPECT_DOUBLE_EQ(1e18, whole);
    const std::string fraction = "1." + many;
    const double value = ParseTypedDecimal(fraction.c_str(), int(fraction.size()));
    EXPECT_GT(value, 1.99);
    EXPECT_LE(value, 2.0);   // digits beyond a double's precision round
}

double Decimal(const char* text) { return ParseDecimalNumber(text, static_cast<int>(strlen(text))); }

TEST(ParseDecimalNumber, LeadingNumberWithFractionAndExponent) {
    EXPECT_DOUBLE_EQ(7.5, Decimal("7.5"));
    EXPECT_DOUBLE_EQ(0.3, Decimal(" \t0.3"));
    EXPECT_DOUBLE_EQ(-0.5, Decimal("-.5"));
    EXPECT_DOUBLE_EQ(5.0, Decimal("+5."));
    EXPECT_DOUBLE_EQ(1500.0, Decimal("1.5e3x"));
    EXPECT_DOUBLE_EQ(2.0, Decimal("2e+"));       // an exponent without digits is no exponent
    EXPECT_DOUBLE_EQ(0.0, Decimal("0x1p4"));     // no hexadecimal forms
    EXPECT_DOUBLE_EQ(0.0, Decimal("."));
    EXPECT_DOUBLE_EQ(0.0, Decimal("-"));
    EXPECT_DOUBLE_EQ(0.0, Decimal("nan"));
    EXPECT_DOUBLE_EQ(0.0, Decimal("infinity"));
    EXPECT_DOUBLE_EQ(0.0, Decimal(""));
    EXPECT_DOUBLE_EQ(12.0, ParseDecimalNumber("12345", 2));   // only the given length is read
    EXPECT_TRUE(Decimal("1e999") > 1e308);
}

}  // namespace
