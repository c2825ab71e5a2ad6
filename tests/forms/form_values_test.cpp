// Pure conversions of the form runtime: the cursor table and cursor files,
// font records, event argument words, key folding, shortcut names.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "forms/cursor_data.h"
#include "forms/event_words.h"
#include "forms/font_value.h"
#include "forms/menu_keys.h"

namespace {

TEST(CursorTable, IndexesAndIdentifiersTranslateBothWays) {
  EXPECT_EQ(CursorIndexToId(0), 0);
  EXPECT_EQ(CursorIndexToId(3), 32513);
  EXPECT_EQ(CursorIndexToId(14), 32649);
  EXPECT_EQ(CursorIndexToId(15), 15);  // outside the table: unchanged
  EXPECT_EQ(CursorIdToIndex(32513), 3);
  EXPECT_EQ(CursorIdToIndex(32516), 13);
  EXPECT_EQ(CursorIdToIndex(12345), 12345);
  uint8_t data[6] = {3, 0, 0, 0, 9, 9};
  TranslatePointerCode(data, sizeof data, true);
  EXPECT_EQ(data[0], 0x01);
  EXPECT_EQ(data[1], 0x7F);
  EXPECT_EQ(data[4], 9);
  uint8_t shortData[3] = {3, 0, 0};
  TranslatePointerCode(shortData, sizeof shortData, true);  // fewer than 4 bytes: untouched
  EXPECT_EQ(shortData[0], 3);
}

TEST(CursorTable, PointerDataSaysWhatItAsksFor) {
  EXPECT_EQ(ReadPointerData(nullptr, 0).kind, PointerRequest::kNone);
  const uint8_t one[1] = {2};
  PointerRequest r = ReadPointerData(one, 1);
  EXPECT_EQ(r.kind, PointerRequest::kSystem);
  EXPECT_EQ(r.code, 2);
  const uint8_t custom[8] = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
  r = ReadPointerData(custom, sizeof custom);
  EXPECT_EQ(r.kind, PointerRequest::kFile);
  EXPECT_EQ(r.file, custom + 4);
  EXPECT_EQ(r.fileLength, 4u);
  std::vector<uint8_t> longData(11, 0);
  r = ReadPointerData(longData.data(), 11);
  EXPECT_TRUE(r.tryFileFirst);
  EXPECT_EQ(r.fileLength, 11u);
}

std::vector<uint8_t> CursorFile(uint8_t width, uint16_t hotX, uint32_t imageLength, uint32_t offset) {
  std::vector<uint8_t> f = {0, 0, 2, 0, 1, 0, width, width, 0, 0};
  f.push_back(uint8_t(hotX));
  f.push_back(uint8_t(hotX >> 8));
  f.push_back(5);
  f.push_back(0);
  for (uint32_t v : {imageLength, offset})
    for (int i = 0; i < 4; ++i) f.push_back(uint8_t(v >> (8 * i)));
  f.resize(offset + imageLength, 0xAA);
  return f;
}

TEST(CursorFiles, TheFirstImageIsFoundWithItsHotSpot) {
  const std::vector<uint8_t> file = CursorFile(32, 7, 40, 22);
  CursorImage image;
  ASSERT_TRUE(FindCursorImage(file.data(), uint32_t(file.size()), &image));
  EXPECT_EQ(image.offset, 22u);
  EXPECT_EQ(image.length, 40u);
  EXPECT_EQ(image.hotX, 7);
  EXPECT_EQ(image.hotY, 5);
  EXPECT_EQ(image.width, 32u);
  // Truncated files, images past the end and overflowing ranges are refused.
  EXPECT_FALSE(FindCursorImage(file.data(), 21, &image));
  EXPECT_FALSE(FindCursorImage(file.data(), uint32_t(file.size() - 1), &image));
  std::vector<uint8_t> wrap = CursorFile(32, 0, 16, 22);
  wrap[18] = wrap[19] = wrap[20] = wrap[21] = 0xFF;  // offset 0xFFFFFFFF
  EXPECT_FALSE(FindCursorImage(wrap.data(), uint32_t(wrap.size()), &image));
  std::vector<uint8_t> bitmap = file;
  bitmap[2] = 3;  // neither icon nor cursor
  EXPECT_FALSE(FindCursorImage(bitmap.data(), uint32_t(bitmap.size()), &image));
}

TEST(FontValues, SizesRoundToTheNearestPixelAndBack) {
  EXPECT_EQ(PointsToHeight(9, 96), -12);
  EXPECT_EQ(PointsToHeight(10, 96), -13);  // 13.33
  EXPECT_EQ(PointsToHeight(11, 96), -15);  // 14.67
  EXPECT_EQ(HeightToPoints(-15, 96), 11);
  EXPECT_EQ(HeightToPoints(16, 120), 10);  // 9.6
  EXPECT_EQ(PointsToHeight(9, 0), 0);
}

TEST(FontValues, MemberEditsFollowTheirRules) {
  LogFontBytes font{};
  SetFontMember(&font, kFontAngle, -1, nullptr, 96);
  EXPECT_EQ(font.escapement, 3599);
  EXPECT_EQ(font.orientation, 3599);
  SetFontMember(&font, kFontAngle, 7201, nullptr, 96);
  EXPECT_EQ(font.escapement, 1);
  SetFontMember(&font, kFontSize, -3, nullptr, 96);
  EXPECT_EQ(font.height, 0);
  SetFontMember(&font, kFontBold, 1, nullptr, 96);
  EXPECT_EQ(font.weight, 700);
  SetFontMember(&font, kFontFaceName, 0, "Courier", 96);
  EXPECT_STREQ(font.faceName, "Courier");
  SetFontMember(&font, kFontFaceName, 0, nullptr, 96);
  EXPECT_STREQ(font.faceName, kDefaultFaceName);
  const std::string exactly32(32, 'x'), exactly31(31, 'y');
  SetFontMember(&font, kFontFaceName, 0, exactly32.c_str(), 96);
  EXPECT_STREQ(font.faceName, kDefaultFaceName);
  SetFontMember(&font, kFontFaceName, 0, exactly31.c_str(), 96);
  EXPECT_EQ(std::string(font.faceName, 31), exactly31);
  EXPECT_EQ(font.faceName[31], 0);
}

TEST(FontValues, WholeFontsRoundTripThroughTheirMembers) {
  FontMembers in;
  in.angle = 900;
  in.bold = in.underline = true;
  in.size = 12;
  in.faceName = "Arial";
  LogFontBytes font;
  SetWholeFont(&font, in, 96);
  EXPECT_EQ(font.height, -16);
  EXPECT_EQ(font.weight, 700);
  EXPECT_EQ(font.underline, 1);
  EXPECT_EQ(font.italic, 0);
  const FontMembers out = MembersOf(font, 96);
  EXPECT_EQ(out.angle, 900);
  EXPECT_TRUE(out.bold);
  EXPECT_FALSE(out.italic);
  EXPECT_EQ(out.size, 12);
  font.weight = 699;
  EXPECT_FALSE(MembersOf(font, 96).bold);
  in.size = -4;
  in.faceName = nullptr;
  SetWholeFont(&font, in, 96);
  EXPECT_EQ(font.height, 0);
  EXPECT_STREQ(font.faceName, kDefaultFaceName);
}

TEST(EventWords, EachTagTakesItsWidth) {
  uint32_t w[2];
  EXPECT_EQ(ArgumentWords({0x1234ABFF, 9, kTagByte, 0}, w), 1u);
  EXPECT_EQ(w[0], 0xFFu);
  EXPECT_EQ(ArgumentWords({0x00008000, 9, kTagShort, 0}, w), 1u);
  EXPECT_EQ(w[0], 0xFFFF8000u);
  EXPECT_EQ(ArgumentWords({0x00007FFF, 9, kTagShort, 0}, w), 1u);
  EXPECT_EQ(w[0], 0x7FFFu);
  for (uint32_t tag : {uint32_t(kTagLong), uint32_t(kTagDouble), uint32_t(kTagDateTime), uint32_t(kTagWide8),
                       uint32_t(kTwoWordLibraryType)}) {
    EXPECT_EQ(ArgumentWords({1, 2, tag, 0}, w), 2u) << std::hex << tag;
    EXPECT_EQ(w[1], 2u);
  }
  for (uint32_t tag : {uint32_t(kTagInt), uint32_t(kTagFloat), uint32_t(kTagBool), uint32_t(kTagText),
                       uint32_t(kTagBytes), 0x00010001u, 0x40000001u})
    EXPECT_EQ(ArgumentWords({1, 2, tag, 0}, w), 1u) << std::hex << tag;
  EXPECT_EQ(ArgumentWords({1, 2, kTagDouble, kArgByAddress}, w), 1u);  // reference wins
  EXPECT_EQ(ArgumentWords({1, 2, kTagByte, kArgTwoWords}, w), 2u);
  EXPECT_EQ(w[0], 1u);
}

TEST(EventWords, AtMostTwelveArgumentsAreExpanded) {
  std::vector<EventArgument> arguments(20, EventArgument{7, 8, kTagLong, 0});
  uint32_t words[kMaxArgumentWords + 8] = {};
  EXPECT_EQ(ExpandTypedArguments(arguments.data(), 20, words), kMaxArgumentWords);
  EXPECT_EQ(words[kMaxArgumentWords], 0u);
}

TEST(EventWords, KeypadFoldingAndModifiers) {
  EXPECT_EQ(FoldKeyCode(0x60), 0x30u);
  EXPECT_EQ(FoldKeyCode(0x69), 0x39u);
  EXPECT_EQ(FoldKeyCode(0x6D), 189u);
  EXPECT_EQ(FoldKeyCode(0x6E), 190u);
  EXPECT_EQ(FoldKeyCode(0x6F), 191u);
  EXPECT_EQ(FoldKeyCode(0x6B), 0x6Bu);  // keypad plus stays
  EXPECT_EQ(KeyModifiers(true, true, true, 'A'), 7u);
  EXPECT_EQ(KeyModifiers(true, false, false, 0x11), 0u);
  EXPECT_EQ(KeyModifiers(true, true, false, 0xA1), 1u);  // right shift
  EXPECT_EQ(KeyModifiers(false, false, true, 0x12), 0u);
}

TEST(MenuKeys, TheTableHoldsSeventySevenShortcuts) {
  EXPECT_EQ(FindShortcut(0), nullptr);
  EXPECT_EQ(FindShortcut(78), nullptr);
  EXPECT_STREQ(FindShortcut(1)->name, "Ctrl+A");
  EXPECT_EQ(FindShortcut(1)->key, 'A');
  EXPECT_EQ(FindShortcut(1)->modifiers, kShortcutCtrl);
  EXPECT_STREQ(FindShortcut(27)->name, "F1");
  EXPECT_EQ(FindShortcut(27)->modifiers, 0);
  EXPECT_STREQ(FindShortcut(51)->name, "Shift+F1");
  EXPECT_STREQ(FindShortcut(77)->name, "Shift+Del");
  EXPECT_EQ(FindShortcut(77)->modifiers, kShortcutShift);
}

}  // namespace
