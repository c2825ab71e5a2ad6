#include "runtime/dll_names.h"

#include <gtest/gtest.h>

TEST(DllNames, OrdinalNamesTakeTheLowSixteenBits) {
  uint16_t ordinal = 0;
  ASSERT_TRUE(ParseOrdinalName("#5", &ordinal));
  EXPECT_EQ(ordinal, 5);
  ASSERT_TRUE(ParseOrdinalName("#70000", &ordinal));
  EXPECT_EQ(ordinal, 4464);
  ASSERT_TRUE(ParseOrdinalName("#", &ordinal));
  EXPECT_EQ(ordinal, 0);
  EXPECT_FALSE(ParseOrdinalName("MessageBoxA", &ordinal));
  EXPECT_FALSE(ParseOrdinalName("", &ordinal));
  EXPECT_FALSE(ParseOrdinalName(nullptr, &ordinal));
}
