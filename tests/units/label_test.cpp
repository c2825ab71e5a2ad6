// The Label on a real window: the picture background and its scaling, the
// gradient border and background, the caption's alignment, property writes
// and the Notified event, read back as pixels and values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/typed_value.h"
#include "runtime/values.h"
#include "units/label_text.h"
#include "tests/units/label_test_support.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kPicture = 0x16000002, kFrame = 0x16000003, kGradient = 0x16000004,
                   kText = 0x16000005;

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0),
                   kWhite = RGB(255, 255, 255);

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
  edit(&p);
  return Bytes(SaveLabelProperties(p));
}

class LabelTest : public LabelFormTest {
 protected:
  void SetUp() override {
    TemplateWindow w;
    w.id = kMain;
    w.units.push_back(TestWindowUnit(kMainUnit));
    // A 100 x 100 Label showing a 20 x 10 blue picture centred over red.
    TemplateUnit picture = UnitAt(kPicture, kLabelType, 0, 0, 100, 100, LabelBlock([](LabelProperties* p) {
      p->backColor = kRed;
      p->backPictureMode = 2;
      const std::vector<uint8_t> bmp = SolidBmp(20, 10, kBlue);
      p->backPicture.Assign(bmp.data(), uint32_t(bmp.size()));
    }));
    picture.bindings = {{0, OffsetOf(&OnNotified)}};
    w.units.push_back(picture);
    // Border 6 with only one usable colour.
    w.units.push_back(UnitAt(kFrame, kLabelType, 110, 0, 60, 40, LabelBlock([](LabelProperties* p) {
      p->backColor = kRed;
      p->border = 6;
      p->gradientBorderWidth = 8;
      p->gradientBorderColor1 = 0xFF000000;
      p->gradientBorderColor2 = kGreen;
      p->gradientBorderColor3 = 0xFF000000;
    })));
    // A left-to-right gradient over three stops, 120 wide (three tiles).
    w.units.push_back(UnitAt(kGradient, kLabelType, 0, 110, 120, 40, LabelBlock([](LabelProperties* p) {
      p->backColor = kRed;
      p->gradientBackMode = 2;
      p->gradientBackColor1 = RGB(0, 0, 0);
      p->gradientBackColor2 = RGB(200, 0, 0);
      p->gradientBackColor3 = RGB(200, 100, 50);
    })));
    w.units.push_back(UnitAt(kText, kLabelType, 180, 0, 100, 60, LabelBlock([](LabelProperties* p) {
      p->caption.AssignText("WW");
      p->backColor = kWhite;
      p->textColor = kBlue;
      p->hAlign = 2;
      p->vAlign = 2;
      const std::vector<uint8_t> font = BoldFont(20);
      p->font.Assign(font.data(), uint32_t(font.size()));
    })));
    StartWithLabels({{w}});
    ASSERT_EQ(Load(kMain), 0);
    window_ = Handle(kMain, 0);
    ASSERT_NE(window_, nullptr);
    Settle(window_);
    g_notified.clear();
    g_notifiedReturns = false;
  }
  void WriteBytes(uint32_t unit, int32_t index, const std::vector<uint8_t>& bytes) {
    void* set = MakeByteSet(bytes.data(), uint32_t(bytes.size()));
    WriteProperty(kMain, unit, index, Addr(set));
    FreeMemory(set);
    Settle(window_);
  }
  void Write(uint32_t unit, int32_t index, uint32_t value) {
    WriteProperty(kMain, unit, index, value);
    Settle(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(LabelTest, ModeTwoCentresASmallPictureAndShrinksALargeOne) {
  {
    Pixels px(window_);
    // 20 x 10 unscaled at (40, 45), red around it.
    EXPECT_EQ(px.Count(RECT{40, 45, 60, 55}, kBlue), 200);
    EXPECT_EQ(px.Count(RECT{0, 0, 100, 100}, kBlue), 200);
    EXPECT_EQ(px.Count(RECT{0, 0, 100, 100}, kRed), 100 * 100 - 200);
  }
  // 200 x 100 becomes 100 x 50 at (0, 25).
  WriteBytes(kPicture, 18, SolidBmp(200, 100, kGreen));
  {
    Pixels px(window_);
    EXPECT_EQ(px.Count(RECT{0, 25, 100, 75}, kGreen), 100 * 50);
    EXPECT_EQ(px.Count(RECT{0, 0, 100, 25}, kRed), 100 * 25);
    EXPECT_EQ(px.Count(RECT{0, 75, 100, 100}, kRed), 100 * 25);
  }
  // Mode 0: natural size at the top-left corner.
  Write(kPicture, 19, 0);
  {
    Pixels px(window_);
    EXPECT_EQ(px.Count(RECT{0, 0, 100, 100}, kGreen), 100 * 100);
  }
  // Bytes that are no picture are dropped: BackColor fills the Label and the
  // property reads empty afterwards.
  WriteBytes(kPicture, 18, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  Pixels px(window_);
  EXPECT_EQ(px.Count(RECT{0, 0, 100, 100}, kRed), 100 * 100);
  EXPECT_EQ(ReadProperty(kMain, kPicture, 18), 0u);
}

TEST_F(LabelTest, GradientBorderNeedsTwoUsableColours) {
  {
    Pixels px(window_);
    EXPECT_EQ(px.Count(RECT{110, 0, 170, 40}, kRed), 60 * 40) << "no frame with one colour";
  }
  // A second colour: an 8-pixel frame from green outside to blue inside on
  // the top and left, back from green inside on the bottom and right.
  Write(kFrame, 14, kBlue);
  Pixels px(window_);
  EXPECT_EQ(px.At(110 + 30, 0), kGreen);
  // Row 7 of the top band: green 255 - 7/8 * 255, blue 7/8 * 255.
  EXPECT_EQ(px.At(110 + 30, 7), RGB(0, 31, 223));
  // Bottom band, first row inside: stop 1; last row: 7/8 of the way.
  EXPECT_EQ(px.At(110 + 30, 32), kGreen);
  EXPECT_EQ(px.At(110 + 30, 39), RGB(0, 31, 223));
  EXPECT_EQ(px.At(110 + 0, 20), kGreen);      // left band, outer edge
  EXPECT_EQ(px.At(110 + 59, 20), RGB(0, 31, 223));  // right band, outer edge
  // Mitred corner: the diagonal pixel (1, 1) belongs to the top and left
  // bands alike, both one eighth in.
  EXPECT_EQ(px.At(110 + 1, 1), RGB(0, 223, 31));
  // Inside the frame: BackColor, shrunk by 8 on every side.
  EXPECT_EQ(px.Count(RECT{118, 8, 162, 32}, kRed), 44 * 24);
  EXPECT_EQ(px.Count(RECT{110, 0, 170, 40}, kRed), 44 * 24);
}

TEST_F(LabelTest, GradientBackgroundFollowsTheColourRuleInTwoDirections) {
  {
    // Mode 2 over 120: segments of 60; BackColor never shows.
    Pixels px(window_);
    EXPECT_EQ(px.At(0, 120), RGB(0, 0, 0));
    EXPECT_EQ(px.At(30, 120), RGB(100, 0, 0));
    EXPECT_EQ(px.At(59, 139), RGB(196, 0, 0));  // 59/60 * 200 = 196.7
    EXPECT_EQ(px.At(60, 110), RGB(200, 0, 0));  // second tile
    EXPECT_EQ(px.At(90, 149), RGB(200, 50, 25));
    EXPECT_EQ(px.At(119, 130), RGB(200, 98, 49));  // third tile
    EXPECT_EQ(px.Count(RECT{0, 110, 120, 150}, kRed), 0);
  }
  // Mode 8, bottom-left to top-right: p = x + (39 - y) over 2 * 40.
  Write(kGradient, 20, 8);
  Pixels px(window_);
  EXPECT_EQ(px.At(0, 110 + 39), RGB(0, 0, 0));
  EXPECT_EQ(px.At(10, 110 + 9), RGB(200, 0, 0));
  EXPECT_EQ(px.At(30, 110 + 19), RGB(200, 25, 12));
  EXPECT_EQ(px.At(20, 110 + 39), RGB(100, 0, 0));
  EXPECT_EQ(px.At(100, 110), RGB(200, 100, 50));  // past the span
  // A mode out of range is clamped to 8; with fewer than two colours the
  // gradient fails and BackColor fills the Label.
  Write(kGradient, 21, 0xFF000000);
  Write(kGradient, 22, 0xFF000000);
  Pixels plain(window_);
  EXPECT_EQ(plain.Count(RECT{0, 110, 120, 150}, kRed), 120 * 40);
}

TEST_F(LabelTest, CaptionFollowsAlignmentAndWordWrapIgnoresVAlign) {
  const RECT label{180, 0, 280, 60};
  {
    Pixels px(window_);
    const RECT text = px.Bounds(label, kBlue);
    ASSERT_GT(px.Count(label, kBlue), 20);
    EXPECT_GT(text.left, 180 + 50) << "right aligned";
    EXPECT_GT(text.top, 30) << "bottom aligned";
  }
  Write(kText, 24, 1);  // centred
  {
    Pixels px(window_);
    const RECT text = px.Bounds(label, kBlue);
    EXPECT_LE(std::abs((text.left - 180) - (280 - text.right)), 3);
  }
  Write(kText, 25, 1);  // word wrap: top, whatever VAlign says
  {
    Pixels px(window_);
    const RECT text = px.Bounds(label, kBlue);
    EXPECT_LT(text.top, 6);
  }
  // Shadow effect: black at (2, 2) behind the text.
  Write(kText, 9, 3);
  {
    Pixels px(window_);
    EXPECT_GT(px.Count(label, RGB(0, 0, 0)), 10);
  }
  // An empty caption leaves only the background.
  const char empty[] = "";
  WriteProperty(kMain, kText, 8, Addr(empty));
  Settle(window_);
  Pixels px(window_);
  EXPECT_EQ(px.Count(label, kWhite), 100 * 60);
}

TEST_F(LabelTest, WritesAreClampedAndReadBack) {
  Write(kText, 9, 7);
  EXPECT_EQ(ReadProperty(kMain, kText, 9), 3u);
  Write(kText, 10, 9);
  EXPECT_EQ(ReadProperty(kMain, kText, 10), 6u);
  Write(kText, 11, 2);
  EXPECT_EQ(ReadProperty(kMain, kText, 11), 5u);
  Write(kText, 19, 5);
  EXPECT_EQ(ReadProperty(kMain, kText, 19), 2u);
  Write(kText, 20, 12);
  EXPECT_EQ(ReadProperty(kMain, kText, 20), 8u);
  Write(kText, 26, uint32_t(-4));
  EXPECT_EQ(ReadProperty(kMain, kText, 26), 0u);
  // Border 5 is the single-line border; 6 applies none of the five.
  Write(kText, 10, 5);
  EXPECT_TRUE(GetWindowLongA(Handle(kMain, kText), GWL_STYLE) & WS_BORDER);
  Write(kText, 10, 6);
  EXPECT_FALSE(GetWindowLongA(Handle(kMain, kText), GWL_STYLE) & WS_BORDER);

  const char caption[] = "U\xC5\xCC";  // "U盘"
  WriteProperty(kMain, kText, 8, Addr(caption));
  char text[16] = {};
  GetWindowTextA(Handle(kMain, kText), text, sizeof text);
  EXPECT_STREQ(text, caption);
  auto* read = At<char>(ReadProperty(kMain, kText, 8));
  ASSERT_NE(read, nullptr);
  EXPECT_STREQ(read, caption);
  FreeMemory(read);
  // The font reads back as the 60 bytes written.
  void* font = At<void>(ReadProperty(kMain, kText, 15, -1));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(At<FontPropertyRecord>(Addr(font))->bold, 1);
  FreeMemory(font);
}

TEST_F(LabelTest, NotifiedAnswersTheHandlersIntegerOrZero) {
  // No handler bound.
  EXPECT_EQ(SendMessageA(Handle(kMain, kFrame), kLabelNotify, 7, 9), 0);
  // A handler that returns nothing.
  EXPECT_EQ(SendMessageA(Handle(kMain, kPicture), kLabelNotify, 7, 9), 0);
  g_notifiedReturns = true;
  EXPECT_EQ(SendMessageA(Handle(kMain, kPicture), kLabelNotify, 4, 2), 4002);
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {{7, 9}, {4, 2}};
  EXPECT_EQ(g_notified, expected);
}

std::vector<std::pair<std::string, int32_t>> g_visited;

void __stdcall RecordAndRewrite(char* text, int32_t faceName, uint32_t user) {
  g_visited.emplace_back(text, faceName);
  EXPECT_EQ(user, 77u);
  if (faceName) std::strcpy(text, "Arial");
  else if (*text) text[1] = '\0';  // keep the first byte only
}

TEST_F(LabelTest, EntriesSaveVisitAndRefuseLaterVersions) {
  auto save = reinterpret_cast<SavePropertiesFn>(LabelTypeEntry(kEntrySaveProperties));
  auto visit = reinterpret_cast<VisitTextsFn>(LabelTypeEntry(kEntryVisitTexts));
  auto create = reinterpret_cast<CreateUnitFn>(LabelTypeEntry(kEntryCreateUnit));
  ASSERT_TRUE(save && visit && create);
  EXPECT_EQ(LabelTypeEntry(kEntryWantsKey), nullptr);
  EXPECT_EQ(LabelTypeEntry(kEntryIsDefaultButton), nullptr);

  // The saved block holds what was written since loading.
  Write(kText, 24, 1);
  const char column[] = "name";
  WriteProperty(kMain, kText, 28, Addr(column));
  void* saved = save(Object(kMain, kText));
  ASSERT_NE(saved, nullptr);
  LabelProperties p;
  ASSERT_TRUE(LoadLabelProperties(&p, ByteSetData(saved), ByteSetLength(saved)));
  EXPECT_STREQ(p.caption.text(), "WW");
  EXPECT_EQ(p.hAlign, 1);
  EXPECT_EQ(p.vAlign, 2);
  EXPECT_STREQ(p.dataColumn.text(), "name");
  EXPECT_EQ(p.font.size(), 60u);

  // Caption, face name, data source, data column; rewrites are kept.
  g_visited.clear();
  uint32_t length = ByteSetLength(saved);
  uint8_t* visited = visit(ByteSetData(saved), &length, &RecordAndRewrite, 77);
  ASSERT_NE(visited, nullptr);
  const std::vector<std::pair<std::string, int32_t>> order = {
      {"WW", 0}, {"Tahoma", 1}, {"", 0}, {"name", 0}};
  EXPECT_EQ(g_visited, order);
  LabelProperties q;
  ASSERT_TRUE(LoadLabelProperties(&q, visited, length));
  EXPECT_STREQ(q.caption.text(), "W");
  EXPECT_EQ(q.caption.size(), 1u);
  EXPECT_STREQ(q.dataColumn.text(), "n");
  EXPECT_STREQ(reinterpret_cast<const LOGFONTA*>(q.font.data())->lfFaceName, "Arial");
  FreeMemory(visited);

  // Version 3 is refused: no unit, no window.
  std::vector<uint8_t> later(ByteSetData(saved), ByteSetData(saved) + ByteSetLength(saved));
  later[0] = 3;
  FreeMemory(saved);
  EXPECT_EQ(create(later.data(), uint32_t(later.size()), WS_VISIBLE, window_, 99, nullptr, 0, 0, 10, 10,
                   kMain, 0x16000009, 0, 0),
            nullptr);
  EXPECT_EQ(GetDlgItem(window_, 99), nullptr);
  uint32_t badLength = uint32_t(later.size());
  EXPECT_EQ(visit(later.data(), &badLength, &RecordAndRewrite, 77), nullptr);
  EXPECT_EQ(badLength, 0u);
}

}  // namespace
