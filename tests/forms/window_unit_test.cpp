// The window unit on real windows: frames of the application's two window
// blocks, the closing sequence, focus and keys, pixels of the background,
// Z-order, outlines and the notification-area event.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "forms/window_unit.h"
#include "runtime/values.h"
#include "tests/forms/form_test_support.h"
#include "tests/forms/template_test_support.h"
#include "tests/forms/window_test_library.h"
#include "tests/support/child_process.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kSecond = 0x52000002, kSecondUnit = 0x06000002;
constexpr uint32_t kU1 = 0x16000011, kU2 = 0x16000012, kU3 = 0x16000013, kU4 = 0x16000014;

enum : int32_t {
  kPropBorderStyle = 9, kPropBackColor = 10, kPropBackPicture = 11, kPropPictureMode = 12,
  kPropEnterMovesFocus = 21, kPropPosition = 18, kPropShape = 28, kPropAlwaysOnTop = 29,
};

TemplateUnit OwnUnit(uint32_t unitId, std::vector<uint8_t> block, int32_t width = 300,
                          int32_t height = 200, uint32_t flags = kUnitVisible) {
  TemplateUnit u;
  u.id = unitId;
  u.typeCode = kWindowUnitType;
  u.name = "窗口";
  u.left = 30;
  u.top = 30;
  u.width = width;
  u.height = height;
  u.flags = flags;
  u.propertyBlock = std::move(block);
  return u;
}

TemplateUnit TabUnit(uint32_t id, int32_t tabOrder, uint32_t type = kTestUnitType, int32_t number = 0,
                     uint32_t flags = kUnitVisible | kUnitTabStop) {
  TestUnitSettings settings;
  settings.number = number;
  TemplateUnit u = TestUnit(id, type, flags, settings);
  u.tabOrder = tabOrder;
  return u;
}

TemplateWindow Window(uint32_t id, TemplateUnit own, std::vector<TemplateUnit> units = {}) {
  TemplateWindow w;
  w.id = id;
  w.units.push_back(std::move(own));
  for (TemplateUnit& u : units) w.units.push_back(std::move(u));
  return w;
}

// A 10 x 6 picture: columns 0-4 red, 5-9 blue (or one colour).
std::vector<uint8_t> Bmp(int width, int height, COLORREF left, COLORREF right) {
  const int row = (width * 3 + 3) & ~3;
  std::vector<uint8_t> b(54 + row * height, 0);
  auto put32 = [&b](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const COLORREF c = x < width / 2 ? left : right;
      uint8_t* p = &b[54 + y * row + x * 3];
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  return b;
}

// The window's background as message 0x8389 paints it into a memory bitmap.
class BackgroundShot {
 public:
  explicit BackgroundShot(HWND hwnd) {
    GetClientRect(hwnd, &client);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageA(hwnd, kPaintBackgroundMessage, reinterpret_cast<WPARAM>(dc_), reinterpret_cast<LPARAM>(&client));
    GdiFlush();
  }
  ~BackgroundShot() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const {
    const uint32_t p = bits_[y * client.right + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  RECT client{};

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 128, 0);

class WindowUnitTest : public FormTest {
 protected:
  void StartWindows(const TemplateDescription& description) {
    ASSERT_TRUE(WriteTemplate(description, &segment_));
    program_.AddLibrary(WindowTestLibrary());
    program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
    app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
    app_->InitialiseRuntime();
    ClearLog();
    g_returnResult = false;
  }
  WindowUnit* Unit(uint32_t windowId) { return dynamic_cast<WindowUnit*>(Object(windowId, 0)); }
  void WriteBytes(uint32_t windowId, int32_t index, const std::vector<uint8_t>& bytes) {
    void* set = MakeByteSet(bytes.data(), static_cast<uint32_t>(bytes.size()));
    WriteProperty(windowId, 0, index, Addr(set));
    FreeMemory(set);
  }
  void Key(UINT message, WPARAM key) {
    PostMessageA(GetFocus(), message, key, message == WM_SYSKEYDOWN ? 1 << 29 : 0);
    Pump();
  }
  bool Logged(const std::string& line) { return std::count(Log().begin(), Log().end(), line) > 0; }
};

TEST_F(WindowUnitTest, ApplicationWindowBlocksGiveTheirFrames) {
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowPropertyBlock(2), 350, 187)),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowPropertyBlock(0), 332, 61))}});
  ASSERT_EQ(Load(kMain), 0);
  ASSERT_EQ(Load(kSecond), 0);
  Pump();
  HWND main = Handle(kMain, 0), second = Handle(kSecond, 0);
  ASSERT_TRUE(main && second);

  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(r.right - r.left, 350);
  EXPECT_EQ(r.bottom - r.top, 187);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 350) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 187) / 2);
  const DWORD style = GetWindowLongA(main, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, DWORD(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetWindowTextLengthA(main), 0);
  char className[32] = {};
  GetClassNameA(main, className, sizeof className);
  EXPECT_STREQ(className, "QKWindow");

  // No frame, no title bar: the client area is the whole window.
  EXPECT_FALSE(GetWindowLongA(second, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER));
  RECT client;
  GetWindowRect(second, &r);
  GetClientRect(second, &client);
  EXPECT_EQ(r.right - r.left, 332);
  EXPECT_EQ(r.bottom - r.top, 61);
  EXPECT_EQ(client.right, 332);
  EXPECT_EQ(client.bottom, 61);

  // Title-bar bits follow caption and control box; Movable drops "Move".
  WriteProperty(kMain, 0, 15, 0);
  EXPECT_FALSE(GetWindowLongA(main, GWL_STYLE) & (WS_SYSMENU | WS_BORDER));
  WriteProperty(kMain, 0, 8, Addr("标题"));
  EXPECT_TRUE(GetWindowLongA(main, GWL_STYLE) & WS_BORDER);
  char title[16] = {};
  GetWindowTextA(main, title, sizeof title);
  EXPECT_STREQ(title, "标题");
  WriteProperty(kMain, 0, 15, 1);
  EXPECT_NE(GetMenuState(GetSystemMenu(main, FALSE), SC_MOVE, MF_BYCOMMAND), UINT(-1));
  WriteProperty(kMain, 0, 19, 0);
  EXPECT_EQ(GetMenuState(GetSystemMenu(main, FALSE), SC_MOVE, MF_BYCOMMAND), UINT(-1));

  // Position reads the live state; the template's "centred" reads as 0.
  EXPECT_EQ(ReadProperty(kMain, 0, kPropPosition), 0u);
  WriteProperty(kMain, 0, kPropPosition, 2);
  EXPECT_TRUE(IsIconic(main));
  EXPECT_EQ(ReadProperty(kMain, 0, kPropPosition), 2u);
  WriteProperty(kMain, 0, kPropPosition, 0);
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(ReadProperty(kMain, 0, kPropPosition), 0u);

  // A border style write restyles the frame at once.
  WriteProperty(kSecond, 0, kPropBorderStyle, 1);
  EXPECT_TRUE(GetWindowLongA(second, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(ReadProperty(kSecond, 0, kPropBorderStyle), 1u);
  WriteProperty(kSecond, 0, kPropBorderStyle, 99);
  EXPECT_EQ(ReadProperty(kSecond, 0, kPropBorderStyle), 6u);
  EXPECT_TRUE(GetWindowLongA(second, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

// Handlers of this file: each logs its name and returns what its word
// says (-1: returns nothing).
int64_t g_closeResult = -1, g_queryResult = -1;
void __cdecl OnCloseRequest(EventResult* result) {
  Log().push_back("close request");
  if (g_closeResult >= 0) *result = {1, uint32_t(g_closeResult), 0};
}
void __cdecl OnQueryClose(EventResult* result) {
  Log().push_back("query close");
  if (g_queryResult >= 0) *result = {1, uint32_t(g_queryResult), 0};
}
void __cdecl OnDestroyed(EventResult*) { Log().push_back("destroyed event"); }
void __cdecl OnFirstActivation(EventResult*) { Log().push_back("first activation"); }
void __cdecl OnActivated(EventResult*) { Log().push_back("activated"); }

TEST_F(WindowUnitTest, CloseRequestsRaise12Then1AndOnlyAnExplicitFalseRefuses) {
  TemplateUnit own = OwnUnit(kMainUnit, WindowBlock(WindowProperties{}));
  own.bindings = {{kWindowCloseRequest, OffsetOf(&OnCloseRequest)},
                  {kWindowQueryClose, OffsetOf(&OnQueryClose)},
                  {kWindowDestroyed, OffsetOf(&OnDestroyed)}};
  StartWindows({{Window(kMain, own)}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  using Lines = std::vector<std::string>;

  g_closeResult = 0;
  g_queryResult = 1;
  ClearLog();
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(Log(), Lines({"close request"}));
  EXPECT_TRUE(IsWindow(main));

  g_closeResult = 1;
  g_queryResult = 0;
  ClearLog();
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(Log(), Lines({"close request", "query close"}));
  EXPECT_TRUE(IsWindow(main));

  // The logoff query: default processing, then event 1 with the same rule.
  ClearLog();
  EXPECT_EQ(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), FALSE);
  g_queryResult = 1;
  EXPECT_NE(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_EQ(Log(), Lines({"query close", "query close"}));

  // Handlers that return nothing do not refuse.
  g_closeResult = g_queryResult = -1;
  ClearLog();
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(Log(), Lines({"close request", "query close", "destroyed event"}));
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(Object(kMain, 0), nullptr);
  // Loadable again afterwards.
  ASSERT_EQ(Load(kMain), 0);
  EXPECT_NE(Handle(kMain, 0), nullptr);
}

TEST_F(WindowUnitTest, EscClosesOnlyWithEscClosesAndTheFirstActivationComesBeforeActivated) {
  WindowProperties closing;
  closing.escCloses = 1;
  TemplateUnit own = OwnUnit(kMainUnit, WindowBlock(closing));
  own.bindings = {{kWindowFirstActivated, OffsetOf(&OnFirstActivation)},
                  {kWindowActivated, OffsetOf(&OnActivated)}};
  StartWindows({{Window(kMain, own, {TabUnit(kU1, 0)}),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(WindowProperties{})))}});
  ASSERT_EQ(Load(kMain), 0);
  Pump();
  std::vector<std::string> order = LogFrom("first activation");
  ASSERT_GE(order.size(), 2u);
  order.resize(2);
  EXPECT_EQ(order, std::vector<std::string>({"first activation", "activated"}));
  ASSERT_EQ(Load(kSecond), 0);
  Pump();

  SetActiveWindow(Handle(kSecond, 0));
  SetFocus(Handle(kSecond, 0));
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_NE(Handle(kSecond, 0), nullptr);

  SetActiveWindow(Handle(kMain, 0));
  ClearLog();
  SetFocus(Handle(kMain, kU1));  // a unit's Esc is the window's too
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Handle(kMain, 0), nullptr);
  EXPECT_FALSE(Logged("first activation"));
}

HWND g_closeOnFocus = nullptr;
void __cdecl OnFocusCloses(EventResult*) { DestroyWindow(std::exchange(g_closeOnFocus, nullptr)); }

// The focus that the activation sets lets a handler close the window; then
// nothing of the window raises the activation's events.
TEST_F(WindowUnitTest, AFocusHandlerThatClosesTheWindowEndsItsActivation) {
  TemplateUnit own = OwnUnit(kMainUnit, WindowBlock(WindowProperties{}));
  own.bindings = {{-7, OffsetOf(&OnFocusCloses)}, {kWindowActivated, OffsetOf(&OnActivated)},
                  {kWindowDestroyed, OffsetOf(&OnDestroyed)}};
  StartWindows({{Window(kMain, own), Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(WindowProperties{})))}});
  ASSERT_EQ(Load(kMain), 0);
  ASSERT_EQ(Load(kSecond), 0);
  SetActiveWindow(Handle(kSecond, 0));
  g_closeOnFocus = Handle(kMain, 0);
  ClearLog();
  SetActiveWindow(g_closeOnFocus);
  EXPECT_EQ(Object(kMain, 0), nullptr);
  EXPECT_EQ(Log(), std::vector<std::string>({"destroyed event"}));
}

// A creation that fails after the window's first message fails the load.
TEST_F(WindowUnitTest, AWindowWhoseCreationFailsLateIsNotLoaded) {
  const TemplateUnit own = OwnUnit(kSecondUnit, WindowBlock(WindowProperties{}));
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(WindowProperties{}))), Window(kSecond, own)}});
  ASSERT_EQ(Load(kMain), 0);
  RefusedCreation refused(Handle(kMain, 0));  // of the same class
  EXPECT_EQ(Load(kSecond), -1);
  EXPECT_TRUE(IsWindow(Handle(kMain, 0)));
}

TEST_F(WindowUnitTest, FocusGoesToTheLowestTabOrderLatestInTheTableAndTabWalksTheOrder) {
  const uint32_t noStop = kUnitVisible;
  WindowProperties p;
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(p)),
                        {TabUnit(kU1, 0), TabUnit(kU2, 0), TabUnit(kU3, 0), TabUnit(kU4, 0, kTestUnitType, 0, noStop)}),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(p)),
                        {TabUnit(kU1, 2), TabUnit(kU2, 1), TabUnit(kU3, 1), TabUnit(kU4, 0, kTestHiddenType)})}});
  ASSERT_EQ(Load(kMain), 0);
  SetFocus(Handle(kMain, 0));
  EXPECT_EQ(GetFocus(), Handle(kMain, kU3));  // all 0: the last tab stop

  ASSERT_EQ(Load(kSecond), 0);
  SetActiveWindow(Handle(kSecond, 0));
  SetFocus(Handle(kSecond, 0));
  EXPECT_EQ(GetFocus(), Handle(kSecond, kU3));  // order 1, later than kU2
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), Handle(kSecond, kU1));  // order 2
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), Handle(kSecond, kU2));  // wraps to the first of order 1
  // A key the window handled raises no common key event.
  EXPECT_FALSE(Logged("unit keydown 9"));
}

TEST_F(WindowUnitTest, EnterPressesTheDefaultButtonOrMovesTheFocus) {
  TemplateUnit notDefault = TabUnit(kU2, 0, kDefaultButtonType, 0);
  TemplateUnit defaultButton = TabUnit(kU3, 0, kDefaultButtonType, 1);
  defaultButton.bindings = {{0, HandlerOffset(LogHandlerA)}};
  notDefault.bindings = {{0, HandlerOffset(LogHandlerB)}};
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(WindowProperties{})),
                        {TabUnit(kU1, 0), notDefault, defaultButton})}});
  ASSERT_EQ(Load(kMain), 0);
  SetFocus(Handle(kMain, kU1));
  ClearLog();
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Log(), std::vector<std::string>({"handler A " + Hex(kMain) + " " + Hex(kU3)}));
  EXPECT_EQ(GetFocus(), Handle(kMain, kU1));

  // A disabled default button is not pressed by Enter either.
  EnableWindow(Handle(kMain, kU3), FALSE);
  ClearLog();
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Log(), std::vector<std::string>({"unit keydown 13", "unit char 13"}));
  EnableWindow(Handle(kMain, kU3), TRUE);

  WriteProperty(kMain, 0, kPropEnterMovesFocus, 1);
  ClearLog();
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(GetFocus(), Handle(kMain, kU2));
}

TEST_F(WindowUnitTest, BackColorAndPictureModesPaintWhereTheyShould) {
  WindowProperties p;
  p.backColor = kGreen;
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(p), 300, 200))}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  UpdateWindow(main);
  Pump();
  {
    // On screen, through WM_PAINT.
    HDC dc = GetDC(main);
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(GetPixel(dc, 0, 0), kGreen);
    EXPECT_EQ(GetPixel(dc, client.right - 1, client.bottom - 1), kGreen);
    ReleaseDC(main, dc);
  }
  WriteBytes(kMain, kPropBackPicture, Bmp(10, 6, kRed, kBlue));
  for (int32_t mode = 0; mode < 4; ++mode) {
    SCOPED_TRACE(mode);
    WriteProperty(kMain, 0, kPropPictureMode, uint32_t(mode));
    BackgroundShot shot(main);
    const int cw = shot.client.right, ch = shot.client.bottom;
    switch (mode) {
      case 0:  // natural size at the top left
        EXPECT_EQ(shot.At(2, 2), kRed);
        EXPECT_EQ(shot.At(7, 5), kBlue);
        EXPECT_EQ(shot.At(10, 0), kGreen);
        EXPECT_EQ(shot.At(0, 6), kGreen);
        break;
      case 1:  // tiled
        EXPECT_EQ(shot.At(12, 8), kRed);
        EXPECT_EQ(shot.At(17, 13), kBlue);
        EXPECT_EQ(shot.At(cw - 1, ch - 1), (cw - 1) % 10 < 5 ? kRed : kBlue);
        break;
      case 2: {  // centred
        const int x = (cw - 10) / 2, y = (ch - 6) / 2;
        EXPECT_EQ(shot.At(x + 2, y + 2), kRed);
        EXPECT_EQ(shot.At(x + 7, y + 3), kBlue);
        EXPECT_EQ(shot.At(x - 1, y), kGreen);
        EXPECT_EQ(shot.At(0, 0), kGreen);
        break;
      }
      case 3:  // stretched
        EXPECT_EQ(shot.At(0, 0), kRed);
        EXPECT_EQ(shot.At(cw / 4, ch / 2), kRed);
        EXPECT_EQ(shot.At(cw * 3 / 4, ch / 2), kBlue);
        EXPECT_EQ(shot.At(cw - 1, ch - 1), kBlue);
        break;
    }
  }
  // Centred and larger than the client area: scaled down, aspect kept.
  WriteProperty(kMain, 0, kPropPictureMode, 2);
  {
    BackgroundShot probe(main);
    const int cw = probe.client.right, ch = probe.client.bottom;
    WriteBytes(kMain, kPropBackPicture, Bmp(cw * 2, ch / 2, kBlue, kBlue));
    BackgroundShot shot(main);
    const int h = (ch / 2) * cw / (cw * 2), top = (ch - h) / 2;
    EXPECT_EQ(shot.At(0, top + 1), kBlue);
    EXPECT_EQ(shot.At(cw - 1, top + h - 2), kBlue);
    EXPECT_EQ(shot.At(cw / 2, top - 2), kGreen);
    EXPECT_EQ(shot.At(cw / 2, top + h + 1), kGreen);
  }
  // A new colour repaints; removing the picture leaves the colour alone.
  WriteProperty(kMain, 0, kPropBackColor, kRed);
  WriteBytes(kMain, kPropBackPicture, {});
  BackgroundShot shot(main);
  EXPECT_EQ(shot.At(shot.client.right / 2, shot.client.bottom / 2), kRed);
}

TEST_F(WindowUnitTest, AlwaysOnTopOnAndOffAndOutlines) {
  WindowProperties stays;
  stays.alwaysOnTop = 1;
  stays.showInTaskbar = 0;
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(WindowProperties{}))),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(stays)))}});
  ASSERT_EQ(Load(kMain), 0);
  ASSERT_EQ(Load(kSecond), 0);
  HWND main = Handle(kMain, 0), second = Handle(kSecond, 0);
  EXPECT_TRUE(GetWindowLongA(second, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  WriteProperty(kMain, 0, kPropAlwaysOnTop, 1);
  EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(ReadProperty(kMain, 0, kPropAlwaysOnTop), 1u);
  WriteProperty(kMain, 0, kPropAlwaysOnTop, 0);
  EXPECT_FALSE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongA(second, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // Back among the normal windows: the topmost one is above it.
  bool secondAbove = false;
  for (HWND h = GetWindow(main, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV)) secondAbove |= h == second;
  EXPECT_TRUE(secondAbove);

  // Outlines: 0 is the plain window, every other one cuts a corner away
  // and keeps the centre.
  RECT window, client;
  GetWindowRect(main, &window);
  GetClientRect(main, &client);
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  const int dx = origin.x - window.left, dy = origin.y - window.top;
  for (int32_t shape = 1; shape < 30; ++shape) {
    SCOPED_TRACE(shape);
    WriteProperty(kMain, 0, kPropShape, uint32_t(shape));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(main, region), ERROR);
    EXPECT_TRUE(PtInRegion(region, dx + client.right / 2, dy + client.bottom / 2));
    const bool cornerCut = !PtInRegion(region, dx, dy) || !PtInRegion(region, dx + client.right - 1, dy) ||
                           !PtInRegion(region, dx, dy + client.bottom - 1) ||
                           !PtInRegion(region, dx + client.right - 1, dy + client.bottom - 1);
    EXPECT_TRUE(cornerCut);
    DeleteObject(region);
  }
  WriteProperty(kMain, 0, kPropShape, 0);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(main, region), ERROR);
  DeleteObject(region);
}

TEST_F(WindowUnitTest, MnemonicsCursorsAndBars) {
  TemplateUnit label = TabUnit(kU1, 0, kLabelLikeType, 0, kUnitVisible);
  TemplateUnit button = TabUnit(kU3, 0, kDefaultButtonType);
  button.bindings = {{0, HandlerOffset(LogHandlerA)}};
  TemplateUnit pointer = TabUnit(kU4, 0);
  pointer.mousePointer = {0x01, 0x7F, 0, 0};  // 32513, the I-beam
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(WindowProperties{})),
                        {label, TabUnit(kU2, 0), button, pointer}),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(WindowProperties{})),
                        {TabUnit(kU1, 0, kBarType), TabUnit(kU2, 0, kBarType), TabUnit(kU3, 0, kBarType)})}});
  ASSERT_EQ(Load(kMain), 0);
  SetWindowTextA(Handle(kMain, kU1), "&Name:");
  SetWindowTextA(Handle(kMain, kU3), "&Go");
  SetFocus(Handle(kMain, kU4));
  ClearLog();
  Key(WM_SYSKEYDOWN, 'N');  // a label passes the focus to the unit after it
  EXPECT_EQ(GetFocus(), Handle(kMain, kU2));
  Key(WM_SYSKEYDOWN, 'G');
  EXPECT_EQ(Log(), std::vector<std::string>({"handler A " + Hex(kMain) + " " + Hex(kU3)}));
  ClearLog();
  Key(WM_SYSKEYDOWN, 'X');  // no unit marked: a common key event
  EXPECT_EQ(GetFocus(), Handle(kMain, kU2));

  HWND main = Handle(kMain, 0);
  SetCursor(nullptr);
  SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(Handle(kMain, kU4)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_IBEAM));
  SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));

  // Bars: style bits 1 dock at the top, 3 at the bottom, stacked from the
  // last entry; a resize lays them out again.
  ASSERT_EQ(Load(kSecond), 0);
  HWND second = Handle(kSecond, 0);
  for (auto [unit, dock] : {std::pair{kU1, 1}, {kU2, 1}, {kU3, 3}}) {
    HWND bar = Handle(kSecond, unit);
    SetWindowLongA(bar, GWL_STYLE, (GetWindowLongA(bar, GWL_STYLE) & ~3) | dock);
  }
  SetWindowPos(second, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(second, &client);
  auto topOf = [&](uint32_t unit) {
    RECT r;
    GetWindowRect(Handle(kSecond, unit), &r);
    MapWindowPoints(nullptr, second, reinterpret_cast<POINT*>(&r), 2);
    return r.top;
  };
  EXPECT_EQ(topOf(kU2), 0);
  EXPECT_EQ(topOf(kU1), 20);
  EXPECT_EQ(topOf(kU3), client.bottom - 20);
}

// An ICO file with one 16 x 16 32-bit image of one colour.
std::vector<uint8_t> IcoFile(uint32_t argb) {
  std::vector<uint8_t> f = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
  const uint32_t imageSize = 40 + 16 * 16 * 4 + 16 * 4;
  for (uint32_t v : {imageSize, 22u}) for (int i = 0; i < 4; ++i) f.push_back(uint8_t(v >> (8 * i)));
  const int32_t header[] = {40, 16, 32};
  for (int32_t v : header) for (int i = 0; i < 4; ++i) f.push_back(uint8_t(v >> (8 * i)));
  for (uint8_t b : {1, 0, 32, 0}) f.push_back(b);
  f.resize(f.size() + 24, 0);
  for (int p = 0; p < 256; ++p) for (int i = 0; i < 4; ++i) f.push_back(uint8_t(argb >> (8 * i)));
  f.resize(f.size() + 16 * 4, 0);  // AND mask: all opaque
  return f;
}

TEST_F(WindowUnitTest, OwnersIconsAndTheFirstShowOfAMinimisedWindow) {
  WindowProperties unlisted;
  unlisted.showInTaskbar = 0;
  unlisted.position = 2;
  unlisted.icon.Assign(IcoFile(0xFF00FF00).data(), uint32_t(IcoFile(0).size()));
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(unlisted))),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(WindowProperties{})))}});
  app_->runMode = 1;
  ASSERT_EQ(Load(kMain), 0);
  ASSERT_EQ(Load(kSecond), 0);
  HWND main = Handle(kMain, 0), second = Handle(kSecond, 0);
  EXPECT_EQ(GetWindow(main, GW_OWNER), app_->hiddenOwner.Handle());
  EXPECT_EQ(GetWindow(second, GW_OWNER), nullptr);
  EXPECT_TRUE(IsIconic(main));
  EXPECT_EQ(ReadProperty(kMain, 0, kPropPosition), 2u);

  // Icons from the property; without one the program's default icons.
  uint32_t defaults[2] = {};
  HostService(1000, static_cast<int32_t>(Addr(defaults)), 0);
  auto icon = [](HWND h, WPARAM which) { return SendMessageA(h, WM_GETICON, which, 0); };
  EXPECT_EQ(icon(second, ICON_BIG), LRESULT(defaults[0]));
  EXPECT_EQ(icon(second, ICON_SMALL), LRESULT(defaults[1]));
  const LRESULT ownBig = icon(main, ICON_BIG);
  EXPECT_NE(ownBig, 0);
  EXPECT_NE(ownBig, LRESULT(defaults[0]));
  EXPECT_NE(icon(main, ICON_SMALL), 0);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(ownBig), &info));
  BITMAP bitmap{};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  std::vector<uint8_t> cut = IcoFile(0xFF0000FF);
  cut.resize(cut.size() - 100);  // image data past the end: no icon of its own
  WriteBytes(kMain, 20, cut);
  EXPECT_EQ(icon(main, ICON_BIG), LRESULT(defaults[0]));
}

#define NAMED_HANDLER(name, text) \
  void __cdecl name(EventResult*) { Log().push_back(text); }
NAMED_HANDLER(OnMoved, "moved")
NAMED_HANDLER(OnResized, "resized")
NAMED_HANDLER(OnShowing, "showing")
NAMED_HANDLER(OnHiding, "hiding")
NAMED_HANDLER(OnFocusGained, "window focus")
NAMED_HANDLER(OnFocusLost, "window focus lost")
#undef NAMED_HANDLER

TEST_F(WindowUnitTest, MoveSizeShowHideAndFocusEventsOfTheWindowItself) {
  TemplateUnit own = OwnUnit(kMainUnit, WindowBlock(WindowProperties{}));
  own.bindings = {{kWindowMoved, OffsetOf(&OnMoved)},       {kWindowResized, OffsetOf(&OnResized)},
                  {kWindowShowing, OffsetOf(&OnShowing)},   {kWindowHiding, OffsetOf(&OnHiding)},
                  {-7, OffsetOf(&OnFocusGained)},           {-8, OffsetOf(&OnFocusLost)}};
  StartWindows({{Window(kMain, own, {TabUnit(kU1, 0), TabUnit(kU2, 0)}),
                 Window(kSecond, OwnUnit(kSecondUnit, WindowBlock(WindowProperties{})))}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  using Lines = std::vector<std::string>;
  ClearLog();
  SetWindowPos(main, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(main, nullptr, 0, 0, 280, 190, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Log(), Lines({"moved", "resized"}));
  ClearLog();
  ShowWindow(main, SW_HIDE);
  ShowWindow(main, SW_SHOWNA);
  EXPECT_EQ(Log(), Lines({"hiding", "showing"}));

  // The window takes the focus only to hand it on to a unit.
  SetActiveWindow(main);
  SetFocus(Handle(kMain, kU1));
  ClearLog();
  SetFocus(main);
  EXPECT_EQ(Log(), Lines({"window focus", "window focus lost"}));
  EXPECT_EQ(GetFocus(), Handle(kMain, kU2));  // the rule's choice
  // Over a deactivation the unit that had the focus is remembered instead.
  SetFocus(Handle(kMain, kU1));
  ASSERT_EQ(Load(kSecond), 0);
  SetActiveWindow(Handle(kSecond, 0));
  EXPECT_NE(GetFocus(), Handle(kMain, kU1));
  SetActiveWindow(main);
  EXPECT_EQ(GetFocus(), Handle(kMain, kU1));

  // A pending reload lets message 0x8065 destroy the window.
  SendMessageA(main, kDeferredDestroyMessage, 0, 0);
  EXPECT_TRUE(IsWindow(main));
  Unit(kMain)->reloadPending = true;
  SendMessageA(main, kDeferredDestroyMessage, 0, 0);
  EXPECT_FALSE(IsWindow(main));
}

int TemporarySoundFiles() {
  char directory[MAX_PATH];
  GetTempPathA(sizeof directory, directory);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((std::string(directory) + "qkm*.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count; while (FindNextFileA(find, &found));
  FindClose(find);
  return count;
}

TEST_F(WindowUnitTest, BackgroundSoundStopsAndLeavesNoTemporaryFile) {
  const std::vector<uint8_t> midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60,
                                     'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
  const int before = TemporarySoundFiles();
  WindowProperties p;
  p.backSound.Assign(midi.data(), uint32_t(midi.size()));
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(p)))}});
  ASSERT_EQ(Load(kMain), 0);
  const std::string file = Unit(kMain)->Sound().MidiFile();
  // Without a sequencer playback fails silently and takes its file along.
  if (!file.empty()) {
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_EQ(TemporarySoundFiles(), before + (file.empty() ? 0 : 1));

  WriteProperty(kMain, 0, 14, 2);  // not played automatically
  EXPECT_FALSE(Unit(kMain)->Sound().Playing());
  EXPECT_EQ(TemporarySoundFiles(), before);
  WriteProperty(kMain, 0, 14, 0);
  DestroyWindow(Handle(kMain, 0));
  EXPECT_EQ(TemporarySoundFiles(), before);
  if (!file.empty()) {
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

// A notice of a device closed since (the sound restarted) leaves the new one
// playing; the new device's own notice ends a sound played once.
TEST_F(WindowUnitTest, OnlyTheCurrentMidiDevicesNoticeEndsIt) {
  const std::vector<uint8_t> midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60,
                                     'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
  WindowProperties p;
  p.backSound.Assign(midi.data(), uint32_t(midi.size()));
  p.soundPlayMode = 1;
  StartWindows({{Window(kMain, OwnUnit(kMainUnit, WindowBlock(p)))}});
  ASSERT_EQ(Load(kMain), 0);
  const WindowSound& sound = Unit(kMain)->Sound();
  if (!sound.Playing()) GTEST_SKIP() << "no MIDI sequencer here";
  const UINT before = sound.MidiDevice();
  WriteBytes(kMain, 13, midi);  // restarts
  SendMessageA(Handle(kMain, 0), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, LPARAM(before));
  EXPECT_TRUE(sound.Playing());
  SendMessageA(Handle(kMain, 0), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, LPARAM(sound.MidiDevice()));
  EXPECT_FALSE(sound.Playing());
}

TEST(WindowSoundTest, AWaveWhoseLengthsReachPastItsBytesIsNoSound) {
  auto sniff = [](const std::string& b) {
    return SniffSound(reinterpret_cast<const uint8_t*>(b.data()), uint32_t(b.size()));
  };
  using namespace std::string_literals;
  // "WAVE", a 16-byte "fmt " chunk and a 3-byte "data" chunk with its pad byte.
  const std::string wave = "RIFF\x28\0\0\0WAVEfmt \x10\0\0\0"s + std::string(16, '\x01') +
                           "data\x03\0\0\0abc\0"s;
  EXPECT_EQ(sniff(wave), SoundFormat::kWave);
  EXPECT_EQ(sniff(wave.substr(0, wave.size() - 1)), SoundFormat::kNone) << "the RIFF length is one too long";
  std::string chunk = wave;
  chunk[16] = '\x11';  // "fmt " now runs into "data"...
  EXPECT_EQ(sniff(chunk), SoundFormat::kNone) << "...and the data chunk past the end";
  chunk = wave;
  chunk[40] = '\xFF';  // "data" longer than the file
  EXPECT_EQ(sniff(chunk), SoundFormat::kNone);
  EXPECT_EQ(sniff("RIFF\xFF\xFF\xFF\x7FWAVE"s), SoundFormat::kNone);
  EXPECT_EQ(sniff("RIFF\x04\0\0\0WAVE"s), SoundFormat::kWave);
  EXPECT_EQ(sniff("RIFF\xFF\xFF\xFF\x7FRMID"s), SoundFormat::kMidi) << "MIDI plays from a file";
  EXPECT_EQ(sniff("MThd\0\0\0\x06\0\0\0\x01"s), SoundFormat::kMidi);
}

std::vector<std::string> g_trayLog;
void __cdecl OnTray(uint32_t argument, EventResult*) { g_trayLog.push_back(std::to_string(argument)); }

std::vector<std::string> g_trayCalls;  // operation, icon, flags, callback message: tip
BOOL WINAPI RecordTray(DWORD message, NOTIFYICONDATAA* d) {
  g_trayCalls.push_back(std::to_string(message) + " " + std::to_string(d->uID) + " " + std::to_string(d->uFlags) +
                        " " + std::to_string(d->uCallbackMessage) + ": " + d->szTip);
  return TRUE;
}

TEST_F(WindowUnitTest, NotificationAreaEventsOnlyWhileTheIconIsThere) {
  TemplateUnit own = OwnUnit(kMainUnit, WindowBlock(WindowProperties{}));
  own.bindings = {{kWindowTrayIcon, OffsetOf(&OnTray)}};
  StartWindows({{Window(kMain, own)}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  g_trayLog.clear();
  SetNotifyIconCall(&RecordTray);
  SendMessageA(main, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  const std::string tip = "a tip that is longer than sixty-two bytes, so it has to be cut short";
  Unit(kMain)->SetTrayIcon(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)), tip.c_str());
  EXPECT_TRUE(Unit(kMain)->HasTrayIcon());
  for (UINT mouse : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_CONTEXTMENU, WM_MOUSEMOVE})
    SendMessageA(main, kTrayCallbackMessage, kTrayIconId, mouse);
  // 61 bytes and 吴 would end at byte 63: the character goes whole.
  const std::string wide = std::string(61, 'w') + "\xCE\xE2";
  Unit(kMain)->SetTrayIcon(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)), wide.c_str());
  Unit(kMain)->SetTrayIcon(nullptr, nullptr);
  SendMessageA(main, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  SetNotifyIconCall(nullptr);
  EXPECT_EQ(g_trayLog, std::vector<std::string>({"1", "2", "3", "3"}));
  // Added, modified, deleted: icon 100, icon, message and tip, message 0x8064.
  EXPECT_EQ(g_trayCalls, std::vector<std::string>({"0 100 7 32868: " + tip.substr(0, 62),
                                                   "1 100 7 32868: " + wide.substr(0, 61), "2 100 0 0: "}));
}

// The closing of the last loaded window ends the message loop with 0.
TEST(WindowUnitProcess, ClosingTheLastLoadedWindowEndsTheLoop) {
  const ChildResult last = RunChild("window_unit_child.exe", "last", 15000);
  EXPECT_FALSE(last.timedOut);
  EXPECT_EQ(last.exitCode, 0u);
  EXPECT_EQ(last.trace, "loaded\nloop ended\n");
  EXPECT_TRUE(last.boxes.empty());

  // A hidden but loaded window keeps the loop running until it goes too.
  const ChildResult hidden = RunChild("window_unit_child.exe", "hidden-second", 15000);
  EXPECT_FALSE(hidden.timedOut);
  EXPECT_EQ(hidden.exitCode, 0u);
  EXPECT_EQ(hidden.trace, "loaded\nstill running\nloop ended\n");

  // The startup window's close handler may refuse like any other window's.
  const ChildResult refused = RunChild("window_unit_child.exe", "refuse", 15000);
  EXPECT_FALSE(refused.timedOut);
  EXPECT_EQ(refused.exitCode, 0u);
  EXPECT_EQ(refused.trace, "loaded\nstill open\nloop ended\n");
}

}  // namespace
