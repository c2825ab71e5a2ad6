#include "units/trans_label_properties.h"

#include <gtest/gtest.h>

#include "runtime/memory_host.h"
#include "tests/units/property_test_support.h"

namespace {

// A block with a value in every field that differs from its reset value.
std::vector<uint8_t> SampleBlock(uint32_t version) {
  return BlockBuilder()
      .Int32(version)
      .Int32(3)          // effect
      .Int32(0xFF8080)   // TextColor
      .Int32(2)          // HAlign
      .Int32(0)          // VAlign
      .Int32(1)          // WordWrap
      .Counted(std::string(60, 'F'))
      .Counted("\xd5\xfd\xd4\xda")  // "正在"
      .bytes();
}

bool Load(TransLabelProperties* p, const std::vector<uint8_t>& block) {
  auto copy = ExactCopy(block, block.size());
  return LoadTransLabelProperties(p, copy.get(), static_cast<uint32_t>(block.size()));
}

}  // namespace

TEST(TransLabelProperties, ResetValues) {
  TransLabelProperties p;
  ASSERT_TRUE(LoadTransLabelProperties(&p, nullptr, 0));
  EXPECT_EQ(Text(p.caption), "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9");  // "透明标签"
  EXPECT_EQ(p.effect, 0);
  EXPECT_TRUE(p.font.empty());
  EXPECT_EQ(p.textColor, 0u);
  EXPECT_EQ(p.hAlign, 0);
  EXPECT_EQ(p.wordWrap, 0);
  EXPECT_EQ(p.vAlign, 1);
}

TEST(TransLabelProperties, LoadsEveryAcceptedVersionInStoredOrder) {
  for (uint32_t version : {0u, 1u}) {
    TransLabelProperties p;
    ASSERT_TRUE(Load(&p, SampleBlock(version))) << version;
    EXPECT_EQ(p.effect, 3);
    EXPECT_EQ(p.textColor, 0xFF8080u);
    EXPECT_EQ(p.hAlign, 2);
    EXPECT_EQ(p.vAlign, 0);
    EXPECT_EQ(p.wordWrap, 1);
    EXPECT_EQ(Text(p.font), std::string(60, 'F'));
    EXPECT_STREQ(p.caption.text(), "\xd5\xfd\xd4\xda");
  }
}

TEST(TransLabelProperties, RejectsLaterVersionsAndKeepsTheRecord) {
  TransLabelProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(1)));
  EXPECT_FALSE(Load(&p, SampleBlock(2)));
  EXPECT_FALSE(Load(&p, SampleBlock(0xFFFFFFFF)));
  EXPECT_EQ(p.effect, 3);
}

TEST(TransLabelProperties, SaveWritesTheCurrentVersionAndLoadsBack) {
  TransLabelProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(0)));
  PropertyBytes saved = SaveTransLabelProperties(p);
  EXPECT_EQ(Bytes(saved), SampleBlock(1));

  TransLabelProperties back;
  ASSERT_TRUE(LoadTransLabelProperties(&back, saved.data(), saved.size()));
  EXPECT_EQ(Bytes(SaveTransLabelProperties(back)), Bytes(saved));
}

TEST(TransLabelProperties, TruncatedBlocksFail) {
  TransLabelProperties p;
  ASSERT_TRUE(LoadTransLabelProperties(&p, nullptr, 0));
  int loaded = CountLoadedPrefixes(SampleBlock(1), [&p](const uint8_t* data, uint32_t size) {
    return LoadTransLabelProperties(&p, data, size);
  });
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(p.effect, 0);
}

TEST(TransLabelProperties, HeapFailureFailsTheLoad) {
  TransLabelProperties p;
  SetHostAllocationBudget(1);  // the reset caption, then nothing
  EXPECT_FALSE(Load(&p, SampleBlock(1)));
  SetHostAllocationBudget(-1);
  EXPECT_TRUE(p.caption.empty());
}
