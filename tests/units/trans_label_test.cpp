// The TransLabel on a coloured window: only its text is drawn, what lies
// beneath (a picture Label, the window's background) shows around it, and a
// change leaves no trace of the old text.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/units/label_test_support.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kStatus = 0x16000002, kHidden = 0x16000003,
                   kBackdrop = 0x16000004;
constexpr COLORREF kBlue = RGB(0, 0, 255), kTeal = RGB(0, 160, 160), kRed = RGB(255, 0, 0),
                   kGreen = RGB(0, 128, 0), kPurple = RGB(128, 0, 128);
// The status label runs past the backdrop (x 10..210) over the window's teal.
constexpr RECT kBackdropRect{10, 10, 210, 70}, kStatusRect{20, 20, 260, 60},
               kOverBackdrop{20, 20, 210, 60}, kOverWindow{212, 20, 260, 60},
               kHiddenRect{20, 80, 220, 110};

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
    LabelProperties backdrop;
    ASSERT_TRUE(ResetLabelProperties(&backdrop));
    backdrop.caption.Clear();
    backdrop.backColor = kRed;  // covered by the tiles
    const std::vector<uint8_t> bmp = SolidBmp(20, 10, kBlue);
    backdrop.backPicture.Assign(bmp.data(), uint32_t(bmp.size()));
    TemplateWindow w;
    w.id = kMain;
    w.units.push_back(ColouredWindow(0x06000001, kTeal));
    // Table order is z-order from the top: the labels lie above the backdrop.
    w.units.push_back(UnitAt(kStatus, kTransLabelType, kStatusRect, TransBlock("WWWWW", kGreen)));
    w.units.push_back(UnitAt(kHidden, kTransLabelType, kHiddenRect, TransBlock("WWW", kPurple), 0));
    w.units.push_back(UnitAt(kBackdrop, kLabelType, kBackdropRect, Bytes(SaveLabelProperties(backdrop))));
    StartWithLabels({{w}});
    ASSERT_EQ(Load(kMain), 0);
    window_ = Handle(kMain, 0);
    Settle(window_);
  }
  void Write(uint32_t unit, int32_t index, uint32_t value) {
    WriteProperty(kMain, unit, index, value);
    Settle(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(TransLabelTest, ShowsWhatLiesBeneathAroundItsText) {
  EXPECT_TRUE(GetWindowLongA(Handle(kMain, kStatus), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  Pixels px(window_);
  EXPECT_GT(px.Count(kStatusRect, kGreen), 50);
  const RECT box = px.Bounds(kStatusRect, kGreen);  // left aligned, centred
  EXPECT_LT(box.left, 26);
  EXPECT_GT(box.top, 22);
  EXPECT_LT(box.bottom, 58);
  EXPECT_EQ(px.Count(kOverBackdrop, kTeal), 0) << "never erased";
  EXPECT_EQ(px.Count(kOverBackdrop, kRed), 0);
  EXPECT_GT(px.Count(kOverBackdrop, kBlue), Pixels::Area(kOverBackdrop) / 2);
  EXPECT_EQ(px.Count(kOverWindow, kTeal), Pixels::Area(kOverWindow));
}

TEST_F(TransLabelTest, ANewCaptionLeavesNoTraceOfTheOldText) {
  const RECT right{60, 20, 210, 60};
  ASSERT_GT(Pixels(window_).Count(right, kGreen), 20) << "the old text reaches past x 60";
  const char one[] = "W", none[] = "";
  Write(kStatus, 8, Addr(one));
  Pixels shorter(window_);
  EXPECT_GT(shorter.Count(RECT{20, 20, 60, 60}, kGreen), 10);
  EXPECT_EQ(shorter.Count(right, kBlue), Pixels::Area(right));
  Write(kStatus, 8, Addr(none));  // draws nothing: the picture shows whole
  Pixels empty(window_);
  EXPECT_EQ(empty.Count(kOverBackdrop, kBlue), Pixels::Area(kOverBackdrop));
  EXPECT_EQ(empty.Count(kOverWindow, kTeal), Pixels::Area(kOverWindow));
}

// A window that fails after its first message goes with its object once:
// the creation answers none, and the unit it names stays as it was.
TEST_F(TransLabelTest, ACreationThatFailsLateAnswersNone) {
  const std::vector<uint8_t> label = Bytes(SaveLabelProperties(LabelProperties{})), trans = TransBlock("W", kGreen);
  for (const auto& [entry, unit, block] : {std::tuple(&LabelTypeEntry, kBackdrop, &label),
                                           std::tuple(&TransLabelTypeEntry, kStatus, &trans)}) {
    RefusedCreation refused(Handle(kMain, unit));
    auto create = reinterpret_cast<CreateUnitFn>(entry(kEntryCreateUnit));
    EXPECT_EQ(create(block->data(), uint32_t(block->size()), 0, window_, 98, nullptr, 0, 0, 9, 9, kMain, unit, 0, 0),
              nullptr);
    EXPECT_NE(Object(kMain, unit), nullptr);
  }
}

TEST_F(TransLabelTest, AHiddenLabelMadeVisibleShowsItsTextInTextColor) {
  EXPECT_EQ(Pixels(window_).Count(kHiddenRect, kTeal), Pixels::Area(kHiddenRect));
  Write(kHidden, 11, 0x01000000 | kPurple);  // the top byte is left out
  Write(kHidden, 5, 1);
  EXPECT_GT(Pixels(window_).Count(kHiddenRect, kPurple), 30);
  // Right aligned (9 is clamped to 2): the window beneath is repainted first,
  // so nothing of the text stays on the left.
  Write(kHidden, 12, 9);
  EXPECT_EQ(ReadProperty(kMain, kHidden, 12), 2u);
  Pixels right(window_);
  EXPECT_EQ(right.Count(RECT{20, 80, 120, 110}, kPurple), 0);
  EXPECT_GT(right.Count(RECT{120, 80, 220, 110}, kPurple), 30);
  EXPECT_EQ(right.Count(kHiddenRect, RGB(0, 0, 0)), 0);
  Write(kHidden, 9, 3);  // shadow: black two pixels down and right
  EXPECT_GT(Pixels(window_).Count(kHiddenRect, RGB(0, 0, 0)), 10);
}

}  // namespace
