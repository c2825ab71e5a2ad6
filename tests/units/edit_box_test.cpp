// The EditBox on a real window: content writes and their events, focus-loss
// normalisation, selection, the spinner, font and vertical centring, old
// and unknown property blocks, re-creation and data binding against a
// data-source unit of the test's own.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "forms/event_dispatch.h"
#include "runtime/values.h"
#include "tests/forms/form_test_support.h"
#include "tests/units/property_test_support.h"
#include "tests/units/test_data_source.h"
#include "units/data_source.h"
#include "units/edit_box.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kBox = 0x16000002, kNumber = 0x16000003, kDate = 0x16000004;
constexpr uint32_t kAutoSpin = 0x16000005, kManualSpin = 0x16000006, kLow = 0x16000007;
constexpr uint32_t kHigh = 0x16000008, kBound = 0x16000009, kSource = 0x1600000A;
constexpr uint32_t kOther = 0x1600000B;
constexpr uint32_t kEditBoxType = 0x00020001, kSourceType = 0x00020002;

#define WU "\xCE\xE2"  // 吴

// --- what the handlers saw ---

std::vector<std::string> g_events;
DWORD g_changedThread = 0;

std::string SourceUnit() {
  uint32_t source[2] = {0, 0};
  HostService(2017, static_cast<int32_t>(Addr(source)), 0);
  return Hex(source[1]);
}
void __cdecl Changed(EventResult*) {
  g_changedThread = GetCurrentThreadId();
  g_events.push_back("changed " + SourceUnit());
}
void __cdecl FocusLost(EventResult*) { g_events.push_back("lost " + SourceUnit()); }
void __cdecl FocusGained(EventResult*) { g_events.push_back("gained " + SourceUnit()); }
void __cdecl SpinPressed(uint32_t step, EventResult*) {
  g_events.push_back("spin " + std::to_string(static_cast<int32_t>(step)));
}

// Library 2: the EditBox and the data source.
const LibraryInfo* UnitLibrary() {
  static DataTypeRecord types[2];
  static LibraryInfo info{};
  types[0] = EditBoxDataType();
  types[1] = TestDataSourceType();
  info.format = kLibraryFormatWord;
  info.dataTypeCount = 2;
  info.dataTypes = Addr(types);
  return &info;
}

// --- property blocks ---

struct BoxSettings {
  uint32_t version = 2;
  int32_t border = 1;
  uint32_t textColor = 0, backColor = 0xFFFFFF;
  int32_t multiLine = 0, inputMode = 0, spinMode = 0, spinMin = 0, spinMax = 100;
  std::string font, text, dataSource, dataColumn;
};

std::vector<uint8_t> BoxBlock(const BoxSettings& s) {
  BlockBuilder b;
  b.Int32(s.version).Int32(s.border).Int32(s.textColor).Int32(s.backColor);
  b.Int32(1).Int32(0).Int32(s.multiLine).Int32(0).Int32(0).Int32(s.inputMode);
  b.Int16('*');
  b.Int32(0).Int32(s.spinMode).Int32(s.spinMin).Int32(s.spinMax).Int32(0).Int32(0);
  b.Counted(s.font).Counted(s.text);
  if (s.version >= 2) b.Counted(s.dataSource).Counted(s.dataColumn);
  return b.bytes();
}

// 12 points at the screen's resolution.
LogFontBytes TwelvePoints() {
  LogFontBytes f{};
  HDC screen = GetDC(nullptr);
  f.height = -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  f.weight = 400;
  std::strcpy(f.faceName, "Tahoma");
  return f;
}

TemplateUnit Box(uint32_t id, int32_t left, int32_t top, int32_t width, int32_t height, const BoxSettings& s) {
  TemplateUnit u;
  u.id = id;
  u.typeCode = kEditBoxType;
  u.name = "box" + Hex(id);
  u.left = left;
  u.top = top;
  u.width = width;
  u.height = height;
  u.flags = kUnitVisible | kUnitTabStop;
  u.bindings = {{0, OffsetOf(&Changed)}, {-8, OffsetOf(&FocusLost)}, {-7, OffsetOf(&FocusGained)},
                {1, OffsetOf(&SpinPressed)}};
  u.propertyBlock = BoxBlock(s);
  return u;
}

TemplateWindow MainWindow() {
  TemplateWindow w;
  w.id = kMain;
  TemplateUnit window = TestWindowUnit(kMainUnit);
  window.width = 520;
  window.height = 360;
  w.units.push_back(window);
  BoxSettings plain;
  plain.text = "start";
  w.units.push_back(Box(kBox, 10, 10, 120, 24, plain));
  BoxSettings number;
  number.inputMode = 5;
  w.units.push_back(Box(kNumber, 10, 40, 120, 24, number));
  BoxSettings date;
  date.inputMode = 11;
  w.units.push_back(Box(kDate, 10, 70, 200, 24, date));
  BoxSettings spin;
  spin.spinMode = 1;
  spin.spinMax = 10;
  spin.text = "10";
  w.units.push_back(Box(kAutoSpin, 10, 100, 60, 24, spin));
  spin.spinMode = 2;
  spin.text = "manual";
  w.units.push_back(Box(kManualSpin, 10, 130, 60, 24, spin));
  BoxSettings font;
  const LogFontBytes twelve = TwelvePoints();
  font.font = FontBytes(twelve);
  font.text = WU "W";
  w.units.push_back(Box(kLow, 380, 10, 120, 10, font));
  font.backColor = 0x0040C040;
  font.text = "WWWW";
  w.units.push_back(Box(kHigh, 250, 40, 120, 64, font));
  BoxSettings bound;
  bound.dataSource = "Records";
  bound.dataColumn = "path";
  w.units.push_back(Box(kBound, 250, 120, 120, 24, bound));
  TemplateUnit source = TestUnit(kSource);
  source.typeCode = kSourceType;
  source.name = "RECORDS";
  w.units.push_back(source);
  w.units.push_back(TestUnit(kOther, kTestUnitType, kUnitVisible | kUnitTabStop));
  return w;
}

class EditBoxTest : public FormTest {
 protected:
  void StartWith(const TemplateDescription& description) {
    ASSERT_TRUE(WriteTemplate(description, &segment_));
    program_.AddLibrary(TestLibrary());
    program_.AddLibrary(UnitLibrary());
    program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
    program_.SetCodeBase(0);
    app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
    app_->InitialiseRuntime();
    g_events.clear();
  }
  void SetUp() override {
    StartWith({{MainWindow()}});
    ASSERT_EQ(Load(kMain), 0);
    ShowLoadedWindow(kMain, true);
    Pump();
    g_events.clear();
  }
  std::string Text(uint32_t unit) {
    char text[256] = {};
    GetWindowTextA(Handle(kMain, unit), text, sizeof text);
    return text;
  }
  std::string ReadText(uint32_t unit, int32_t index) {
    char* text = At<char>(ReadProperty(kMain, unit, index));
    std::string result = text ? text : "";
    FreeMemory(text);
    return result;
  }
  std::pair<DWORD, DWORD> Selection(uint32_t unit) {
    DWORD start = 0, end = 0;
    SendMessageA(Handle(kMain, unit), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  // Focus into a box and out to the plain unit, as the user tabs through.
  void Leave(uint32_t unit, const char* typed) {
    SetFocus(Handle(kMain, unit));
    SetWindowTextA(Handle(kMain, unit), typed);
    g_events.clear();
    SetFocus(Handle(kMain, kOther));
    Pump();
  }
  HWND SpinOf(uint32_t unit) {
    HWND box = Handle(kMain, unit);
    return GetDlgItem(GetParent(box), GetDlgCtrlID(box) + 4);
  }
  void Click(HWND spin, bool up) {
    RECT r;
    GetClientRect(spin, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, up ? 2 : r.bottom - 3);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin, WM_LBUTTONUP, 0, at);
    Pump();
  }
  RECT RectInParent(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

TEST_F(EditBoxTest, ContentWritesRaiseExactlyOneChangeAndReadsGiveNewTexts) {
  WriteProperty(kMain, kBox, 8, Addr("start"));  // the same text
  EXPECT_EQ(g_events, (std::vector<std::string>{"changed 16000002"}));
  WriteProperty(kMain, kBox, 8, Addr("E:\\"));
  EXPECT_EQ(g_events.size(), 2u);
  EXPECT_EQ(Text(kBox), "E:\\");
  WriteProperty(kMain, kBox, 8, 0);  // null is the empty text
  EXPECT_EQ(Text(kBox), "");
  EXPECT_EQ(ReadProperty(kMain, kBox, 8), 0u);

  // What the user types raises it too, once per change.
  g_events.clear();
  SendMessageA(Handle(kMain, kBox), WM_CHAR, 'x', 1);
  EXPECT_EQ(g_events, (std::vector<std::string>{"changed 16000002"}));
  char* first = At<char>(ReadProperty(kMain, kBox, 8));
  char* second = At<char>(ReadProperty(kMain, kBox, 8));
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_STREQ(first, "x");
  FreeMemory(first);
  FreeMemory(second);
}

struct WorkerRun {
  std::string before, after;
  bool distinct = false;
};

DWORD WINAPI ContentWorker(void* parameter) {
  auto* run = static_cast<WorkerRun*>(parameter);
  char* before = At<char>(ReadProperty(kMain, kBox, 8));
  run->before = before ? before : "";
  WriteProperty(kMain, kBox, 8, Addr("from the worker"));
  char* after = At<char>(ReadProperty(kMain, kBox, 8));
  run->after = after ? after : "";
  run->distinct = before != after;
  FreeMemory(before);
  FreeMemory(after);
  return 0;
}

TEST_F(EditBoxTest, AWorkerReadsAndWritesTheContentOfTheMainThreadsBox) {
  WorkerRun run;
  ASSERT_TRUE(RunWorker(&ContentWorker, &run)) << "worker did not finish";
  EXPECT_EQ(run.before, "start");
  EXPECT_EQ(run.after, "from the worker");
  EXPECT_TRUE(run.distinct);
  EXPECT_EQ(Text(kBox), "from the worker");
  // One event, and it ran on the thread that owns the box.
  EXPECT_EQ(g_events, (std::vector<std::string>{"changed 16000002"}));
  EXPECT_EQ(g_changedThread, GetCurrentThreadId());
}

TEST_F(EditBoxTest, NumericAndDateBoxesFilterAndNormaliseOnFocusLoss) {
  SetFocus(Handle(kMain, kNumber));
  EXPECT_EQ(g_events, (std::vector<std::string>{"gained 16000003"}));
  const std::pair<const char*, const char*> numbers[] = {{"007", "7"}, {"0", ""}, {"300", "255"}, {"42", "42"}};
  for (const auto& [typed, shown] : numbers) {
    SCOPED_TRACE(typed);
    Leave(kNumber, typed);
    EXPECT_EQ(Text(kNumber), shown);
    EXPECT_EQ(g_events, (std::vector<std::string>{"lost 16000003"}));  // no ContentChanged
  }
  const std::pair<const char*, const char*> dates[] = {
      {"\xA3\xB2\xA3\xB0\xA3\xB2\xA3\xB4\xA3\xAD\xA3\xB3\xA3\xAD\xA3\xB1\xA1\xA1\xA3\xB9",
       "2024\xC4\xEA" "3\xD4\xC2" "1\xC8\xD5" "9\xCA\xB1"},
      {"2024/1/5 10:30:15", "2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "10\xCA\xB1" "30\xB7\xD6" "15\xC3\xEB"},
      {"2023-2-29", ""},
  };
  for (const auto& [typed, shown] : dates) {
    SCOPED_TRACE(typed);
    Leave(kDate, typed);
    EXPECT_EQ(Text(kDate), shown);
    EXPECT_EQ(g_events, (std::vector<std::string>{"lost 16000004"}));
  }
  // Typed characters: only digits reach a mode-5 box; control keys pass.
  SetWindowTextA(Handle(kMain, kNumber), "");
  for (char c : std::string("a-1.2x3")) SendMessageA(Handle(kMain, kNumber), WM_CHAR, uint8_t(c), 1);
  SendMessageA(Handle(kMain, kNumber), WM_CHAR, VK_BACK, 1);
  EXPECT_EQ(Text(kNumber), "12");
}

TEST_F(EditBoxTest, SelectionPropertiesSelectAllOrPutTheCaretAtTheEnd) {
  WriteProperty(kMain, kBox, 8, Addr("hello world"));
  WriteProperty(kMain, kBox, 25, static_cast<uint32_t>(-1));
  EXPECT_EQ(Selection(kBox), std::make_pair(DWORD(0), DWORD(11)));
  EXPECT_EQ(ReadProperty(kMain, kBox, 25), 11u);
  EXPECT_EQ(ReadText(kBox, 26), "hello world");
  WriteProperty(kMain, kBox, 24, static_cast<uint32_t>(-1));
  EXPECT_EQ(Selection(kBox), std::make_pair(DWORD(11), DWORD(11)));
  EXPECT_EQ(ReadProperty(kMain, kBox, 24), 11u);
  EXPECT_EQ(ReadProperty(kMain, kBox, 25), 0u);
  WriteProperty(kMain, kBox, 24, 6);
  WriteProperty(kMain, kBox, 25, 5);
  EXPECT_EQ(ReadText(kBox, 26), "world");
  WriteProperty(kMain, kBox, 26, Addr("there"));
  EXPECT_EQ(Text(kBox), "hello there");
  WriteProperty(kMain, kBox, 24, static_cast<uint32_t>(-7));  // other negatives: 0
  EXPECT_EQ(Selection(kBox).first, 0u);
  // Positions count bytes of the text, whatever the control counts.
  WriteProperty(kMain, kBox, 8, Addr(WU "ab" WU));
  WriteProperty(kMain, kBox, 24, 2);
  WriteProperty(kMain, kBox, 25, 2);
  EXPECT_EQ(ReadText(kBox, 26), "ab");
  EXPECT_EQ(ReadProperty(kMain, kBox, 24), 2u);
  EXPECT_EQ(ReadProperty(kMain, kBox, 25), 2u);
  SendMessageA(Handle(kMain, kBox), WM_CHAR, 'X', 1);  // typed over the selection
  EXPECT_EQ(Text(kBox), WU "X" WU);
  WriteProperty(kMain, kBox, 24, static_cast<uint32_t>(-1));
  EXPECT_EQ(ReadProperty(kMain, kBox, 24), 5u);
}

// MaxAllowLength counts bytes: two double-byte characters under a limit of
// five leave room for one byte, typed, written as SelText or pasted.
TEST_F(EditBoxTest, MaxAllowLengthCountsBytes) {
  HWND box = Handle(kMain, kBox);
  WriteProperty(kMain, kBox, 8, Addr(WU WU));
  WriteProperty(kMain, kBox, 14, 5);
  WriteProperty(kMain, kBox, 24, static_cast<uint32_t>(-1));
  SendMessageA(box, WM_CHAR, 'a', 1);
  SendMessageA(box, WM_CHAR, 'b', 1);
  EXPECT_EQ(Text(kBox), WU WU "a");
  WriteProperty(kMain, kBox, 25, 1);  // "a" selected
  WriteProperty(kMain, kBox, 26, Addr("cd"));
  EXPECT_EQ(Text(kBox), WU WU "c");
  WriteProperty(kMain, kBox, 25, 1);
  WriteProperty(kMain, kBox, 26, Addr(WU));  // no half of a character
  EXPECT_EQ(Text(kBox), WU WU);
  HGLOBAL clip = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(clip), "xyz", 4);
  GlobalUnlock(clip);
  ASSERT_TRUE(OpenClipboard(box) && EmptyClipboard() && SetClipboardData(CF_TEXT, clip) && CloseClipboard());
  SendMessageA(box, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(kBox), WU WU "x");
}

TEST_F(EditBoxTest, AnAutomaticSpinnerWrapsAndFollowsItsBox) {
  HWND box = Handle(kMain, kAutoSpin);
  HWND spin = SpinOf(kAutoSpin);
  ASSERT_TRUE(spin);
  char name[32] = {};
  GetClassNameA(spin, name, sizeof name);
  EXPECT_STREQ(name, "msctls_updown32");
  auto expectBeside = [&] {
    const RECT b = RectInParent(box), s = RectInParent(spin);
    EXPECT_EQ(s.left, b.right);
    EXPECT_EQ(s.top, b.top);
    EXPECT_EQ(s.right - s.left, 18);
    EXPECT_EQ(s.bottom - s.top, b.bottom - b.top);
  };
  expectBeside();
  EXPECT_TRUE(IsWindowVisible(spin));

  Click(spin, true);  // at the upper bound 10
  EXPECT_EQ(Text(kAutoSpin), "0");
  EXPECT_EQ(Selection(kAutoSpin), std::make_pair(DWORD(0), DWORD(1)));
  EXPECT_EQ(GetFocus(), box);
  Click(spin, false);
  EXPECT_EQ(Text(kAutoSpin), "10");
  Click(spin, false);
  EXPECT_EQ(Text(kAutoSpin), "9");

  WriteProperty(kMain, kAutoSpin, 0, 150);
  WriteProperty(kMain, kAutoSpin, 1, 200);
  WriteProperty(kMain, kAutoSpin, 3, 40);
  expectBeside();
  EXPECT_EQ(RectInParent(spin).left, 150 + 60);
  EXPECT_EQ(GetWindow(box, GW_HWNDPREV), spin);
  WriteProperty(kMain, kAutoSpin, 5, 0);
  EXPECT_FALSE(IsWindowVisible(spin));
  WriteProperty(kMain, kAutoSpin, 5, 1);
  EXPECT_TRUE(IsWindowVisible(spin));
  WriteProperty(kMain, kAutoSpin, 6, 1);
  EXPECT_FALSE(IsWindowEnabled(spin));
  Click(spin, true);  // a disabled box does not step
  EXPECT_EQ(Text(kAutoSpin), "9");
}

TEST_F(EditBoxTest, AManualSpinnerRaisesSpinPressedAndLeavesTheText) {
  HWND spin = SpinOf(kManualSpin);
  ASSERT_TRUE(spin);
  Click(spin, true);
  Click(spin, false);
  EXPECT_EQ(g_events, (std::vector<std::string>{"spin 1", "spin -1"}));
  EXPECT_EQ(Text(kManualSpin), "manual");
  // Bounds beyond 16 bits reach the control whole.
  WriteProperty(kMain, kManualSpin, 23, 100000);
  WriteProperty(kMain, kManualSpin, 22, -70000);
  int32_t low = 0, high = 0;
  SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, -70000);
  EXPECT_EQ(high, 100000);
  // The spinner has a shallow edge with borders 0, 1 and 3 only.
  EXPECT_TRUE(GetWindowLongA(spin, GWL_EXSTYLE) & WS_EX_STATICEDGE);
  WriteProperty(kMain, kManualSpin, 9, 2);
  EXPECT_FALSE(GetWindowLongA(spin, GWL_EXSTYLE) & WS_EX_STATICEDGE);
  EXPECT_TRUE(GetWindowLongA(Handle(kMain, kManualSpin), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  WriteProperty(kMain, kManualSpin, 9, 3);
  EXPECT_TRUE(GetWindowLongA(spin, GWL_EXSTYLE) & WS_EX_STATICEDGE);
}

// A step and its events wait until the spinner's own click has returned: a
// handler may close the window or re-create the box under it.
TEST_F(EditBoxTest, SpinnerStepsWaitUntilTheControlHasReturned) {
  for (uint32_t unit : {kManualSpin, kAutoSpin}) {
    SetFocus(Handle(kMain, unit));
    g_events.clear();
    SendMessageA(SpinOf(unit), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
    g_events.push_back("returned");
    SendMessageA(SpinOf(unit), WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
    Pump();
    EXPECT_EQ(g_events, (std::vector<std::string>{"returned", unit == kManualSpin ? "spin 1" : "changed 16000005"}));
  }
}

// Rows of the box's window that hold the darkest pixels (the text's ink).
struct Ink {
  int top = -1, bottom = -1;
  COLORREF margin = 0;
};
Ink InkOf(HWND hwnd) {
  RECT w;
  GetWindowRect(hwnd, &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  HDC window = GetWindowDC(hwnd);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
  Ink ink;
  const int edge = 2 * GetSystemMetrics(SM_CYEDGE);  // the frame's own dark lines are skipped
  for (int y = edge; y < height - edge; ++y) {
    for (int x = 4; x < width - 4; ++x) {
      const COLORREF c = GetPixel(memory, x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 120) {
        if (ink.top < 0) ink.top = y;
        ink.bottom = y;
        break;
      }
    }
  }
  ink.margin = GetPixel(memory, width / 2, GetSystemMetrics(SM_CYEDGE) + 2);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwnd, window);
  return ink;
}

// Heights of 吴 and W in a font of the given points, made the way the box
// makes it.
std::pair<int, int> LineHeights(int32_t points) {
  LOGFONTA font;
  LogFontBytes bytes = TwelvePoints();
  HDC dc = GetDC(nullptr);
  bytes.height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  std::memcpy(&font, &bytes, sizeof font);
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = PROOF_QUALITY;
  HFONT made = CreateFontIndirectA(&font);
  HGDIOBJ old = SelectObject(dc, made);
  SIZE wu{}, w{};
  GetTextExtentPoint32A(dc, WU, 2, &wu);
  GetTextExtentPoint32A(dc, "W", 1, &w);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(made);
  return {wu.cy, w.cy};
}

TEST_F(EditBoxTest, AFontGrowsALowBoxAndATallBoxCentresItsLine) {
  // The low box: the height of 吴 in its font plus the two edges.
  const int edges = 2 * GetSystemMetrics(SM_CYEDGE);
  const auto [wu, w] = LineHeights(12);
  ASSERT_GT(wu, 10);
  EXPECT_EQ(ReadProperty(kMain, kLow, 3), uint32_t(wu + edges));
  EXPECT_EQ(ReadProperty(kMain, kLow, 2), 120u);  // width kept
  // A larger size through the font member grows it again.
  WriteProperty(kMain, kLow, 12, 20, kFontSize);
  EXPECT_EQ(ReadProperty(kMain, kLow, 12, kFontSize), 20u);
  EXPECT_EQ(ReadProperty(kMain, kLow, 3), uint32_t(LineHeights(20).first + edges));

  // The tall box: a client area one line high in the middle of the box.
  HWND high = Handle(kMain, kHigh);
  SetFocus(Handle(kMain, kOther));  // no caret or selection in the picture
  RECT client;
  GetClientRect(high, &client);
  EXPECT_EQ(client.bottom, w);
  RedrawWindow(high, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const Ink ink = InkOf(high);
  ASSERT_GE(ink.top, 0) << "no text drawn";
  const int above = ink.top, below = 64 - 1 - ink.bottom;
  EXPECT_LE(std::abs(above - below), 6) << above << " above, " << below << " below";
  // The frame around the client area has the box's own background, and
  // answers hit tests as border.
  EXPECT_EQ(ink.margin, COLORREF(0x0040C040));
  RECT box;
  GetWindowRect(high, &box);
  EXPECT_EQ(SendMessageA(high, WM_NCHITTEST, 0, MAKELPARAM(box.left + 60, box.top + edges + 2)), HTBORDER);
  EXPECT_EQ(SendMessageA(high, WM_NCHITTEST, 0, MAKELPARAM(box.left + 60, box.top + 32)), HTCLIENT);
  // The system colour stands for the button face.
  WriteProperty(kMain, kHigh, 11, 0xFF000000);
  RedrawWindow(high, nullptr, nullptr, RDW_UPDATENOW);
  EXPECT_EQ(InkOf(high).margin, GetSysColor(COLOR_BTNFACE));
}

TEST_F(EditBoxTest, WritesClampStoreAndReCreateWhereTheyMust) {
  HWND box = Handle(kMain, kBox);
  WriteProperty(kMain, kBox, 9, 9);  // border clamped to 5: a single line
  EXPECT_EQ(ReadProperty(kMain, kBox, 9), 5u);
  EXPECT_TRUE(GetWindowLongA(box, GWL_STYLE) & WS_BORDER);
  EXPECT_FALSE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  WriteProperty(kMain, kBox, 14, static_cast<uint32_t>(-5));
  EXPECT_EQ(ReadProperty(kMain, kBox, 14), 0u);
  WriteProperty(kMain, kBox, 18, 2);  // password mode shows '*'
  EXPECT_EQ(SendMessageA(box, EM_GETPASSWORDCHAR, 0, 0), '*');
  WriteProperty(kMain, kBox, 19, Addr(""));  // character 0 shows the text
  EXPECT_EQ(SendMessageA(box, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_EQ(ReadText(kBox, 19), "");
  WriteProperty(kMain, kBox, 18, 40);
  EXPECT_EQ(ReadProperty(kMain, kBox, 18), 11u);
  WriteProperty(kMain, kBox, 18, 1);
  EXPECT_TRUE(GetWindowLongA(box, GWL_STYLE) & ES_READONLY);
  WriteProperty(kMain, kBox, 11, 0x00123456);
  EXPECT_EQ(ReadProperty(kMain, kBox, 11), 0x00123456u);

  // Multi-line needs a new window, which keeps the typed text.
  SetWindowTextA(box, "typed");
  WriteProperty(kMain, kBox, 15, 1);
  HWND again = Handle(kMain, kBox);
  EXPECT_NE(again, box);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(GetWindowLongA(again, GWL_STYLE) & ES_MULTILINE);
  EXPECT_EQ(Text(kBox), "typed");
  EXPECT_EQ(ReadProperty(kMain, kBox, 9), 5u);
  auto wantsKey = reinterpret_cast<WantsKeyFn>(EditBoxTypeEntry(kEntryWantsKey));
  EXPECT_EQ(wantsKey(Object(kMain, kBox), VK_RETURN), 0);  // read-only
  WriteProperty(kMain, kBox, 18, 0);
  EXPECT_EQ(wantsKey(Object(kMain, kBox), VK_RETURN), 1);
  EXPECT_EQ(EditBoxTypeEntry(7), nullptr);
}

TEST_F(EditBoxTest, ABoundBoxShowsWritesBackAndFollowsItsSource) {
  auto* source = static_cast<TestSourceUnit*>(Object(kMain, kSource));
  HWND box = Handle(kMain, kBound);
  EXPECT_EQ(Text(kBound), "C:\\pe");  // the name matched case-insensitively
  EXPECT_EQ(source->source.clients, std::vector<HWND>{box});
  EXPECT_EQ(SendMessageA(box, kFindBoundSource, 0, 0), reinterpret_cast<LRESULT>(&source->source.table));
  EXPECT_FALSE(GetWindowLongA(box, GWL_STYLE) & ES_READONLY);

  source->source.readOnly = true;
  source->Notify(kSourceReadOnlyChanged);
  EXPECT_TRUE(GetWindowLongA(box, GWL_STYLE) & ES_READONLY);
  source->source.values[1] = "D:\\";
  source->Notify(kSourceRecordChanged, 10, 0, 1);  // column 1 lies outside
  EXPECT_EQ(Text(kBound), "C:\\pe");
  source->Notify(kSourceRecordChanged, 10, 1, 1);
  EXPECT_EQ(Text(kBound), "D:\\");
  SetWindowTextA(box, "typed");
  source->Notify(kSourceWriteBack);
  EXPECT_EQ(source->source.values[1], "typed");
  source->Notify(kSourceRecordChanged, 7);  // other sub-codes are ignored
  EXPECT_EQ(Text(kBound), "typed");

  g_events.clear();
  WriteProperty(kMain, kBound, 28, Addr("no such column"));
  EXPECT_EQ(Text(kBound), "");
  WriteProperty(kMain, kBound, 28, Addr("name"));
  EXPECT_EQ(Text(kBound), "n1");
  EXPECT_EQ(g_events, std::vector<std::string>{});  // refreshes raise nothing
  WriteProperty(kMain, kBound, 27, Addr(""));
  EXPECT_TRUE(source->source.clients.empty());
  EXPECT_EQ(Text(kBound), "");
}

std::vector<std::string> g_visited;
char* __stdcall Visit(char* text, int32_t faceName, uint32_t user) {
  g_visited.push_back(std::string(faceName ? "face " : "") + text + " " + std::to_string(user));
  if (faceName) std::strcpy(text, "Arial");
  return std::string(text) == "src" ? MakeTextCopy("renamed") : nullptr;
}

TEST_F(EditBoxTest, TheTypeVisitsItsTextsAndADesignedBoxAnswersStoredValues) {
  BoxSettings s;
  s.text = "content";
  s.font = FontBytes(TwelvePoints());
  s.dataSource = "src";
  s.dataColumn = "col";
  std::vector<uint8_t> block = BoxBlock(s);
  uint32_t length = static_cast<uint32_t>(block.size());
  auto visit = reinterpret_cast<VisitTextsFn>(EditBoxTypeEntry(kEntryVisitTexts));
  auto* out = static_cast<uint8_t*>(visit(block.data(), &length, &Visit, 7));
  EXPECT_EQ(g_visited, (std::vector<std::string>{"content 7", "face Tahoma 7", "src 7", "col 7"}));
  EditBoxProperties p;
  ASSERT_TRUE(LoadEditBoxProperties(&p, out, length));
  FreeMemory(out);
  EXPECT_STREQ(p.text.text(), "content");
  EXPECT_STREQ(p.dataSource.text(), "renamed");
  LogFontBytes face;
  ASSERT_TRUE(FontOf(p.font, &face));
  EXPECT_STREQ(face.faceName, "Arial");
  BoxSettings future;
  future.version = 3;
  std::vector<uint8_t> unreadable = BoxBlock(future);
  length = static_cast<uint32_t>(unreadable.size());
  EXPECT_EQ(visit(unreadable.data(), &length, &Visit, 0), nullptr);
  EXPECT_EQ(length, 0u);

  // Design mode: selection reads give the stored values, and a HideSel
  // change asks for no new window.
  auto create = reinterpret_cast<CreateUnitFn>(EditBoxTypeEntry(kEntryCreateUnit));
  auto read = reinterpret_cast<ReadPropertyFn>(EditBoxTypeEntry(kEntryReadProperty));
  auto written = reinterpret_cast<PropertyWrittenFn>(EditBoxTypeEntry(kEntryPropertyWritten));
  Wnd* designed = create(block.data(), static_cast<uint32_t>(block.size()), WS_VISIBLE, Handle(kMain, 0), 900,
                         nullptr, 300, 250, 100, 24, kMain, 0x16000077, 0, 1);
  ASSERT_TRUE(designed);
  SendMessageA(designed->Handle(), EM_SETSEL, 2, 5);
  PropertyValue v{};
  ASSERT_EQ(read(designed, 16, &v), 1);
  EXPECT_EQ(v.word0, 0u);
  ASSERT_EQ(read(designed, 17, &v), 1);
  EXPECT_EQ(v.word0, 0u);
  EXPECT_EQ(read(designed, 21, &v), 0);  // past DataColumn
  const PropertyValue off{0, 0};
  uint32_t outWord = 5;
  EXPECT_EQ(written(designed, 5, &off, Addr(&outWord)), 0);
  EXPECT_EQ(outWord, 0u);
  designed->DestroyWindow();
}

class EditBoxBlockTest : public EditBoxTest {
 protected:
  void SetUp() override {}
};

TEST_F(EditBoxBlockTest, AVersion1BlockLoadsWithoutNamesAndVersion3Fails) {
  TemplateWindow old;
  old.id = 0x52000002;
  old.units.push_back(TestWindowUnit(0x06000002));
  BoxSettings v1;
  v1.version = 1;
  v1.border = 3;
  v1.text = "v1";
  old.units.push_back(Box(0x16000012, 10, 10, 100, 24, v1));
  TemplateWindow future = old;
  future.id = 0x52000003;
  future.units[0].id = 0x06000003;
  BoxSettings v3;
  v3.version = 3;
  future.units[1] = Box(0x16000013, 10, 10, 100, 24, v3);
  StartWith({{old, future}});

  ASSERT_EQ(Load(0x52000002), 0);
  EXPECT_EQ(ReadProperty(0x52000002, 0x16000012, 9), 3u);
  EXPECT_EQ(ReadProperty(0x52000002, 0x16000012, 27), 0u);
  EXPECT_EQ(ReadProperty(0x52000002, 0x16000012, 28), 0u);
  char* text = At<char>(ReadProperty(0x52000002, 0x16000012, 8));
  EXPECT_STREQ(text, "v1");
  FreeMemory(text);
  EXPECT_TRUE(GetWindowLongA(Handle(0x52000002, 0x16000012), GWL_EXSTYLE) & WS_EX_STATICEDGE);

  EXPECT_EQ(Load(0x52000003), -1);
  EXPECT_EQ(Object(0x52000003, 0), nullptr);
}

}  // namespace
