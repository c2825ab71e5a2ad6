// The Label on a real window: the picture background and its scaling, the
// gradient border and background, the caption's layout, the saved block and
// the Notified event, read back as pixels and values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/typed_value.h"
#include "runtime/values.h"
#include "tests/units/label_test_support.h"
#include "units/label_text.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kPicture = 0x16000002, kFrame = 0x16000003,
                   kGradient = 0x16000004, kText = 0x16000005;
constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0),
                   kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
constexpr RECT kPictureRect{0, 0, 100, 100}, kFrameRect{110, 0, 170, 40},
               kGradientRect{0, 110, 120, 150}, kTextRect{180, 0, 280, 60};

std::vector<std::pair<uint32_t, uint32_t>> g_notified;
bool g_notifiedReturns = false;

void __cdecl OnNotified(uint32_t wParam, uint32_t lParam, EventResult* result) {
  g_notified.emplace_back(wParam, lParam);
  if (g_notifiedReturns) *result = {1, wParam * 1000 + lParam, 0};
}

std::vector<uint8_t> LabelBlock(void (*edit)(LabelProperties*)) {
  LabelProperties p;
  EXPECT_TRUE(ResetLabelProperties(&p));
  p.caption.Clear();
  p.backColor = kRed;
  edit(&p);
  return Bytes(SaveLabelProperties(p));
}

class LabelTest : public LabelFormTest {
 protected:
  void SetUp() override {
    TemplateWindow w;
    w.id = kMain;
    w.units.push_back(TestWindowUnit(0x06000001));
    // A 20 x 10 blue picture, mode 2; Notified bound.
    w.units.push_back(UnitAt(kPicture, kLabelType, kPictureRect, LabelBlock([](LabelProperties* p) {
      p->backPictureMode = 2;
      const std::vector<uint8_t> bmp = SolidBmp(20, 10, kBlue);
      p->backPicture.Assign(bmp.data(), uint32_t(bmp.size()));
    })));
    w.units.back().bindings = {{0, OffsetOf(&OnNotified)}};
    // Border 6 with only one usable colour.
    w.units.push_back(UnitAt(kFrame, kLabelType, kFrameRect, LabelBlock([](LabelProperties* p) {
      p->border = 6;
      p->gradientBorderColor1 = p->gradientBorderColor3 = 0xFF000000;
      p->gradientBorderColor2 = kGreen;
    })));
    // Left to right over three stops, 120 wide: three tiles.
    w.units.push_back(UnitAt(kGradient, kLabelType, kGradientRect, LabelBlock([](LabelProperties* p) {
      p->gradientBackMode = 2;
      p->gradientBackColor1 = kBlack;
      p->gradientBackColor2 = RGB(200, 0, 0);
      p->gradientBackColor3 = RGB(200, 100, 50);
    })));
    w.units.push_back(UnitAt(kText, kLabelType, kTextRect, LabelBlock([](LabelProperties* p) {
      p->caption.AssignText("WW");
      p->backColor = kWhite;
      p->textColor = kBlue;
      p->hAlign = p->vAlign = 2;
      const std::vector<uint8_t> font = BoldFont(20);
      p->font.Assign(font.data(), uint32_t(font.size()));
    })));
    StartWithLabels({{w}});
    ASSERT_EQ(Load(kMain), 0);
    window_ = Handle(kMain, 0);
    Settle(window_);
  }
  void WriteBytes(uint32_t unit, int32_t index, const std::vector<uint8_t>& bytes) {
    void* set = MakeByteSet(bytes.data(), uint32_t(bytes.size()));
    Write(unit, index, Addr(set));
    FreeMemory(set);
  }
  void Write(uint32_t unit, int32_t index, uint32_t value) {
    WriteProperty(kMain, unit, index, value);
    Settle(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(LabelTest, ModeTwoCentresASmallPictureAndShrinksALargeOne) {
  Pixels small(window_);  // 20 x 10 unscaled at (40, 45), red around it
  EXPECT_EQ(small.Count(RECT{40, 45, 60, 55}, kBlue), 200);
  EXPECT_EQ(small.Count(kPictureRect, kRed), 100 * 100 - 200);

  WriteBytes(kPicture, 18, SolidBmp(200, 100, kGreen));
  Pixels large(window_);  // 100 x 50 at (0, 25)
  EXPECT_EQ(large.Count(RECT{0, 25, 100, 75}, kGreen), 100 * 50);
  EXPECT_EQ(large.Count(kPictureRect, kRed), 100 * 50);

  WriteBytes(kPicture, 18, SolidBmp(20, 10, kBlue));
  Write(kPicture, 19, 0);  // mode 0: natural size at the top-left corner
  Pixels corner(window_);
  EXPECT_EQ(corner.Count(RECT{0, 0, 20, 10}, kBlue), 200);
  EXPECT_EQ(corner.Count(kPictureRect, kRed), 100 * 100 - 200);

  // Bytes that are no picture are dropped: BackColor fills the Label and the
  // property reads empty afterwards.
  WriteBytes(kPicture, 18, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  EXPECT_EQ(Pixels(window_).Count(kPictureRect, kRed), 100 * 100);
  EXPECT_EQ(ReadProperty(kMain, kPicture, 18), 0u);
}

TEST_F(LabelTest, GradientBorderNeedsTwoUsableColours) {
  EXPECT_EQ(Pixels(window_).Count(kFrameRect, kRed), 60 * 40) << "no frame with one colour";
  // Green then blue: 8 pixels from green outside to blue inside on the top
  // and left, from green inside on the bottom and right.
  Write(kFrame, 14, kBlue);
  Pixels px(window_);
  const COLORREF sevenEighths = RGB(0, 31, 223), oneEighth = RGB(0, 223, 31);
  EXPECT_EQ(px.At(140, 0), kGreen);
  EXPECT_EQ(px.At(140, 7), sevenEighths);
  EXPECT_EQ(px.At(140, 32), kGreen);
  EXPECT_EQ(px.At(140, 39), sevenEighths);
  EXPECT_EQ(px.At(110, 20), kGreen);
  EXPECT_EQ(px.At(169, 20), sevenEighths);
  // Mitred corners: off the diagonal each band keeps its own colour.
  EXPECT_EQ(px.At(111, 5), oneEighth);     // left band, one pixel in
  EXPECT_EQ(px.At(115, 1), oneEighth);     // top band, one pixel in
  EXPECT_EQ(px.At(169, 34), sevenEighths);  // right band, at its outer edge
  EXPECT_EQ(px.At(164, 39), sevenEighths);  // bottom band, at its outer edge
  // BackColor fills only what lies inside the frame.
  EXPECT_EQ(px.Count(RECT{118, 8, 162, 32}, kRed), 44 * 24);
  EXPECT_EQ(px.Count(kFrameRect, kRed), 44 * 24);
}

TEST_F(LabelTest, GradientBackgroundFollowsTheColourRuleInTwoDirections) {
  Pixels across(window_);  // mode 2 over 120: segments of 60
  EXPECT_EQ(across.At(30, 120), RGB(100, 0, 0));
  EXPECT_EQ(across.At(59, 139), RGB(196, 0, 0));  // 59/60 * 200
  EXPECT_EQ(across.At(60, 110), RGB(200, 0, 0));
  EXPECT_EQ(across.At(90, 149), RGB(200, 50, 25));
  EXPECT_EQ(across.At(119, 130), RGB(200, 98, 49));
  EXPECT_EQ(across.Count(kGradientRect, kRed), 0);

  Write(kGradient, 20, 8);  // bottom-left to top-right: p = x + (39 - y) over 80
  Pixels diagonal(window_);
  EXPECT_EQ(diagonal.At(0, 149), kBlack);
  EXPECT_EQ(diagonal.At(10, 119), RGB(200, 0, 0));
  EXPECT_EQ(diagonal.At(30, 129), RGB(200, 25, 12));
  EXPECT_EQ(diagonal.At(100, 110), RGB(200, 100, 50));  // past the span

  // Fewer than two colours: the gradient fails and BackColor fills.
  Write(kGradient, 21, 0xFF000000);
  Write(kGradient, 22, 0xFF000000);
  EXPECT_EQ(Pixels(window_).Count(kGradientRect, kRed), 120 * 40);
}

TEST_F(LabelTest, CaptionFollowsAlignmentWordWrapAndEffect) {
  Write(kText, 16, 0x01000000 | kBlue);  // colours leave out their top byte,
  Write(kText, 17, 0x01000000 | kWhite);  // which would make palette indices
  RECT text = Pixels(window_).Bounds(kTextRect, kBlue);
  EXPECT_GT(text.left, 230) << "right";
  EXPECT_GT(text.top, 30) << "bottom";
  Write(kText, 24, 1);
  text = Pixels(window_).Bounds(kTextRect, kBlue);
  EXPECT_LE(std::abs((text.left - 180) - (280 - text.right)), 3) << "centred";
  Write(kText, 25, 1);
  EXPECT_LT(Pixels(window_).Bounds(kTextRect, kBlue).top, 6) << "word wrap starts at the top";
  EXPECT_EQ(Pixels(window_).Count(kTextRect, kBlack), 0);
  Write(kText, 9, 7);  // clamped to 3, the shadow
  EXPECT_EQ(ReadProperty(kMain, kText, 9), 3u);
  EXPECT_GT(Pixels(window_).Count(kTextRect, kBlack), 10);
  const char empty[] = "";
  Write(kText, 8, Addr(empty));
  EXPECT_EQ(Pixels(window_).Count(kTextRect, kWhite), 100 * 60) << "only the background";
  Write(kText, 11, 2);
  EXPECT_EQ(ReadProperty(kMain, kText, 11), 5u) << "narrowest gradient border";
  Write(kText, 10, 5);
  EXPECT_TRUE(GetWindowLongA(Handle(kMain, kText), GWL_STYLE) & WS_BORDER);
  Write(kText, 10, 9);  // 6: none of the five
  EXPECT_FALSE(GetWindowLongA(Handle(kMain, kText), GWL_STYLE) & WS_BORDER);
}

std::vector<std::pair<std::string, int32_t>> g_visited;

// Keeps the first byte of each text and renames the face.
char* __stdcall RecordAndRewrite(char* text, int32_t faceName, uint32_t) {
  g_visited.emplace_back(text, faceName);
  if (faceName) std::strcpy(text, "Arial");
  return faceName || !*text ? nullptr : MakeTextCopy(std::string(text, 1).c_str());
}

TEST_F(LabelTest, TheSavedBlockIsVisitedInOrderAndLaterVersionsAreRefused) {
  auto save = reinterpret_cast<SavePropertiesFn>(LabelTypeEntry(kEntrySaveProperties));
  auto visit = reinterpret_cast<VisitTextsFn>(LabelTypeEntry(kEntryVisitTexts));
  auto create = reinterpret_cast<CreateUnitFn>(LabelTypeEntry(kEntryCreateUnit));
  EXPECT_EQ(LabelTypeEntry(kEntryWantsKey), nullptr);
  // A column name without a source empties the caption.
  const char column[] = "name", caption[] = "U\xC5\xCC";  // "U盘"
  Write(kText, 28, Addr(column));
  EXPECT_EQ(ReadProperty(kMain, kText, 8), 0u);
  Write(kText, 8, Addr(caption));
  void* saved = save(Object(kMain, kText));
  ASSERT_NE(saved, nullptr);
  uint32_t length = ByteSetLength(saved);
  auto* visited = static_cast<uint8_t*>(visit(ByteSetData(saved), &length, &RecordAndRewrite, 0));
  ASSERT_NE(visited, nullptr);
  const std::vector<std::pair<std::string, int32_t>> order = {
      {caption, 0}, {"Tahoma", 1}, {"", 0}, {"name", 0}};
  EXPECT_EQ(g_visited, order);
  LabelProperties p;
  ASSERT_TRUE(LoadLabelProperties(&p, visited, length));
  EXPECT_EQ(std::string(p.caption.text()), "U");
  EXPECT_EQ(std::string(p.dataColumn.text()), "n");
  EXPECT_STREQ(reinterpret_cast<const LOGFONTA*>(p.font.data())->lfFaceName, "Arial");
  EXPECT_EQ(p.hAlign, 2);
  FreeMemory(visited);

  std::vector<uint8_t> later(ByteSetData(saved), ByteSetData(saved) + ByteSetLength(saved));
  FreeMemory(saved);
  later[0] = 3;
  EXPECT_EQ(create(later.data(), uint32_t(later.size()), 0, window_, 99, nullptr, 0, 0, 9, 9, kMain,
                   0x16000009, 0, 0), nullptr);
  EXPECT_EQ(GetDlgItem(window_, 99), nullptr);
  length = uint32_t(later.size());
  EXPECT_EQ(visit(later.data(), &length, &RecordAndRewrite, 0), nullptr);
  EXPECT_EQ(length, 0u);
}

TEST_F(LabelTest, NotifiedAnswersTheHandlersIntegerOrZero) {
  EXPECT_EQ(SendMessageA(Handle(kMain, kFrame), kLabelNotify, 7, 9), 0) << "no handler";
  EXPECT_EQ(SendMessageA(Handle(kMain, kPicture), kLabelNotify, 7, 9), 0) << "no value returned";
  g_notifiedReturns = true;
  EXPECT_EQ(SendMessageA(Handle(kMain, kPicture), kLabelNotify, 4, 2), 4002);
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {{7, 9}, {4, 2}};
  EXPECT_EQ(g_notified, expected);
}

}  // namespace
