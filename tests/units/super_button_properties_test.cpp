#include "units/super_button_properties.h"

#include <gtest/gtest.h>

#include "tests/units/property_test_support.h"

namespace {

constexpr ButtonSystemColours kClassicColours = {0x000000, 0xC0C0C0};

std::vector<uint8_t> SampleBlock(uint32_t version) {
  BlockBuilder b;
  b.Int32(version)
      .Int32(2)          // BtnStyle
      .Int32(1)          // CheckBox
      .Int32(1)          // Checked
      .Int32(3)          // AlignStyle
      .Int32(1)          // PressStyle
      .Int32(0)          // DrawBorder
      .Int32(1)          // DrawFocus
      .Int32(0x0000AA)   // TransColorIn
      .Int32(0x0000BB)   // TransColorOut
      .Int32(0)          // DefaultColor
      .Int32(1)          // StandardSound
      .Int32(1)          // DefaultStyle
      .Int32(0x000001)   // six colours
      .Int32(0x000002)
      .Int32(0x000003)
      .Int32(0x000004)
      .Int32(0x000005)
      .Int32(0x000006)
      .Counted("in")
      .Counted("out")
      .Counted(std::string(60, 'F'))
      .Counted("RIFFover")
      .Counted("RIFFclick")
      .Counted("\xc9\xfd\xbc\xb6")  // "升级"
      .Counted("tip");
  if (version >= 2) b.Int32(0x0000CC).Counted("disabled");
  return b.bytes();
}

bool Load(SuperBtnProperties* p, const std::vector<uint8_t>& block) {
  auto copy = ExactCopy(block, block.size());
  return LoadSuperBtnProperties(p, copy.get(), static_cast<uint32_t>(block.size()), kClassicColours);
}

void ExpectSampleValues(const SuperBtnProperties& p) {
  EXPECT_EQ(p.btnStyle, 2);
  EXPECT_EQ(p.checkBox, 1);
  EXPECT_EQ(p.checked, 1);
  EXPECT_EQ(p.alignStyle, 3);
  EXPECT_EQ(p.pressStyle, 1);
  EXPECT_EQ(p.drawBorder, 0);
  EXPECT_EQ(p.drawFocus, 1);
  EXPECT_EQ(p.transColorIn, 0xAAu);
  EXPECT_EQ(p.transColorOut, 0xBBu);
  EXPECT_EQ(p.defaultColor, 0);
  EXPECT_EQ(p.standardSound, 1);
  EXPECT_EQ(p.defaultStyle, 1);
  EXPECT_EQ(p.fgColorOut, 1u);
  EXPECT_EQ(p.bkColorOut, 2u);
  EXPECT_EQ(p.fgColorIn, 3u);
  EXPECT_EQ(p.bkColorIn, 4u);
  EXPECT_EQ(p.fgColorFocus, 5u);
  EXPECT_EQ(p.bkColorFocus, 6u);
  EXPECT_EQ(Text(p.picIn), "in");
  EXPECT_EQ(Text(p.picOut), "out");
  EXPECT_EQ(Text(p.font), std::string(60, 'F'));
  EXPECT_EQ(Text(p.overSound), "RIFFover");
  EXPECT_EQ(Text(p.clickSound), "RIFFclick");
  EXPECT_STREQ(p.caption.text(), "\xc9\xfd\xbc\xb6");
  EXPECT_STREQ(p.toolTip.text(), "tip");
}

}  // namespace

TEST(SuperBtnProperties, LighteningKeepsTheHue) {
  EXPECT_EQ(ShiftColourBrightness(0xC0C0C0, 32), 0xE0E0E0u);
  EXPECT_EQ(ShiftColourBrightness(0xF0F0F0, 32), 0xFFFFFFu);
  // The brightest channel limits the step: blue 0xF0 allows 15.
  EXPECT_EQ(ShiftColourBrightness(0xF08010, 32), 0xFF8F1Fu);
  EXPECT_EQ(ShiftColourBrightness(0x102030, -32), 0x001020u);
  EXPECT_EQ(ShiftColourBrightness(0x808080, 256), 0x808080u);
  EXPECT_EQ(ShiftColourBrightness(0x808080, -256), 0x808080u);
}

TEST(SuperBtnProperties, ResetValuesComeFromTheSystemColours) {
  SuperBtnProperties p;
  ASSERT_TRUE(LoadSuperBtnProperties(&p, nullptr, 0, {0x102030, 0xF0F0F0}));
  EXPECT_EQ(Text(p.caption), "\xb3\xac\xbc\xb6\xb0\xb4\xc5\xa5");  // "超级按钮"
  EXPECT_EQ(p.fgColorOut, 0x102030u);
  EXPECT_EQ(p.fgColorIn, 0x102030u);
  EXPECT_EQ(p.fgColorFocus, 0x102030u);
  EXPECT_EQ(p.bkColorOut, 0xF0F0F0u);
  EXPECT_EQ(p.bkColorIn, 0xFFFFFFu);
  EXPECT_EQ(p.bkColorFocus, 0xF0F0F0u);
  EXPECT_EQ(p.drawBorder, 1);
  EXPECT_EQ(p.defaultColor, 1);
  EXPECT_EQ(p.transColorOut, 0xFF000000u);
  EXPECT_EQ(p.transColorDisabled, 0xFF000000u);
  EXPECT_TRUE(p.toolTip.empty());
}

TEST(SuperBtnProperties, LoadsEveryAcceptedVersion) {
  for (uint32_t version : {0u, 1u, 2u}) {
    SCOPED_TRACE(version);
    SuperBtnProperties p;
    ASSERT_TRUE(Load(&p, SampleBlock(version)));
    ExpectSampleValues(p);
    EXPECT_EQ(p.transColorDisabled, version >= 2 ? 0xCCu : 0xFF000000u);
    EXPECT_EQ(Text(p.picDisabled), version >= 2 ? "disabled" : "");
  }
}

TEST(SuperBtnProperties, RejectsLaterVersions) {
  SuperBtnProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(2)));
  EXPECT_FALSE(Load(&p, SampleBlock(3)));
  ExpectSampleValues(p);
}

TEST(SuperBtnProperties, SaveThenLoadIsTheIdentity) {
  SuperBtnProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(2)));
  PropertyBytes saved = SaveSuperBtnProperties(p);
  EXPECT_EQ(Bytes(saved), SampleBlock(2));
  SuperBtnProperties back;
  ASSERT_TRUE(LoadSuperBtnProperties(&back, saved.data(), saved.size(), {0, 0}));
  ExpectSampleValues(back);
  EXPECT_EQ(Bytes(SaveSuperBtnProperties(back)), Bytes(saved));
}

TEST(SuperBtnProperties, TruncatedBlocksFail) {
  SuperBtnProperties p;
  for (uint32_t version : {1u, 2u}) {
    int loaded = CountLoadedPrefixes(SampleBlock(version), [&p](const uint8_t* data, uint32_t size) {
      return LoadSuperBtnProperties(&p, data, size, kClassicColours);
    });
    EXPECT_EQ(loaded, 0) << version;
  }
  EXPECT_TRUE(p.caption.empty());  // never loaded
}
