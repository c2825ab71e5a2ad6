#include "units/label_properties.h"

#include <gtest/gtest.h>

#include "tests/units/property_test_support.h"

namespace {

// Stored order; every value differs from its reset value and from its
// neighbours, so a swapped pair shows.
std::vector<uint8_t> SampleBlock(uint32_t version) {
  BlockBuilder b;
  b.Int32(version)
      .Int32(2)          // effect
      .Int32(12)         // GradientBorderWidth
      .Int32(6)          // border
      .Int32(0x000011)   // GradientBorderColor1..3
      .Int32(0x000022)
      .Int32(0x000033)
      .Int32(0x000044)   // TextColor
      .Int32(0xFFFFFF)   // BackColor
      .Int32(2)          // BackPictureMode
      .Int32(8)          // GradientBackMode
      .Int32(0x000055)   // GradientBackColor1..3
      .Int32(0x000066)
      .Int32(0x000077)
      .Int32(1)          // HAlign
      .Int32(2)          // VAlign
      .Int32(1)          // WordWrap
      .Counted(std::string(60, 'F'))
      .Counted("PNG")
      .Counted("U\xc5\xcc");  // "U盘"
  if (version >= 2) b.Counted("source").Counted("column");
  return b.bytes();
}

bool Load(LabelProperties* p, const std::vector<uint8_t>& block) {
  auto copy = ExactCopy(block, block.size());
  return LoadLabelProperties(p, copy.get(), static_cast<uint32_t>(block.size()));
}

void ExpectSampleValues(const LabelProperties& p) {
  EXPECT_EQ(p.effect, 2);
  EXPECT_EQ(p.gradientBorderWidth, 12);
  EXPECT_EQ(p.border, 6);
  EXPECT_EQ(p.gradientBorderColor1, 0x11u);
  EXPECT_EQ(p.gradientBorderColor2, 0x22u);
  EXPECT_EQ(p.gradientBorderColor3, 0x33u);
  EXPECT_EQ(p.textColor, 0x44u);
  EXPECT_EQ(p.backColor, 0xFFFFFFu);
  EXPECT_EQ(p.backPictureMode, 2);
  EXPECT_EQ(p.gradientBackMode, 8);
  EXPECT_EQ(p.gradientBackColor1, 0x55u);
  EXPECT_EQ(p.gradientBackColor2, 0x66u);
  EXPECT_EQ(p.gradientBackColor3, 0x77u);
  EXPECT_EQ(p.hAlign, 1);
  EXPECT_EQ(p.vAlign, 2);
  EXPECT_EQ(p.wordWrap, 1);
  EXPECT_EQ(Text(p.font), std::string(60, 'F'));
  EXPECT_EQ(Text(p.backPicture), "PNG");
  EXPECT_STREQ(p.caption.text(), "U\xc5\xcc");
}

}  // namespace

TEST(LabelProperties, ResetValues) {
  LabelProperties p;
  ASSERT_TRUE(LoadLabelProperties(&p, nullptr, 0));
  EXPECT_EQ(Text(p.caption), "\xb1\xea\xc7\xa9");  // "标签"
  EXPECT_EQ(p.gradientBorderWidth, 8);
  EXPECT_EQ(p.gradientBorderColor1, 0x808080u);
  EXPECT_EQ(p.gradientBorderColor2, 0xFFFFFFu);
  EXPECT_EQ(p.backColor, 0xFF000000u);
  EXPECT_EQ(p.backPictureMode, 1);
  EXPECT_EQ(p.gradientBackColor3, 0x808080u);
  EXPECT_EQ(p.vAlign, 1);
  EXPECT_EQ(p.border, 0);
}

TEST(LabelProperties, LoadsEveryAcceptedVersion) {
  for (uint32_t version : {0u, 1u, 2u}) {
    SCOPED_TRACE(version);
    LabelProperties p;
    ASSERT_TRUE(Load(&p, SampleBlock(version)));
    ExpectSampleValues(p);
    EXPECT_EQ(Text(p.dataSource), version >= 2 ? "source" : "");
    EXPECT_EQ(Text(p.dataColumn), version >= 2 ? "column" : "");
  }
}

TEST(LabelProperties, RejectsLaterVersions) {
  LabelProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(2)));
  EXPECT_FALSE(Load(&p, SampleBlock(3)));
  ExpectSampleValues(p);
}

TEST(LabelProperties, SaveThenLoadIsTheIdentity) {
  LabelProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(2)));
  PropertyBytes saved = SaveLabelProperties(p);
  EXPECT_EQ(Bytes(saved), SampleBlock(2));

  // A version 1 block is written back as version 2 with empty names.
  ASSERT_TRUE(Load(&p, SampleBlock(1)));
  std::vector<uint8_t> upgraded = SampleBlock(1);
  upgraded[0] = 2;
  upgraded.resize(upgraded.size() + 8, 0);
  EXPECT_EQ(Bytes(SaveLabelProperties(p)), upgraded);
}

TEST(LabelProperties, TruncatedBlocksFail) {
  LabelProperties p;
  ASSERT_TRUE(LoadLabelProperties(&p, nullptr, 0));
  for (uint32_t version : {1u, 2u}) {
    int loaded = CountLoadedPrefixes(SampleBlock(version), [&p](const uint8_t* data, uint32_t size) {
      return LoadLabelProperties(&p, data, size);
    });
    EXPECT_EQ(loaded, 0) << version;
  }
  EXPECT_EQ(p.gradientBorderWidth, 8);
}
