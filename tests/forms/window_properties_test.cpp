#include "forms/window_properties.h"

#include <gtest/gtest.h>

#include "tests/units/property_test_support.h"

namespace {

// Every field differs from its reset value and from its neighbours.
std::vector<uint8_t> SampleBlock(int32_t version) {
  BlockBuilder b;
  b.Int32(version)
      .Int32(5)          // BorderStyle
      .Int32(3)          // BackPictureMode
      .Int32(0x123456)   // BackColor
      .Int32(1)          // MaxButton
      .Int32(0)          // MinButton
      .Int32(0)          // ControlBox
      .Int32(2)          // Position
      .Int32(0)          // Movable
      .Int32(2)          // SoundPlayMode
      .Int32(1)          // EnterMovesFocus
      .Int32(1)          // EscCloses
      .Int32(1)          // F1Help
      .Int32(77);        // HelpContext
  if (version > 1) b.Int32(0);           // ShowInTaskbar
  if (version > 2) b.Int32(1).Int32(9);  // DragAnywhere, Shape
  if (version > 3) b.Int32(1);           // AlwaysOnTop
  if (version > 4) b.Int32(1);           // KeepTitleActive
  if (version > 5) b.Counted("MyClass");
  b.Counted("BMpicture").Counted("icon").Counted("RIFFsound").Counted("\xb4\xf2\xbf\xaa").Counted("help.hlp");
  return b.bytes();
}

bool Load(WindowProperties* p, const std::vector<uint8_t>& block) {
  auto copy = ExactCopy(block, block.size());
  return LoadWindowProperties(p, copy.get(), static_cast<uint32_t>(block.size()));
}

}  // namespace

TEST(WindowProperties, ResetValues) {
  WindowProperties p;
  ASSERT_TRUE(LoadWindowProperties(&p, nullptr, 0));
  EXPECT_EQ(p.borderStyle, 2);
  EXPECT_EQ(p.backPictureMode, 1);
  EXPECT_EQ(p.controlBox, 1);
  EXPECT_EQ(p.minButton, 1);
  EXPECT_EQ(p.maxButton, 0);
  EXPECT_EQ(p.movable, 1);
  EXPECT_EQ(p.showInTaskbar, 1);
  EXPECT_EQ(p.shape, 0);
  EXPECT_TRUE(p.caption.empty());
  EXPECT_TRUE(p.windowClass.empty());
}

TEST(WindowProperties, LoadsEveryAcceptedVersion) {
  for (int32_t version = 0; version <= 6; ++version) {
    SCOPED_TRACE(version);
    WindowProperties p;
    ASSERT_TRUE(Load(&p, SampleBlock(version)));
    EXPECT_EQ(p.borderStyle, 5);
    EXPECT_EQ(p.backPictureMode, 3);
    EXPECT_EQ(p.backColor, 0x123456u);
    EXPECT_EQ(p.maxButton, 1);
    EXPECT_EQ(p.minButton, 0);
    EXPECT_EQ(p.controlBox, 0);
    EXPECT_EQ(p.position, 2);
    EXPECT_EQ(p.movable, 0);
    EXPECT_EQ(p.soundPlayMode, 2);
    EXPECT_EQ(p.enterMovesFocus, 1);
    EXPECT_EQ(p.escCloses, 1);
    EXPECT_EQ(p.f1Help, 1);
    EXPECT_EQ(p.helpContext, 77);
    // Fields of later versions keep their reset values.
    EXPECT_EQ(p.showInTaskbar, version > 1 ? 0 : 1);
    EXPECT_EQ(p.dragAnywhere, version > 2 ? 1 : 0);
    EXPECT_EQ(p.shape, version > 2 ? 9 : 0);
    EXPECT_EQ(p.alwaysOnTop, version > 3 ? 1 : 0);
    EXPECT_EQ(p.keepTitleActive, version > 4 ? 1 : 0);
    EXPECT_EQ(Text(p.windowClass), version > 5 ? "MyClass" : "");
    EXPECT_EQ(Text(p.backPicture), "BMpicture");
    EXPECT_EQ(Text(p.icon), "icon");
    EXPECT_EQ(Text(p.backSound), "RIFFsound");
    EXPECT_STREQ(p.caption.text(), "\xb4\xf2\xbf\xaa");
    EXPECT_EQ(Text(p.helpFile), "help.hlp");
  }
}

TEST(WindowProperties, RejectsOtherVersions) {
  WindowProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(6)));
  EXPECT_FALSE(Load(&p, SampleBlock(7)));
  EXPECT_FALSE(Load(&p, SampleBlock(-1)));
  EXPECT_EQ(p.borderStyle, 5);
}

TEST(WindowProperties, SaveThenLoadIsTheIdentity) {
  WindowProperties p;
  ASSERT_TRUE(Load(&p, SampleBlock(6)));
  PropertyBytes saved = SaveWindowProperties(p);
  EXPECT_EQ(Bytes(saved), SampleBlock(6));
  WindowProperties back;
  ASSERT_TRUE(LoadWindowProperties(&back, saved.data(), saved.size()));
  EXPECT_EQ(Bytes(SaveWindowProperties(back)), Bytes(saved));
}

TEST(WindowProperties, TheApplicationsWindowBlockIs100Bytes) {
  WindowProperties p;
  p.backColor = 0xFFFFFF;
  p.position = 1;
  p.escCloses = 1;
  PropertyBytes saved = SaveWindowProperties(p);
  EXPECT_EQ(saved.size(), 100u);
}

TEST(WindowProperties, TruncatedBlocksFail) {
  WindowProperties p;
  for (int32_t version : {0, 6}) {
    int loaded = CountLoadedPrefixes(SampleBlock(version), [&p](const uint8_t* data, uint32_t size) {
      return LoadWindowProperties(&p, data, size);
    });
    EXPECT_EQ(loaded, 0) << version;
  }
  EXPECT_EQ(p.borderStyle, 2);
}
