// Texts, byte-sets, arrays and numbers on the runtime heap, with constants.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"
#include "tests/runtime/test_program.h"

namespace {

// A constants segment: a 2 x 3 integer array, then a 16-byte text that
// begins 10 bytes before the segment's end.
struct alignas(4) Constants {
  int32_t array[1 + 2 + 6] = {2, 2, 3, 1, 2, 3, 4, 5, 6};
  char pad[6] = {};
  char text[10] = {'c', 'o', 'n', 's', 't', 'a', 'n', 't', 's', '!'};
} g_constants;

class Values : public ::testing::Test {
 protected:
  void SetUp() override {
    program_.SetConstants(&g_constants, sizeof g_constants);
    app_ = new RuntimeApp(program_.Image(), 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  static size_t BlockSize(const void* block) { return HeapSize(GetProcessHeap(), 0, block); }

  TestProgram program_;
  RuntimeApp* app_ = nullptr;
};

TEST_F(Values, TextCopyNeverMakesAnEmptyBlock) {
  EXPECT_EQ(MakeTextCopy(nullptr), nullptr);
  EXPECT_EQ(MakeTextCopy(""), nullptr);
  const char source[] = "升级";
  char* copy = MakeTextCopy(source);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  EXPECT_STREQ(copy, source);
  EXPECT_EQ(BlockSize(copy), sizeof source);
  FreeMemory(copy);
}

TEST_F(Values, ByteSetsCarryTheirLength) {
  EXPECT_EQ(MakeByteSet("abc", 0), nullptr);
  auto* block = static_cast<uint8_t*>(MakeByteSet("abc", 3));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(BlockSize(block), 11u);
  const uint8_t expected[11] = {1, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'};
  EXPECT_EQ(std::memcmp(block, expected, 11), 0);
  EXPECT_EQ(ByteSetLength(block), 3u);
  FreeMemory(block);
}

TEST_F(Values, ConstantArrayIsCopiedBeforeWriting) {
  uint32_t word = reinterpret_cast<uint32_t>(g_constants.array);
  MakeArrayWritable(4, &word);
  auto* copy = reinterpret_cast<int32_t*>(word);
  ASSERT_NE(copy, g_constants.array);
  EXPECT_EQ(BlockSize(copy), 36u);  // 4 * (2 + 1) + 4 * 6
  EXPECT_EQ(std::memcmp(copy, g_constants.array, 36), 0);
  copy[3] = 99;
  EXPECT_EQ(g_constants.array[3], 1);

  const uint32_t heapWord = word;
  MakeArrayWritable(4, &word);  // already on the heap: left alone
  EXPECT_EQ(word, heapWord);
  FreeMemory(copy);
}

TEST_F(Values, IntegerConversionOfEveryNumericTag) {
  auto single = [](float f) {
    TypedValue v{0, 0, kTagFloat};
    std::memcpy(&v.low, &f, 4);
    return v;
  };
  auto dbl = [](double d) {
    TypedValue v{0, 0, kTagDouble};
    std::memcpy(&v.low, &d, 8);
    return v;
  };
  int32_t out = 0;
  struct Case {
    TypedValue value;
    int32_t expected;
  };
  const Case cases[] = {
      {single(2.9f), 2},           {single(-2.9f), -2},
      {dbl(-2.7), -2},             {dbl(1e12), 2147483647},
      {{5, 1, kTagLong}, 5},       {{0xFFFFFF80u, 0, kTagByte}, 128},
      {{0x8000, 0, kTagShort}, -32768}, {{0xFFFFFFFFu, 0, kTagInt}, -1},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(TryToInteger(c.value, &out)) << std::hex << c.value.tag;
    EXPECT_EQ(out, c.expected) << std::hex << c.value.tag;
  }
  EXPECT_FALSE(TryToInteger({1, 0, kTagText}, &out));
  EXPECT_FALSE(TryToInteger({1, 0, kTagBool}, &out));
  EXPECT_FALSE(TryToInteger({1, 0, kTagDateTime}, &out));
}

// The constants sit in a heap block of their own here, so that freeing one
// would really hand memory back: the block must stay allocated and intact.
TEST_F(Values, FreeingNullOrAConstantDoesNothing) {
  HANDLE heap = GetProcessHeap();
  auto* block = static_cast<Constants*>(HeapAlloc(heap, 0, sizeof(Constants)));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, &g_constants, sizeof(Constants));
  delete app_;
  program_.SetConstants(block, sizeof(Constants));
  app_ = new RuntimeApp(program_.Image(), 0, nullptr);
  app_->InitialiseRuntime();

  FreeMemory(nullptr);
  FreeMemory(block->array);  // the block's own address
  FreeMemory(block->text);
  const bool stillAllocated = HeapValidate(heap, 0, block) != 0;
  ASSERT_TRUE(stillAllocated);
  EXPECT_EQ(BlockSize(block), sizeof(Constants));
  EXPECT_EQ(std::memcmp(block, &g_constants, sizeof(Constants)), 0);
  delete app_;
  app_ = nullptr;
  HeapFree(heap, 0, block);
}

TEST_F(Values, ResizingAConstantCopiesUpToTheSegmentEnd) {
  auto* resized = static_cast<char*>(ResizeMemory(g_constants.text, 64));
  ASSERT_NE(resized, g_constants.text);
  EXPECT_EQ(BlockSize(resized), 64u);
  EXPECT_EQ(std::memcmp(resized, "constants!", 10), 0);
  EXPECT_EQ(g_constants.text[0], 'c');
  FreeMemory(resized);

  void* fresh = ResizeMemory(nullptr, 8);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(BlockSize(fresh), 8u);
  void* grown = ResizeMemory(fresh, 4000);
  EXPECT_EQ(BlockSize(grown), 4000u);
  FreeMemory(grown);
}

}  // namespace
