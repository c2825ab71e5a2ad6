// The upgrader's program image as the runtime sees it at start-up.
#include <gtest/gtest.h>

#include <cstring>

#include "app/program_image.h"
#include "app/subroutines.h"
#include "program_image_layout.h"
#include "runtime/compiled_calls.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/typed_value.h"

namespace {

class UpgraderImage : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = *BuildProgramImage();
    image_.templateSize = 0;  // the window registry is not under test here
    app_ = new RuntimeApp(&image_, 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  ProgramImage image_{};
  RuntimeApp* app_ = nullptr;
};

TEST_F(UpgraderImage, HeaderWords) {
  EXPECT_EQ(image_.runMode, 3u);
  EXPECT_EQ(image_.lastSerial, 106206u);
  EXPECT_EQ(app_->serialCounter, 106207);
  EXPECT_EQ(image_.libraryCount, 5u);
  EXPECT_EQ(image_.dllCommandCount, 9u);
  EXPECT_EQ(image_.codeBase, reinterpret_cast<uint32_t>(g_codeBase));
  // The code segment starts with a routine returning 0 whose third byte is
  // a bare return, right before codeBase.
  EXPECT_EQ(g_codeBase - g_codeSegment, 4);
  EXPECT_EQ(g_codeSegment[2], 0xC3);
  EXPECT_EQ(reinterpret_cast<int (*)()>(const_cast<uint8_t*>(g_codeSegment))(), 0);
}

// Where a jmp rel32 at codeBase + offset lands, or null when none is there.
const void* JumpTarget(int32_t offset) {
  const uint8_t* at = g_codeBase + offset;
  if (at[0] != 0xE9) return nullptr;
  int32_t relative;
  std::memcpy(&relative, at + 1, 4);
  return at + 5 + relative;
}

TEST_F(UpgraderImage, BoundOffsetsJumpToTheirSubroutines) {
  // The template's handler offsets come from program.desc; the code segment
  // must place each subroutine's jump at the same offset.
  EXPECT_EQ(JumpTarget(program_image::kOnBrowseClicked), reinterpret_cast<const void*>(&OnBrowseClicked));
  EXPECT_EQ(JumpTarget(program_image::kOnMainWindowCreated),
            reinterpret_cast<const void*>(&OnMainWindowCreated));
  EXPECT_EQ(JumpTarget(program_image::kOnUpgradeClicked), reinterpret_cast<const void*>(&OnUpgradeClicked));
}

TEST_F(UpgraderImage, ConstantsRangeCoversExactlyTheSegment) {
  EXPECT_EQ(app_->constantsStart, reinterpret_cast<uintptr_t>(g_constantsSegment));
  EXPECT_EQ(app_->constantsEnd, reinterpret_cast<uintptr_t>(g_constantsSegmentEnd));
  EXPECT_EQ(app_->constantsEnd - app_->constantsStart, program_image::kConstantsSize);
  EXPECT_TRUE(IsConstant(g_constantsSegment));
  EXPECT_TRUE(IsConstant(g_constantsSegment + program_image::kConstantsSize - 1));
  EXPECT_FALSE(IsConstant(g_constantsSegmentEnd));
  FreeMemory(const_cast<uint8_t*>(g_constantsSegment + program_image::kPayloadX64));  // no-op
}

TEST_F(UpgraderImage, PayloadsAreByteSetConstants) {
  const uint8_t* x64 = g_constantsSegment + program_image::kPayloadX64;
  ByteSetHeader header;
  std::memcpy(&header, x64, sizeof header);
  EXPECT_EQ(header.dimensions, 1u);
  EXPECT_EQ(header.length, program_image::kPayloadX64Length);
  EXPECT_EQ(std::memcmp(x64 + 8, "MZ", 2), 0);
  EXPECT_EQ(g_constantsSegment[program_image::kEmptyText], 0);
}

TEST_F(UpgraderImage, LibrariesAndTheirUnitTypes) {
  const LibraryInfo* core = app_->Library(kCoreLibrary);
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(core->format, kLibraryFormatWord);
  EXPECT_STREQ(reinterpret_cast<const char*>(core->displayName), "系统核心支持库");
  EXPECT_EQ(core->dataTypeCount, 51u);
  struct Expected {
    uint32_t code;
    const char* englishName;
  };
  for (const Expected& e : {Expected{0x00010001, "window"}, Expected{0x00010005, "EditBox"},
                            Expected{0x0001000A, "Label"}, Expected{0x00020001, "SuperBtn"},
                            Expected{0x00030005, "TransLabel"}}) {
    const DataTypeRecord* record = app_->FindDataTypeRecord(e.code);
    ASSERT_NE(record, nullptr) << std::hex << e.code;
    EXPECT_STREQ(reinterpret_cast<const char*>(record->englishName), e.englishName);
  }
  const DataTypeRecord* editBox = app_->FindDataTypeRecord(0x00010005);
  EXPECT_EQ(editBox->flags, 0x80000040u);
  EXPECT_EQ(editBox->propertyCount, 29u);
  EXPECT_NE(editBox->entryLookup, 0u);
  EXPECT_EQ(app_->FindDataTypeRecord(0x00040001), nullptr);  // the shell-UI library has no types
  EXPECT_EQ(app_->FindDataTypeRecord(0x00060001), nullptr);  // past the library count
}

TEST_F(UpgraderImage, DeclaredDllCommandsResolve) {
  const uint32_t kernel32 = DllCall(program_image::kDllGetModuleHandleA,
                                    {reinterpret_cast<uint32_t>(g_constantsSegment + program_image::kKernel32Name)}, 0, 0);
  EXPECT_EQ(kernel32, reinterpret_cast<uint32_t>(GetModuleHandleA("kernel32.dll")));
  EXPECT_EQ(DllCall(program_image::kDllGetCurrentProcess, {}, 0, 0), 0xFFFFFFFFu);
}

}  // namespace
