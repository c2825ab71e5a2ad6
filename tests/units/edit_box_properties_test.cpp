#include "units/edit_box_properties.h"

#include <gtest/gtest.h>

#include "tests/units/property_test_support.h"

namespace {

std::vector<uint8_t> SampleBlock(uint32_t version) {
  BlockBuilder b;
  b.Int32(version)
      .Int32(3)          // border
      .Int32(0x112233)   // TextColor
      .Int32(0x445566)   // BackColor
      .Int32(0)          // HideSel
      .Int32(260)        // MaxAllowLength
      .Int32(1)          // AllowMultiLines
      .Int32(3)          // ScrollBars
      .Int32(2)          // Align
      .Int32(5)          // InputMode
      .Int16('#')        // PasswordChar
      .Int32(2)          // CaseConvert
      .Int32(1)          // SpinMode
      .Int32(-10)        // SpinMin
      .Int32(10)         // SpinMax
      .Int32(4)          // SelStart
      .Int32(-1)         // SelLength
      .Counted(std::string(60, 'F'))
      .Counted("E:\\");
  if (version >= 2) b.Counted("source").Counted("column");
  return b.bytes();
}

bool Load(EditBoxProperties* p, const std::vector<uint8_t>& block) {
  auto copy = ExactCopy(block, block.size());
  return LoadEditBoxProperties(p, copy.get(), static_cast<uint32_t>(block.size()));
}

void ExpectSampleValues(const EditBoxProperties& p) {
  EXPECT_EQ(p.border, 3);
  EXPECT_EQ(p.textColor, 0x112233u);
  EXPECT_EQ(p.backColor, 0x445566u);
  EXPECT_EQ(p.hideSelection, 0);
  EXPECT_EQ(p.maxLength, 260);
  EXPECT_EQ(p.multiLine, 1);
  EXPECT_EQ(p.scrollBars, 3);
  EXPECT_EQ(p.align, 2);
  EXPECT_EQ(p.inputMode, 5);
  EXPECT_EQ(p.passwordChar, '#');
  EXPECT_EQ(p.caseConvert, 2);
  EXPECT_EQ(p.spinMode, 1);
  EXPECT_EQ(p.spinMin, -10);
  EXPECT_EQ(p.spinMax, 10);
  EXPECT_EQ(p.selStart, 4);
  EXPECT_EQ(p.selLength, -1);
  EXPECT_EQ(Text(p.font), std::string(60, 'F'));
  EXPECT_STREQ(p.text.text(), "E:\\");
}

}  // namespace

TEST(EditBoxProperties, AnEmptyBlockGivesTheResetValues) {
  EditBoxProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(2)));
  ASSERT_TRUE(LoadEditBoxProperties(&p, nullptr, 0));
  EXPECT_TRUE(p.text.empty());
  EXPECT_EQ(p.border, 1);
  EXPECT_EQ(p.textColor, 0u);
  EXPECT_EQ(p.backColor, 0xFFFFFFu);
  EXPECT_TRUE(p.font.empty());
  EXPECT_EQ(p.hideSelection, 1);
  EXPECT_EQ(p.passwordChar, 42);
  EXPECT_EQ(p.spinMax, 100);
  EXPECT_EQ(p.selLength, 0);
  EXPECT_TRUE(p.dataSource.empty());
}

TEST(EditBoxProperties, LoadsEveryAcceptedVersion) {
  for (uint32_t version : {0u, 1u, 2u}) {
    SCOPED_TRACE(version);
    EditBoxProperties p;
    ASSERT_TRUE(Load(&p, SampleBlock(2)));  // names set, then reloaded
    ASSERT_TRUE(Load(&p, SampleBlock(version)));
    ExpectSampleValues(p);
    EXPECT_EQ(Text(p.dataSource), version >= 2 ? "source" : "");
    EXPECT_EQ(Text(p.dataColumn), version >= 2 ? "column" : "");
  }
}

TEST(EditBoxProperties, RejectsLaterVersions) {
  EditBoxProperties p;
  EXPECT_FALSE(Load(&p, SampleBlock(3)));
  EXPECT_FALSE(Load(&p, SampleBlock(0x80000000u)));
  EXPECT_EQ(p.border, 1);
}

TEST(EditBoxProperties, SaveThenLoadIsTheIdentity) {
  EditBoxProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(2)));
  PropertyBytes saved = SaveEditBoxProperties(p);
  EXPECT_EQ(Bytes(saved), SampleBlock(2));
  EditBoxProperties back;
  ASSERT_TRUE(LoadEditBoxProperties(&back, saved.data(), saved.size()));
  ExpectSampleValues(back);
  EXPECT_EQ(Bytes(SaveEditBoxProperties(back)), Bytes(saved));
}

TEST(EditBoxProperties, TruncatedBlocksFail) {
  EditBoxProperties p;
  for (uint32_t version : {0u, 2u}) {
    int loaded = CountLoadedPrefixes(SampleBlock(version), [&p](const uint8_t* data, uint32_t size) {
      return LoadEditBoxProperties(&p, data, size);
    });
    EXPECT_EQ(loaded, 0) << version;
  }
  EXPECT_EQ(p.border, 1);
}
