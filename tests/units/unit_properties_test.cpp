// The shared pieces of every property record: owned bytes, the reader and
// the two-pass writer.
#include <gtest/gtest.h>

#include "runtime/memory.h"
#include "runtime/memory_host.h"
#include "tests/units/property_test_support.h"

TEST(PropertyBytes, KeepsATerminatingZeroAndCopies) {
  PropertyBytes bytes;
  EXPECT_STREQ(bytes.text(), "");
  ASSERT_TRUE(bytes.Assign("abc", 3));
  EXPECT_EQ(bytes.size(), 3u);
  EXPECT_EQ(bytes.data()[3], 0);
  EXPECT_STREQ(bytes.text(), "abc");

  PropertyBytes moved = std::move(bytes);
  EXPECT_TRUE(bytes.empty());
  EXPECT_STREQ(moved.text(), "abc");

  // Assigning a part of its own content is safe.
  ASSERT_TRUE(moved.Assign(moved.data() + 1, 2));
  EXPECT_STREQ(moved.text(), "bc");
}

TEST(PropertyBytes, HeapFailureKeepsTheOldContent) {
  PropertyBytes bytes;
  ASSERT_TRUE(bytes.AssignText("old"));
  SetHostAllocationBudget(0);
  EXPECT_FALSE(bytes.AssignText("new"));
  EXPECT_FALSE(bytes.Allocate(10));
  SetHostAllocationBudget(-1);
  EXPECT_STREQ(bytes.text(), "old");
}

TEST(PropertyBytes, ReleaseHandsTheBlockOver) {
  PropertyBytes bytes;
  ASSERT_TRUE(bytes.AssignText("x"));
  uint8_t* block = bytes.Release();
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(block[0], 'x');
  FreeMemory(block);
}

TEST(PropertyReader, StopsAtTheEndAndStaysFailed) {
  const std::vector<uint8_t> block = BlockBuilder().Int32(0x11223344).Int16(-2).Int16(7).bytes();
  auto copy = ExactCopy(block, 6);
  PropertyReader r(copy.get(), 6);
  int32_t a = 0;
  int16_t b = 0;
  ASSERT_TRUE(r.ReadInt32(&a));
  EXPECT_EQ(a, 0x11223344);
  ASSERT_TRUE(r.ReadInt16(&b));
  EXPECT_EQ(b, -2);
  EXPECT_FALSE(r.ReadInt16(&b));
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(b, -2);
}

TEST(PropertyReader, CountedItems) {
  // Non-positive lengths are empty items with no bytes after them.
  std::vector<uint8_t> block = BlockBuilder().Int32(-5).Int32(0).Counted("hi").bytes();
  auto copy = ExactCopy(block, block.size());
  PropertyReader r(copy.get(), static_cast<uint32_t>(block.size()));
  PropertyBytes a, b, c;
  ASSERT_TRUE(a.AssignText("stale"));
  EXPECT_TRUE(r.ReadCounted(&a));
  EXPECT_TRUE(a.empty());
  EXPECT_TRUE(r.ReadCounted(&b));
  EXPECT_TRUE(r.ReadCounted(&c));
  EXPECT_STREQ(c.text(), "hi");
  EXPECT_EQ(r.remaining(), 0u);

  // A length beyond the block, including the largest int32, fails.
  for (int64_t length : {3LL, 0x7FFFFFFFLL}) {
    std::vector<uint8_t> bad = BlockBuilder().Int32(length).Int16(0).bytes();
    auto badCopy = ExactCopy(bad, bad.size());
    PropertyReader br(badCopy.get(), static_cast<uint32_t>(bad.size()));
    PropertyBytes out;
    EXPECT_FALSE(br.ReadCounted(&out)) << length;
  }
}

TEST(PropertyWriter, MeasuresAndFillsTheSameBytes) {
  PropertyBytes text;
  ASSERT_TRUE(text.AssignText("ab"));
  auto fields = [&text](PropertyWriter& w) {
    w.WriteInt32(-1);
    w.WriteInt16(0x1234);
    w.WriteCounted(text);
    w.WriteCounted(PropertyBytes());
  };
  PropertyBytes block = SerialiseProperties(fields);
  EXPECT_EQ(Bytes(block), BlockBuilder().Int32(-1).Int16(0x1234).Counted("ab").Counted("").bytes());

  // A filling writer never writes past its buffer.
  uint8_t small[5] = {};
  PropertyWriter w(small, sizeof small);
  w.WriteInt32(1);
  w.WriteInt32(2);
  EXPECT_FALSE(w.ok());
}

TEST(PropertyWriter, HeapFailureGivesAnEmptyBlock) {
  SetHostAllocationBudget(0);
  PropertyBytes block = SerialiseProperties([](PropertyWriter& w) { w.WriteInt32(1); });
  SetHostAllocationBudget(-1);
  EXPECT_TRUE(block.empty());
}

TEST(PropertyBlockHelpers, SizesAndFonts) {
  uint32_t total = 0xFFFFFFF0u;
  EXPECT_TRUE(AddSize(&total, 0xF));
  EXPECT_FALSE(AddSize(&total, 1));
  EXPECT_EQ(total, 0xFFFFFFFFu);

  LogFontBytes font{};
  font.height = -19;
  std::strcpy(font.faceName, "Tahoma");
  PropertyBytes bytes;
  ASSERT_TRUE(bytes.Assign(&font, sizeof font));
  LogFontBytes back{};
  ASSERT_TRUE(FontOf(bytes, &back));
  EXPECT_EQ(back.height, -19);
  EXPECT_STREQ(back.faceName, "Tahoma");
  ASSERT_TRUE(bytes.Assign(&font, 59));
  EXPECT_FALSE(FontOf(bytes, &back));
}
