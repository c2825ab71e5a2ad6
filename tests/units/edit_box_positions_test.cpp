// Byte and character positions in GBK texts, as the EditBox translates them
// for a control that counts characters.
#include "units/edit_box_positions.h"

#include <gtest/gtest.h>

namespace {

#define WU "\xCE\xE2"  // 吴

TEST(EditBoxPositions, BytesAndCharactersTranslateBothWays) {
  const std::string text = WU "ab" WU;  // bytes 0 2 3 4 6, characters 0 1 2 3 4
  const size_t bytes[] = {0, 2, 3, 4, 6}, characters[] = {0, 1, 2, 3, 4};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(GbkCharactersBefore(text, bytes[i]), characters[i]);
    EXPECT_EQ(GbkByteOffset(text, characters[i]), bytes[i]);
  }
  EXPECT_EQ(GbkCharactersBefore(text, 1), 0u) << "inside 吴: its start";
  EXPECT_EQ(GbkCharactersBefore(text, 5), 3u);
  EXPECT_EQ(GbkCharactersBefore(text, 99), 4u);
  EXPECT_EQ(GbkByteOffset(text, 99), 6u);
  EXPECT_EQ(GbkCharactersBefore("a\xCE", 2), 2u) << "a lead byte at the end stands alone";
}

TEST(EditBoxPositions, WhatFitsNeverCutsACharacter) {
  const std::string text = "a" WU "b";
  const size_t fits[] = {0, 1, 1, 3, 4, 4};
  for (size_t limit = 0; limit < 6; ++limit) EXPECT_EQ(GbkFittingBytes(text, limit), fits[limit]) << limit;
}

}  // namespace
