// The TransLabel on a real window: only its text is drawn, what lies
// beneath (a picture Label, the window's background) shows around it, and a
// change leaves no trace of the old text.
#include <gtest/gtest.h>

#include "runtime/values.h"
#include "tests/units/label_test_support.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kBackdrop = 0x16000002, kStatus = 0x16000003, kHidden = 0x16000004;

constexpr COLORREF kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0), kPurple = RGB(128, 0, 128);

// The backdrop spans x 10..210; the status label 20..260 runs past it over
// the window's white.
constexpr RECT kStatusRect{20, 20, 260, 60};
constexpr RECT kOverBackdrop{20, 20, 210, 60};
constexpr RECT kOverWindow{212, 20, 260, 60};
constexpr RECT kHiddenRect{20, 80, 220, 110};

std::vector<uint8_t> TransBlock(const char* caption, COLORREF colour) {
  TransLabelProperties p;
  EXPECT_TRUE(ResetTransLabelProperties(&p));
  p.caption.AssignText(caption);
  p.textColor = colour;
  const std::vector<uint8_t> font = BoldFont(24);
  p.font.Assign(font.data(), uint32_t(font.size()));
  return Bytes(SaveTransLabelProperties(p));
}

class TransLabelTest : public LabelFormTest {
 protected:
  void SetUp() override {
    TemplateWindow w;
    w.id = kMain;
    w.units.push_back(TestWindowUnit(kMainUnit));
    LabelProperties backdrop;
    ASSERT_TRUE(ResetLabelProperties(&backdrop));
    backdrop.caption.Clear();
    backdrop.backColor = kRed;  // covered by the tiles
    const std::vector<uint8_t> bmp = SolidBmp(20, 10, kBlue);
    backdrop.backPicture.Assign(bmp.data(), uint32_t(bmp.size()));
    // Table order is z-order from the top: the labels lie above the backdrop.
    w.units.push_back(UnitAt(kStatus, kTransLabelType, 20, 20, 240, 40, TransBlock("WWWWW", kGreen)));
    w.units.push_back(UnitAt(kHidden, kTransLabelType, 20, 80, 200, 30, TransBlock("WWW", kPurple), 0));
    w.units.push_back(UnitAt(kBackdrop, kLabelType, 10, 10, 200, 60, Bytes(SaveLabelProperties(backdrop))));
    StartWithLabels({{w}});
    ASSERT_EQ(Load(kMain), 0);
    window_ = Handle(kMain, 0);
    ASSERT_NE(window_, nullptr);
    Settle(window_);
  }
  void WriteCaption(uint32_t unit, const char* caption) {
    WriteProperty(kMain, unit, 8, Addr(caption));
    Settle(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(TransLabelTest, ShowsWhatLiesBeneathAroundItsText) {
  HWND status = Handle(kMain, kStatus);
  EXPECT_TRUE(GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  Pixels px(window_);
  const int text = px.Count(kStatusRect, kGreen);
  EXPECT_GT(text, 50);
  // Left aligned, vertically centred.
  const RECT box = px.Bounds(kStatusRect, kGreen);
  EXPECT_LT(box.left, 20 + 6);
  EXPECT_GT(box.top, 20 + 2);
  EXPECT_LT(box.bottom, 60 - 2);
  // Around the text: the picture, never an erased background.
  EXPECT_EQ(px.Count(kOverBackdrop, kWhite), 0);
  EXPECT_EQ(px.Count(kOverBackdrop, kRed), 0);
  EXPECT_GT(px.Count(kOverBackdrop, kBlue), px.Area(kOverBackdrop) / 2);
  // Past the picture: the window's own white.
  EXPECT_EQ(px.Count(kOverWindow, kWhite), px.Area(kOverWindow));
}

TEST_F(TransLabelTest, ANewCaptionLeavesNoTraceOfTheOldText) {
  {
    Pixels px(window_);
    ASSERT_GT(px.Count(RECT{60, 20, 210, 60}, kGreen), 20) << "the old text reaches past x 60";
  }
  WriteCaption(kStatus, "W");
  {
    Pixels px(window_);
    EXPECT_GT(px.Count(RECT{20, 20, 60, 60}, kGreen), 10);
    EXPECT_EQ(px.Count(RECT{60, 20, 210, 60}, kGreen), 0);
    EXPECT_EQ(px.Count(RECT{60, 20, 210, 60}, kBlue), 150 * 40);
  }
  // The empty caption draws nothing: the picture shows whole again.
  WriteCaption(kStatus, "");
  Pixels px(window_);
  EXPECT_EQ(px.Count(kOverBackdrop, kBlue), px.Area(kOverBackdrop));
  EXPECT_EQ(px.Count(kOverWindow, kWhite), px.Area(kOverWindow));
}

TEST_F(TransLabelTest, AHiddenLabelMadeVisibleShowsItsTextInTextColor) {
  {
    Pixels px(window_);
    EXPECT_EQ(px.Count(kHiddenRect, kWhite), px.Area(kHiddenRect));
  }
  WriteProperty(kMain, kHidden, 5, 1);
  Settle(window_);
  {
    Pixels px(window_);
    EXPECT_GT(px.Count(kHiddenRect, kPurple), 30);
    EXPECT_EQ(px.Count(kHiddenRect, RGB(0, 0, 0)), 0);
  }
  // Right aligned: the window beneath is repainted first, so nothing of the
  // text stays on the left.
  WriteProperty(kMain, kHidden, 12, 2);
  Settle(window_);
  {
    Pixels px(window_);
    EXPECT_EQ(px.Count(RECT{20, 80, 120, 110}, kPurple), 0);
    EXPECT_GT(px.Count(RECT{120, 80, 220, 110}, kPurple), 30);
  }
  // Shadow effect: black two pixels down and right of the text.
  WriteProperty(kMain, kHidden, 9, 3);
  Settle(window_);
  Pixels px(window_);
  EXPECT_GT(px.Count(kHiddenRect, RGB(0, 0, 0)), 10);
  EXPECT_EQ(ReadProperty(kMain, kHidden, 9), 3u);
  WriteProperty(kMain, kHidden, 12, 9);
  EXPECT_EQ(ReadProperty(kMain, kHidden, 12), 2u);
}

TEST_F(TransLabelTest, MovingLeavesNothingBehindAndDrawsOverThePictureAtTheNewPlace) {
  WriteProperty(kMain, kStatus, 1, 35);  // top: 20 -> 35
  Settle(window_);
  Pixels px(window_);
  // The upper rows the text left are picture again.
  EXPECT_EQ(px.Count(RECT{20, 20, 210, 35}, kGreen), 0);
  ASSERT_GT(px.Count(RECT{20, 35, 260, 75}, kGreen), 50);
  const RECT box = px.Bounds(RECT{20, 35, 260, 75}, kGreen);
  EXPECT_GT(box.top, 35 + 2);
  EXPECT_EQ(px.Count(RECT{20, 35, 210, 70}, kWhite), 0);
}

}  // namespace
