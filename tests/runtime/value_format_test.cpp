#include "runtime/value_format.h"

#include <gtest/gtest.h>

// GBK: 年 月 日 时 分 秒
#define Y "\xC4\xEA"
#define M "\xD4\xC2"
#define D "\xC8\xD5"
#define H "\xCA\xB1"
#define MI "\xB7\xD6"
#define S "\xC3\xEB"

TEST(ValueFormat, Numbers) {
  EXPECT_EQ(FormatSingle(2.5f), "2.5");
  EXPECT_EQ(FormatSingle(1.0f / 3.0f), "0.333333");
  EXPECT_EQ(FormatSingle(1e20f), "1e+20");
  EXPECT_EQ(FormatDouble(1.0 / 3.0), "0.3333333333333");
  EXPECT_EQ(FormatDouble(123456789012.5), "123456789012.5");
  EXPECT_EQ(FormatInteger(-2147483647 - 1), "-2147483648");
}

TEST(ValueFormat, DateTimeVariants) {
  // 2024-02-29 is day 45351.
  EXPECT_EQ(FormatDateTime(45351.0), "2024" Y "2" M "29" D);
  EXPECT_EQ(FormatDateTime(45351.0 + 13.0 / 24), "2024" Y "2" M "29" D "13" H);
  EXPECT_EQ(FormatDateTime(45351.0 + (13 * 60 + 5) / 1440.0), "2024" Y "2" M "29" D "13" H "5" MI);
  EXPECT_EQ(FormatDateTime(45351.0 + (13 * 3600 + 7) / 86400.0),
            "2024" Y "2" M "29" D "13" H "0" MI "7" S);
  EXPECT_EQ(FormatDateTime(0.0), "1899" Y "12" M "30" D);
  // Before the epoch the day counts back, the time of day forwards.
  EXPECT_EQ(FormatDateTime(-1.25), "1899" Y "12" M "29" D "6" H);
  // A time that rounds up to midnight moves on to the next calendar day,
  // before the epoch as after it.
  EXPECT_EQ(FormatDateTime(1.9999999), "1900" Y "1" M "1" D);
  EXPECT_EQ(FormatDateTime(-1.9999999), "1899" Y "12" M "30" D);
  EXPECT_EQ(FormatDateTime(-0.9999999), "1899" Y "12" M "31" D);
}

TEST(ValueFormat, DateTimeClampedToOleRange) {
  EXPECT_EQ(FormatDateTime(3000000.0), "9999" Y "12" M "31" D);
  EXPECT_EQ(FormatDateTime(-1e9), "100" Y "1" M "1" D);
}

TEST(DateNormalise, ClampsFieldsAndMonthLength) {
  DateParts p = NormaliseDate({99, 13, 40, 24, 60, -1});
  EXPECT_EQ(p.year, 100);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.hour, 23);
  EXPECT_EQ(p.minute, 59);
  EXPECT_EQ(p.second, 0);
  EXPECT_EQ(NormaliseDate({2023, 2, 30, 0, 0, 0}).day, 28);
  EXPECT_EQ(NormaliseDate({2024, 2, 30, 0, 0, 0}).day, 29);
  EXPECT_EQ(NormaliseDate({1900, 2, 29, 0, 0, 0}).day, 28);
  EXPECT_EQ(NormaliseDate({2000, 2, 29, 0, 0, 0}).day, 29);
  EXPECT_EQ(NormaliseDate({2023, 4, 31, 0, 0, 0}).day, 30);
}

TEST(DateNormalise, PartsRoundTrip) {
  EXPECT_DOUBLE_EQ(PartsToDateTime({1899, 12, 30, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(PartsToDateTime({2024, 2, 29, 12, 0, 0}), 45351.5);
  const DateParts p = DateTimeToParts(PartsToDateTime({1066, 10, 14, 9, 30, 15}));
  EXPECT_EQ(p.year, 1066);
  EXPECT_EQ(p.month, 10);
  EXPECT_EQ(p.day, 14);
  EXPECT_EQ(p.hour, 9);
  EXPECT_EQ(p.minute, 30);
  EXPECT_EQ(p.second, 15);
}

TEST(ValueFormat, ValuesByTag) {
  TypedValue v{0xFFFFFF85u, 0, kTagByte};
  EXPECT_EQ(ValueToText(v), "133");
  v = {0xFFFF8000u, 7, kTagShort};
  EXPECT_EQ(ValueToText(v), "-32768");
  v = {5, 1, kTagLong};
  EXPECT_EQ(ValueToText(v), "4294967301");
  v.tag = kTagFloat;
  SetFloat(&v, 0.1f);
  EXPECT_EQ(ValueToText(v), "0.1");
  v.tag = kTagDouble;
  SetDouble(&v, 0.1);
  EXPECT_EQ(ValueToText(v), "0.1");
  v.tag = kTagDateTime;
  SetDouble(&v, 3000000.0);
  EXPECT_EQ(ValueToText(v), "9999" Y "12" M "31" D);
  v = {0, 0, kTagText};
  EXPECT_EQ(ValueToText(v), "");
  EXPECT_EQ(ArgumentWords(kTagDouble), 2);
  EXPECT_EQ(ArgumentWords(0x00010003), 2);
  EXPECT_EQ(ArgumentWords(kTagShort), 1);
  EXPECT_EQ(ArgumentWords(0x00010005), 1);
}
