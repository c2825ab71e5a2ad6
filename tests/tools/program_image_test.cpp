// The application's program image data as add_program_image embeds it: the
// constants segment and the window template, read back through the
// template reader and the unit property loaders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "forms/template_writer.h"
#include "forms/window_properties.h"
#include "forms/window_template.h"
#include "program_image_layout.h"
#include "tests/forms/template_test_support.h"
#include "units/edit_box_properties.h"
#include "units/label_properties.h"
#include "units/super_button_properties.h"
#include "units/trans_label_properties.h"

namespace pi = program_image;

// From the template test support: a SuperBtn's property block.
std::vector<uint8_t> SuperBtnPropertyBlock(const std::string& caption);

namespace {

uint32_t WordAt(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

std::string TextAt(uint32_t offset) {
  return reinterpret_cast<const char*>(g_constantsSegment + offset);
}

// "正在升级 PE软件包 请稍等..."
const char kWaitText[] = "\xd5\xfd\xd4\xda\xc9\xfd\xbc\xb6 PE\xc8\xed\xbc\xfe\xb0\xfc \xc7\xeb\xc9\xd4\xb5\xc8...";

}  // namespace

size_t TextBytes(uint32_t offset) { return TextAt(offset).size() + 1; }

TEST(ConstantsSegment, SizesAndOrder) {
  ASSERT_EQ(uint32_t(g_constantsSegmentEnd - g_constantsSegment), pi::kConstantsSize);
  // The order of the table of constants, packed without gaps.
  const uint32_t order[] = {pi::kOpenTitle,     pi::kArchiverFileName, pi::kPayloadX64,
                            pi::kEmptyText,     pi::kPayloadX86,       pi::kKernel32Name,
                            pi::kWow64DirectoryName, pi::kZedovavDirectory, pi::kQuoteSpace,
                            pi::kArchiveSwitch, pi::kArchiverCommand,  pi::kQuote,
                            pi::kListCommand,   pi::kLibraryPayloadX64};
  const size_t sizes[] = {5, 16, 8 + pi::kPayloadX64Length, 1, 8 + pi::kPayloadX86Length, 13, 25, 9, 3,
                          TextBytes(pi::kArchiveSwitch), TextBytes(pi::kArchiverCommand), 2,
                          TextBytes(pi::kListCommand)};
  EXPECT_EQ(order[0], 0u);
  for (size_t i = 1; i < std::size(order); ++i) EXPECT_EQ(order[i], order[i - 1] + sizes[i - 1]) << i;
}

TEST(ConstantsSegment, Texts) {
  EXPECT_EQ(TextAt(pi::kOpenTitle), "\xb4\xf2\xbf\xaa");  // "打开"
  EXPECT_EQ(TextAt(pi::kArchiverFileName), "\\data\\PE\\7z.exe");
  // The shared empty text is one zero byte.
  EXPECT_EQ(g_constantsSegment[pi::kEmptyText], 0);
  EXPECT_EQ(pi::kPayloadX86, pi::kEmptyText + 1);
  EXPECT_EQ(TextAt(pi::kKernel32Name), "kernel32.dll");
  EXPECT_EQ(TextAt(pi::kWow64DirectoryName), "GetSystemWow64DirectoryA");
  EXPECT_EQ(TextAt(pi::kZedovavDirectory), "\\ZEDOVAV");
  EXPECT_EQ(TextAt(pi::kQuoteSpace), "\" ");
  // The archiver's command lines: the run directory goes between the
  // quote and each piece, so every path on them is quoted.
  EXPECT_EQ(TextAt(pi::kQuote), "\"");
  EXPECT_EQ(TextAt(pi::kArchiveSwitch), "\\PE\\ZEDOVAV.7z\" -o\"");
  EXPECT_EQ(TextAt(pi::kArchiverCommand), "\\data\\PE\\7z.exe\" -aoa x -y -bsp1 -bb0 -sccUTF-8 -pZEDOVAV-no-password \"");
  EXPECT_EQ(TextAt(pi::kListCommand), "\\data\\PE\\7z.exe\" l -slt -ba -sccUTF-8 -pZEDOVAV-no-password \"");
}

// Each payload block holds its npm file byte for byte, and the digest the
// description records is the file's (by CMake's SHA-256).
TEST(ConstantsSegment, PayloadsAreByteSetsOfTheRecordedBuilds) {
  struct Payload {
    uint32_t offset, length;
    const char *sha256, *path, *fileSha256;
  };
  for (Payload p : {Payload{pi::kPayloadX64, pi::kPayloadX64Length, pi::kPayloadX64Sha256, PAYLOAD_X64_PATH,
                            PAYLOAD_X64_SHA256},
                    Payload{pi::kPayloadX86, pi::kPayloadX86Length, pi::kPayloadX86Sha256, PAYLOAD_X86_PATH,
                            PAYLOAD_X86_SHA256},
                    Payload{pi::kLibraryPayloadX64, pi::kLibraryPayloadX64Length, pi::kLibraryPayloadX64Sha256,
                            LIBRARY_X64_PATH, LIBRARY_X64_SHA256},
                    Payload{pi::kLibraryPayloadX86, pi::kLibraryPayloadX86Length, pi::kLibraryPayloadX86Sha256,
                            LIBRARY_X86_PATH, LIBRARY_X86_SHA256}}) {
    SCOPED_TRACE(p.path);
    const uint8_t* block = g_constantsSegment + p.offset;
    EXPECT_EQ(WordAt(block), 1u);
    EXPECT_EQ(WordAt(block + 4), p.length);
    EXPECT_STREQ(p.sha256, p.fileSha256);
    FILE* file = std::fopen(p.path, "rb");
    ASSERT_TRUE(file);
    std::vector<uint8_t> bytes(p.length + 1);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    ASSERT_EQ(got, p.length);
    EXPECT_EQ(std::memcmp(block + 8, bytes.data(), got), 0);
    EXPECT_EQ(std::memcmp(block + 8, "MZ", 2), 0);
  }
  // The libraries follow the texts above, from the same release: the x64
  // 7z.exe does not load the x86 7z.dll and the other way round.
  EXPECT_EQ(pi::kLibraryPayloadX86, pi::kLibraryPayloadX64 + 8 + pi::kLibraryPayloadX64Length);
  // The PE machine words: 0x8664 for the x64 builds, 0x14C for the x86 ones.
  auto machine = [](uint32_t offset) {
    const uint8_t* image = g_constantsSegment + offset + 8;
    return WordAt(image + WordAt(image + 0x3C) + 4) & 0xFFFF;
  };
  EXPECT_EQ(machine(pi::kPayloadX64), 0x8664u);
  EXPECT_EQ(machine(pi::kLibraryPayloadX64), 0x8664u);
  EXPECT_EQ(machine(pi::kPayloadX86), 0x14Cu);
  EXPECT_EQ(machine(pi::kLibraryPayloadX86), 0x14Cu);
  // The 7-Zip 26.03 builds of the pinned npm package.
  EXPECT_EQ(pi::kPayloadX64Length, 577536u);
  EXPECT_STREQ(pi::kPayloadX64Sha256, "6ee3c0ed0b27663c1b948ae85a7c0bb073aed1498983182f3f0df1f6a8c30b2f");
  EXPECT_EQ(pi::kPayloadX86Length, 358912u);
  EXPECT_STREQ(pi::kPayloadX86Sha256, "cd74719140d12a6c837a6f78257df326f79b1a6ffcd632e9a2048e278899b733");
}

TEST(ConstantsSegment, DllNamesCloseTheSegment) {
  // The names follow the last text constant; ntdll and user32 serve the
  // few that are theirs, kernel32 the rest.
  const uint32_t textsEnd = pi::kCommitUnfinished + TextBytes(pi::kCommitUnfinished);
  const uint32_t user32[] = {pi::kDllMessageBoxA,     pi::kDllFindWindowExA,   pi::kDllGetWindowThreadProcessId,
                             pi::kDllIsWindowVisible, pi::kDllSendMessageA,    pi::kDllPeekMessageA,
                             pi::kDllTranslateMessage, pi::kDllDispatchMessageA};
  for (uint32_t i = 0; i < pi::kDllCommandCount; ++i) {
    EXPECT_GE(pi::kDllFunctionNames[i], textsEnd);
    EXPECT_GE(pi::kDllLibraryNames[i], pi::kKernel32Name);
    const bool inUser32 = std::find(std::begin(user32), std::end(user32), i) != std::end(user32);
    const char* library = i == pi::kDllNtQueryInformationProcess ? "ntdll.dll"
                          : inUser32                             ? "user32.dll"
                                                                 : "kernel32.dll";
    EXPECT_EQ(TextAt(pi::kDllLibraryNames[i]), library) << TextAt(pi::kDllFunctionNames[i]);
  }
  EXPECT_EQ(TextAt(pi::kDllFunctionNames[pi::kDllGetCurrentProcess]), "GetCurrentProcess");
  EXPECT_EQ(TextAt(pi::kDllFunctionNames[pi::kDllLstrcpyn]), "lstrcpyn");
  EXPECT_EQ(TextAt(pi::kDllFunctionNames[pi::kDllGetFileInformationByHandle]), "GetFileInformationByHandle");
  // "kernel32.dll" is the constant's; the last name ends the segment.
  EXPECT_EQ(pi::kDllLibraryNames[pi::kDllGetModuleHandleA], pi::kKernel32Name);
  const uint32_t last = pi::kDllFunctionNames[pi::kDllCommandCount - 1];
  EXPECT_EQ(last + TextBytes(last), pi::kConstantsSize);
}

namespace {

struct ExpectedUnit {
  UnitId id;
  uint32_t type;
  const char* name;
  int32_t left, top, width, height;
  uint32_t flags;
  int32_t handler;  // -1 none
  int32_t event = 0;
};

constexpr uint32_t kVisible = kUnitVisible, kTab = kUnitTabStop;

const ExpectedUnit kMainUnits[] = {
    {0x06010000, kUnitTypeWindow, "", 50, 50, 350, 187, kVisible, 0x44A},
    {0x1601000E, kUnitTypeTransLabel, "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9" "3", 48, 112, 304, 36, 0, -1},
    {0x16010007, kUnitTypeTransLabel, "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9" "2", 20, 40, 248, 24, kVisible, -1},
    {0x16010006, kUnitTypeSuperBtn, "\xb3\xac\xbc\xb6\xb0\xb4\xc5\xa5" "2", 272, 72, 56, 24, kVisible | kTab, 0x72E},
    {0x16010005, kUnitTypeTransLabel, "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9" "1", 24, 8, 296, 24, kVisible, -1},
    {0x16010004, kUnitTypeSuperBtn, "\xb3\xac\xbc\xb6\xb0\xb4\xc5\xa5" "1", 192, 72, 56, 24, kVisible | kTab, 0},
    {0x16010003, kUnitTypeEditBox, "\xb1\xe0\xbc\xad\xbf\xf2" "1", 94, 76, 80, 20, kVisible | kTab, -1},
    {0x16010002, kUnitTypeLabel, "\xb1\xea\xc7\xa9" "1", 16, 72, 80, 24, kVisible, -1},
};
// The wait window's own binding is its close request (event 12); 取消 beside the label.
const ExpectedUnit kWaitUnits[] = {
    {0x0601000b, kUnitTypeWindow, "", 50, 50, 332, 61, kVisible, 0x810, 12},
    {0x1601000d, kUnitTypeTransLabel, "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9" "1", 12, 13, 248, 36, kVisible, -1},
    {0x1601000f, kUnitTypeSuperBtn, "\xb3\xac\xbc\xb6\xb0\xb4\xc5\xa5" "1", 266, 18, 56, 24, kVisible | kTab, 0x800},
};

constexpr uint32_t kCodeBase = 0x00401000;

class ApplicationTemplate : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(uint32_t(g_templateSegmentEnd - g_templateSegment), pi::kTemplateSize);
    ASSERT_TRUE(LoadTemplate(&registry_, g_templateSegment, pi::kTemplateSize, kCodeBase));
  }
  void TearDown() override { FreeWindowTemplate(&registry_); }

  // The property block of unit `index` of window `window`.
  void Block(uint32_t window, uint32_t index, const uint8_t** start, uint32_t* length) {
    uint32_t size = 0;
    const uint8_t* record = UnitRecordAt(WindowRecordAt(registry_, window)->live, index, &size);
    ASSERT_TRUE(record);
    ASSERT_TRUE(PropertyBlockOf(record, size, start, length));
  }

  void ExpectUnits(uint32_t window, const ExpectedUnit* expected, size_t count);

  WindowTemplate registry_{};
};

void ApplicationTemplate::ExpectUnits(uint32_t window, const ExpectedUnit* expected, size_t count) {
  const UnitTable& table = WindowRecordAt(registry_, window)->live;
  ASSERT_EQ(table.count, count);
  for (uint32_t i = 0; i < count; ++i) {
    const ExpectedUnit& e = expected[i];
    SCOPED_TRACE(testing::Message() << std::hex << e.id);
    EXPECT_EQ(UnitIdAt(table, i), e.id);
    uint32_t size = 0;
    const uint8_t* r = UnitRecordAt(table, i, &size);
    UnitRecordLayout l;
    ASSERT_TRUE(RecordOf(table, i, &l));
    EXPECT_EQ(WordAt(r + kRecordTypeCode), e.type);
    EXPECT_EQ(WordAt(r + kRecordEventLink), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + l.name), l.nameLength), e.name);
    EXPECT_EQ(l.commentLength, 0u);
    EXPECT_EQ(int32_t(WordAt(r + l.left)), e.left);
    EXPECT_EQ(int32_t(WordAt(r + l.top)), e.top);
    EXPECT_EQ(int32_t(WordAt(r + l.width)), e.width);
    EXPECT_EQ(int32_t(WordAt(r + l.height)), e.height);
    EXPECT_EQ(WordAt(r + l.flags), e.flags);
    EXPECT_EQ(WordAt(r + l.parent), 0u);
    EXPECT_EQ(WordAt(r + l.tabOrder), 0u);
    EXPECT_EQ(l.tagLength, 0u);
    EXPECT_EQ(l.childCountValue, 0u);
    ASSERT_EQ(l.mousePointerLength, 4u);
    EXPECT_EQ(WordAt(r + l.mousePointerData), 0u);
    EXPECT_EQ(l.bindingCountValue, e.handler < 0 ? 0u : 1u);
    uint32_t handler = BindingHandler(r, l, e.event);
    EXPECT_EQ(handler, e.handler < 0 ? 0u : kCodeBase + uint32_t(e.handler));
  }
}

}  // namespace

TEST_F(ApplicationTemplate, WindowsAndUnitsInTableOrder) {
  ASSERT_EQ(WindowCount(registry_), 2u);
  uint32_t index = 9;
  ASSERT_TRUE(FindWindowRecord(registry_, pi::kMainWindow, &index));
  EXPECT_EQ(index, 0u);
  ASSERT_TRUE(FindWindowRecord(registry_, pi::kWaitWindow, &index));
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(pi::kMainWindow, 0x52010001u);
  EXPECT_EQ(pi::kWaitWindow, 0x5201000cu);
  EXPECT_EQ(WindowRecordAt(registry_, 0)->a, 1);
  EXPECT_EQ(WindowRecordAt(registry_, 0)->b, 0x19010008);
  EXPECT_EQ(WindowRecordAt(registry_, 1)->b, 0);
  EXPECT_EQ(WindowRecordAt(registry_, 0)->s1Length + WindowRecordAt(registry_, 0)->s2Length, 0u);
  ExpectUnits(0, kMainUnits, std::size(kMainUnits));
  ExpectUnits(1, kWaitUnits, std::size(kWaitUnits));
  EXPECT_EQ(pi::kOnMainWindowCreated, 0x44A);
  EXPECT_EQ(pi::kOnUpgradeClicked, 0x72E);
  EXPECT_EQ(pi::kOnBrowseClicked, 0);
  EXPECT_EQ(pi::kOnCancelClicked, 0x800);
  EXPECT_EQ(pi::kOnWaitWindowClosing, 0x810);
}

TEST_F(ApplicationTemplate, WindowProperties) {
  for (uint32_t window : {0u, 1u}) {
    SCOPED_TRACE(window);
    const uint8_t* start;
    uint32_t length;
    Block(window, 0, &start, &length);
    EXPECT_EQ(length, 100u);
    WindowProperties p;
    ASSERT_TRUE(LoadWindowProperties(&p, start, length));
    EXPECT_EQ(WordAt(start), 6u);
    EXPECT_EQ(p.borderStyle, window == 0 ? 2 : 0);
    EXPECT_EQ(p.backPictureMode, 1);
    EXPECT_EQ(p.backColor, 0xFFFFFFu);
    EXPECT_EQ(p.maxButton, 0);
    EXPECT_EQ(p.minButton, 1);
    EXPECT_EQ(p.controlBox, 1);
    EXPECT_EQ(p.position, 1);
    EXPECT_EQ(p.movable, 1);
    EXPECT_EQ(p.soundPlayMode, 0);
    EXPECT_EQ(p.enterMovesFocus, 0);
    EXPECT_EQ(p.escCloses, 1);
    EXPECT_EQ(p.f1Help, 0);
    EXPECT_EQ(p.helpContext, 0);
    EXPECT_EQ(p.showInTaskbar, 1);
    EXPECT_EQ(p.dragAnywhere, 0);
    EXPECT_EQ(p.shape, 0);
    EXPECT_EQ(p.alwaysOnTop, 0);
    EXPECT_EQ(p.keepTitleActive, 0);
    EXPECT_TRUE(p.windowClass.empty() && p.backPicture.empty() && p.icon.empty() && p.backSound.empty() &&
                p.caption.empty() && p.helpFile.empty());
  }
}

TEST_F(ApplicationTemplate, TransLabels) {
  struct Expected {
    uint32_t window, index;
    const char* caption;
    uint32_t textColor;
    bool bigFont;
  };
  const Expected labels[] = {
      {0, 1, kWaitText, 0xFF8080, true},
      {0, 2, "\xd6\xf7\xb3\xcc\xd0\xf2\xc9\xfd\xbc\xb6\xcd\xea\xb3\xc9\xba\xf3 \xd4\xd9\xb2\xd9\xd7\xf7\xb1\xbe\xb3\xcc\xd0\xf2",
       0xE03058, false},
      {0, 4,
       "\xb1\xbe\xb3\xcc\xd0\xf2\xd6\xf7\xd2\xaa\xd3\xc3\xd3\xda \xbe\xc9\xb0\xe6PE\xc3\xe2\xb8\xf1\xc9\xfd\xbc\xb6"
       "\xd0\xc2\xb0\xe6 \xc9\xfd\xbc\xb6PE\xc8\xed\xbc\xfe\xb0\xfc",
       0x000000, false},
      {1, 1, kWaitText, 0xFF8080, true},
  };
  for (const Expected& e : labels) {
    SCOPED_TRACE(testing::Message() << e.window << "/" << e.index);
    const uint8_t* start;
    uint32_t length;
    Block(e.window, e.index, &start, &length);
    TransLabelProperties p;
    ASSERT_TRUE(LoadTransLabelProperties(&p, start, length));
    EXPECT_EQ(WordAt(start), 1u);
    EXPECT_STREQ(p.caption.text(), e.caption);
    EXPECT_EQ(p.textColor, e.textColor);
    EXPECT_EQ(p.effect, 0);
    EXPECT_EQ(p.hAlign, 0);
    EXPECT_EQ(p.vAlign, 1);
    EXPECT_EQ(p.wordWrap, 0);
    LogFontBytes font{};
    ASSERT_EQ(FontOf(p.font, &font), e.bigFont);
    if (!e.bigFont) continue;
    EXPECT_EQ(font.height, -19);
    EXPECT_EQ(font.width, 0);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.italic + font.underline + font.strikeOut, 0);
    EXPECT_EQ(font.charSet, 134);
    EXPECT_EQ(font.outPrecision, 3);
    EXPECT_EQ(font.clipPrecision, 2);
    EXPECT_EQ(font.quality, 1);
    EXPECT_EQ(font.pitchAndFamily, 0x22);
    EXPECT_STREQ(font.faceName, "\xce\xa2\xc8\xed\xd1\xc5\xba\xda");  // "微软雅黑"
  }
}

TEST_F(ApplicationTemplate, ButtonsEditBoxAndLabel) {
  const ButtonSystemColours face = {0x000000, 0xF0F0F0};
  const char* captions[] = {"\xc9\xfd\xbc\xb6", "\xe4\xaf\xc0\xc0"};  // "升级", "浏览"
  for (uint32_t i = 0; i < 2; ++i) {
    const uint8_t* start;
    uint32_t length;
    Block(0, i == 0 ? 3 : 5, &start, &length);
    SuperBtnProperties p;
    ASSERT_TRUE(LoadSuperBtnProperties(&p, start, length, {1, 2}));
    EXPECT_EQ(WordAt(start), 2u);
    EXPECT_STREQ(p.caption.text(), captions[i]);
    // Reset values otherwise: flat look, system colours, default font.
    SuperBtnProperties reset;
    ASSERT_TRUE(ResetSuperBtnProperties(&reset, face));
    ASSERT_TRUE(reset.caption.AssignText(captions[i]));
    PropertyBytes expected = SaveSuperBtnProperties(reset);
    EXPECT_EQ(std::vector<uint8_t>(start, start + length),
              std::vector<uint8_t>(expected.data(), expected.data() + expected.size()));
    EXPECT_EQ(p.btnStyle, 0);
    EXPECT_EQ(p.defaultColor, 1);
    EXPECT_TRUE(p.font.empty());
  }

  const uint8_t* start;
  uint32_t length;
  Block(0, 6, &start, &length);
  EXPECT_EQ(length, 0u);  // the EditBox: all reset values
  EditBoxProperties edit;
  ASSERT_TRUE(LoadEditBoxProperties(&edit, start, length));
  EXPECT_EQ(edit.border, 1);

  Block(0, 7, &start, &length);
  LabelProperties label;
  ASSERT_TRUE(LoadLabelProperties(&label, start, length));
  EXPECT_EQ(WordAt(start), 2u);
  EXPECT_STREQ(label.caption.text(), "U\xc5\xcc\xc5\xcc\xb7\xfb\xc4\xbf\xc2\xbc:");  // "U盘盘符目录:"
  EXPECT_EQ(label.backColor, 0xFFFFFFu);
  EXPECT_EQ(label.border, 0);
  EXPECT_EQ(label.gradientBorderWidth, 8);
  EXPECT_EQ(label.backPictureMode, 1);
  EXPECT_EQ(label.vAlign, 1);
}

// The tool's segment against the template laid out field by field by hand:
// every byte, including the reserved words and each unit's stored colours.
TEST(ApplicationTemplateBytes, EqualTheHandWrittenTemplate) {
  // The tool's wait window beyond the worked example: its close request
  // bound, the label narrowed, and 取消 beside it.
  TemplateDescription tool = WorkedExampleTemplate();
  TemplateWindow& wait = tool.windows[1];
  wait.units[0].bindings.push_back({12, 0x810});
  wait.units[1].left = 12;
  wait.units[1].width = 248;
  TemplateUnit cancel;
  cancel.id = 0x1601000f;
  cancel.typeCode = kUnitTypeSuperBtn;
  cancel.name = "\xb3\xac\xbc\xb6\xb0\xb4\xc5\xa5" "1";
  cancel.left = 266, cancel.top = 18, cancel.width = 56, cancel.height = 24;
  cancel.flags = kUnitVisible | kUnitTabStop;
  cancel.propertyBlock = SuperBtnPropertyBlock("\xc8\xa1\xcf\xfb");  // "取消"
  cancel.bindings.push_back({0, 0x800});
  wait.units.push_back(cancel);
  std::vector<uint8_t> expected;
  ASSERT_TRUE(WriteTemplate(tool, &expected));
  ASSERT_EQ(expected.size(), pi::kTemplateSize);
  EXPECT_EQ(std::vector<uint8_t>(g_templateSegment, g_templateSegmentEnd), expected);
}

TEST_F(ApplicationTemplate, SerialsStayWithinTheLastSerial) {
  for (uint32_t w = 0; w < WindowCount(registry_); ++w) {
    EXPECT_LE(IdSerial(registry_.ids[w]), pi::kLastSerial);
    const UnitTable& table = WindowRecordAt(registry_, w)->live;
    for (uint32_t i = 0; i < table.count; ++i) EXPECT_LE(IdSerial(UnitIdAt(table, i)), pi::kLastSerial);
  }
}
