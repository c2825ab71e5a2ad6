// The EditBox's character filter, focus-loss normalisation and date-time
// parser, over tables of texts.
#include "units/edit_box_input.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/value_format.h"

namespace {

// GBK texts used below.
#define NIAN "\xC4\xEA"   // 年
#define YUE "\xD4\xC2"    // 月
#define RI "\xC8\xD5"     // 日
#define SHI "\xCA\xB1"    // 时
#define FEN "\xB7\xD6"    // 分
#define MIAO "\xC3\xEB"   // 秒

struct FilterCase {
  int32_t mode;
  const char* accepted;
};

TEST(EditBoxInput, EachModeAcceptsItsCharactersOnly) {
  const FilterCase cases[] = {
      {0, "-.09aZ "},      {1, "-.09aZ "}, {2, "-.09aZ "},  {3, "-09"},   {4, "-.09"},
      {5, "09"},           {6, "-09"},     {7, "-09"},      {8, "-09"},   {9, "-.09"},
      {10, "-.09"},        {11, "-.09aZ "},
  };
  const std::string probe = "-.09aZ +";
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.mode);
    std::string got;
    for (char ch : probe)
      if (AcceptsInputCharacter(c.mode, uint8_t(ch))) got += ch;
    EXPECT_EQ(got, std::string(c.accepted) + (c.mode <= 2 || c.mode == 11 ? "+" : ""));
    // Control characters (backspace, Enter) always reach the control.
    EXPECT_TRUE(AcceptsInputCharacter(c.mode, 8));
    EXPECT_TRUE(AcceptsInputCharacter(c.mode, 13));
    // The lead byte of a GBK character only where anything goes.
    EXPECT_EQ(AcceptsInputCharacter(c.mode, 0xC4), c.mode <= 2 || c.mode == 11);
  }
}

struct NormalCase {
  int32_t mode;
  const char* text;
  const char* expected;
};

TEST(EditBoxInput, NumbersAreClampedAndZeroBecomesEmpty) {
  const NormalCase cases[] = {
      {5, "007", "7"},
      {5, "0", ""},
      {5, "300", "255"},
      {5, "", ""},
      {5, "99999999999999999999999", "255"},
      {6, "-40000", "-32768"},
      {6, "40000x", "32767"},
      {6, "12-3", "12"},
      {7, "-99999999999", "-2147483648"},
      {7, "2147483648", "2147483647"},
      {8, "9223372036854775807", "9223372036854775807"},
      {8, "-9223372036854775808", "-9223372036854775808"},
      {8, "99999999999999999999", "9223372036854775807"},
      {8, "-0", ""},
      {9, "3.14159265", "3.14159"},
      {9, "1e60", "inf"},
      {9, "abc", ""},
      {10, "3.14159265358979", "3.14159265359"},
      {10, "0.000", ""},
      {10, "-2.5.7", "-2.5"},
      // Only plain decimals are numbers.
      {9, "inf", ""}, {10, "-infinity", ""}, {10, "nan", ""}, {9, "0x10", ""}, {10, "-.", ""},
      {10, " +.5e1x", "5"}, {10, "7e", "7"}, {10, "7e+", "7"},
      // Modes without a rule keep the text.
      {0, "007", "007"},
      {3, "0", "0"},
      {4, "--1", "--1"},
  };
  for (const NormalCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + c.text);
    EXPECT_EQ(NormaliseInputText(c.mode, c.text), c.expected);
  }
}

TEST(EditBoxInput, DateTimeTextsNormaliseToTheRuntimeFormat) {
  const NormalCase cases[] = {
      {11, "2024-1-5", "2024" NIAN "1" YUE "5" RI},
      {11, "2024/01/05 10:30", "2024" NIAN "1" YUE "5" RI "10" SHI "30" FEN},
      {11, "2024.1.5.8", "2024" NIAN "1" YUE "5" RI "8" SHI},
      {11, "2024" NIAN "2" YUE "29" RI "23" SHI "59" FEN "58" MIAO "and more",
       "2024" NIAN "2" YUE "29" RI "23" SHI "59" FEN "58" MIAO},
      {11, "20240105", "2024" NIAN "1" YUE "5" RI},  // widths split the digits
      // Full-width digits and separators (A3B2 = ２, A3AD = －, A1A1 = ideographic space).
      {11, "\xA3\xB2\xA3\xB0\xA3\xB2\xA3\xB4\xA3\xAD\xA3\xB3\xA3\xAD\xA3\xB1\xA1\xA1\xA3\xB9",
       "2024" NIAN "3" YUE "1" RI "9" SHI},
      // Invalid fields, trailing text, the zero date and nothing at all.
      {11, "2023-2-29", ""},
      {11, "2024-13-1", ""},
      {11, "2024-1-32", ""},
      {11, "2024-1-1 24:00", ""},
      {11, "2024-1-1 10:60", ""},
      {11, "2024-1-5x", ""},
      {11, "2024-1-5 7" NIAN, ""},  // 年 is no separator after the hour
      {11, "1899-12-30", ""},
      {11, "", ""},
      {11, "99", ""},  // year 99 lies below 100
  };
  for (const NormalCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NormaliseInputText(c.mode, c.text), c.expected);
  }
}

TEST(EditBoxInput, ParsedDateTimesAreOleDates) {
  double value = -1;
  ASSERT_TRUE(ParseDateTimeText("1900-1-1", &value));
  EXPECT_DOUBLE_EQ(value, 2.0);
  ASSERT_TRUE(ParseDateTimeText("1899-12-29 12:00", &value));
  EXPECT_DOUBLE_EQ(value, -1.5);
  ASSERT_TRUE(ParseDateTimeText("9999-12-31", &value));
  EXPECT_DOUBLE_EQ(value, kMaxDateTime);
  ASSERT_TRUE(ParseDateTimeText("100-1-1", &value));
  EXPECT_DOUBLE_EQ(value, kMinDateTime);
  // A failed parse leaves the result alone.
  value = 7;
  EXPECT_FALSE(ParseDateTimeText("2024-0-1", &value));
  EXPECT_EQ(value, 7);
}

TEST(EditBoxInput, NarrowingKeepsOtherDoubleByteCharacters) {
  // ＡＢ, full-width yen (no narrow form), 年, a lone lead byte at the end.
  EXPECT_EQ(NarrowGbkText("\xA3\xC1\xA3\xC2\xA3\xA4" NIAN "\xC4"), "AB\xA3\xA4" NIAN "\xC4");
  // A narrow byte after a pair is not taken as a trail byte.
  EXPECT_EQ(NarrowGbkText("\xA3\xB1" "1" "\xA1\xAB"), "11~");
}

TEST(EditBoxInput, LeadingIntegersSaturate) {
  EXPECT_EQ(LeadingInteger("  +42abc"), 42);
  EXPECT_EQ(LeadingInteger("\t-17"), -17);
  EXPECT_EQ(LeadingInteger("- 5"), 0);
  EXPECT_EQ(LeadingInteger("-9223372036854775809"), INT64_MIN);
  EXPECT_EQ(LeadingInteger("18446744073709551616"), INT64_MAX);
}

}  // namespace
