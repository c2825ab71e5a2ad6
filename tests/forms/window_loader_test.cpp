// Window loading: creation order, notices, events, first show, modal
// windows, destruction and the load-time table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "forms/byte_reader.h"
#include "forms/event_dispatch.h"
#include "tests/forms/form_test_support.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kOther = 0x52000010, kOtherUnit = 0x06000010;
constexpr uint32_t kU2 = 0x16000002, kU3 = 0x16000003, kU4 = 0x16000004;

TemplateWindow MainWindow(uint32_t flags = kUnitVisible) {
  TemplateWindow w;
  w.id = kMain;
  TemplateUnit window = TestWindowUnit(kMainUnit, flags);
  for (int32_t event : {0, 3, 4}) window.bindings.push_back({event, OffsetOf(&LogHandlerA)});
  w.units.push_back(window);
  TemplateUnit u2 = TestUnit(kU2);
  u2.bindings.push_back({0, OffsetOf(&LogHandlerB)});
  w.units.push_back(u2);
  w.units.push_back(TestUnit(kU3));
  w.units.push_back(TestUnit(kU4));
  return w;
}

// Posts a probe to the window that raised the running event.
void __cdecl ProbeSourceWindow(EventResult*) {
  uint32_t source[2] = {0, 0};
  HostService(2017, static_cast<int32_t>(Addr(source)), 0);
  Wnd* window = reinterpret_cast<Wnd*>(static_cast<uintptr_t>(HostService(2006, static_cast<int32_t>(source[0]), 0)));
  Log().push_back("probe posted");
  if (window) PostMessageA(window->Handle(), kRunProbe, 0, 0);
}

// Closes the window that raised the running event.
void __cdecl CloseSourceWindow(EventResult*) {
  uint32_t source[2] = {0, 0};
  HostService(2017, static_cast<int32_t>(Addr(source)), 0);
  Wnd* window = reinterpret_cast<Wnd*>(static_cast<uintptr_t>(HostService(2006, static_cast<int32_t>(source[0]), 0)));
  Log().push_back("closing");
  if (window) DestroyWindow(window->Handle());
}

TemplateWindow ModalWindow() {
  TemplateWindow w;
  w.id = kOther;
  TemplateUnit window = TestWindowUnit(kOtherUnit);
  window.bindings.push_back({0, OffsetOf(&ProbeSourceWindow)});
  w.units.push_back(window);
  return w;
}

using LoaderTest = FormTest;

TEST_F(LoaderTest, CreatesWindowFirstThenUnitsFromLastEntryAndSendsNoticesInOrder) {
  Start({{MainWindow()}});
  ASSERT_EQ(Load(kMain), 0);
  const std::vector<std::string> expected = {
      "create window modal 0",
      "create 16000004 id 100", "create 16000003 id 110", "create 16000002 id 120",
      // U-1 down to 0; the unit's own event is dropped while loading.
      "created 16000004 ran 0", "created 16000003 ran 0", "created 16000002 ran 0", "created window",
      "ready window",
      "handler A 52000001 06000001", "handler A 52000001 06000001", "handler A 52000001 06000001",
      "shown 16000004", "shown 16000003", "shown 16000002", "shown window",
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(GetDlgCtrlID(Handle(kMain, kU4)), 100);
  EXPECT_EQ(GetDlgCtrlID(Handle(kMain, kU2)), 120);
  EXPECT_EQ(app_->suppressDepth, 0);

  // Siblings lie in table order from the top.
  HWND window = Handle(kMain, 0);
  EXPECT_EQ(GetWindow(window, GW_CHILD), Handle(kMain, kU2));
  EXPECT_EQ(GetWindow(Handle(kMain, kU2), GW_HWNDNEXT), Handle(kMain, kU3));
  EXPECT_EQ(GetWindow(Handle(kMain, kU3), GW_HWNDNEXT), Handle(kMain, kU4));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindowVisible(Handle(kMain, kU3)));

  // Once loaded, the same event reaches its handler.
  ClearLog();
  EXPECT_EQ(SendMessageA(Handle(kMain, kU2), kRaiseOwnEvent, 0, 0), 1);
  EXPECT_EQ(Log(), std::vector<std::string>{"handler B 52000001 16000002"});
}

TEST_F(LoaderTest, HiddenWindowIsCreatedButNotShownAndStillRaisesItsEvents) {
  Start({{MainWindow(0)}});
  ASSERT_EQ(Load(kMain), 0);
  HWND window = Handle(kMain, 0);
  ASSERT_TRUE(window);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(Handle(kMain, kU4));
  EXPECT_EQ(LogFrom("handler").size(), 3u + 4u);  // three handlers, four shown notices
  // The first show is still pending: a visible write completes it.
  WriteProperty(kMain, 0, 5, 1);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(ReadProperty(kMain, 0, 5), 1u);
}

TEST_F(LoaderTest, UnitsAfterTheFirstPageSeparatorStartHidden) {
  TemplateWindow w = MainWindow();
  w.units[1] = TestUnit(kU2, kTestContainerType);
  w.units[1].children = {kU3, 0, kU4};
  w.units[3].parent = kU2;
  w.units[2].parent = kU2;
  Start({{w}});
  ASSERT_EQ(Load(kMain), 0);
  HWND container = Handle(kMain, kU2);
  EXPECT_EQ(GetParent(Handle(kMain, kU3)), container);
  EXPECT_TRUE(IsWindowVisible(Handle(kMain, kU3)));
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, kU4)));

  // Visible on a page that is not the current one: the flag only.
  WriteProperty(kMain, kU4, 5, 1);
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, kU4)));
  WindowRecord* record = FindWindowRecord(Forms().registry, kMain);
  UnitRecordLayout l;
  ASSERT_TRUE(RecordOf(record->live, 3, &l));
  EXPECT_EQ(UnitRecordAt(record->live, 3)[l.flags] & kUnitVisible, kUnitVisible);

  // Turning the page shows the second page and hides the first.
  SendMessageA(container, kTabSetCurrentPage, 1, 0);
  HostService(2039, static_cast<int32_t>(kMain), static_cast<int32_t>(kU2));
  EXPECT_TRUE(IsWindowVisible(Handle(kMain, kU4)));
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, kU3)));
}

TEST_F(LoaderTest, HandlesLeadToTheirUnitRecordsAndCursorSlots) {
  TemplateWindow w = MainWindow();
  w.units[2].mousePointer = {0x03, 0x7F, 0, 0};  // 32515, the cross
  Start({{w}});
  ASSERT_EQ(Load(kMain), 0);
  WindowRecord* record = FindWindowRecord(Forms().registry, kMain);
  UnitLocation at{};
  ASSERT_EQ(UnitRecordOfHandle(Handle(kMain, 0), &at), UnitRecordAt(record->live, 0));
  EXPECT_EQ(at.windowId, kMain);
  EXPECT_EQ(at.unitId, kMainUnit);
  EXPECT_EQ(at.window, record);
  EXPECT_EQ(at.index, 0u);
  ASSERT_EQ(UnitRecordOfHandle(Handle(kMain, kU3), &at), UnitRecordAt(record->live, 2));
  EXPECT_EQ(at.unitId, kU3);
  EXPECT_EQ(UnitCursor(kMain, kU3), LoadCursorA(nullptr, IDC_CROSS));
  EXPECT_EQ(UnitCursorAt(record->live, at.index), LoadCursorA(nullptr, IDC_CROSS));
  EXPECT_EQ(UnitCursor(kMain, kU2), nullptr);

  // A window inside a unit belongs to that unit only when asked for.
  HWND inner = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, Handle(kMain, kU2), nullptr,
                               nullptr, nullptr);
  EXPECT_EQ(UnitRecordOfHandle(inner), nullptr);
  ASSERT_EQ(UnitRecordOfHandle(inner, &at, HandleMatch::kUnitOrInside), UnitRecordAt(record->live, 1));
  EXPECT_EQ(at.unitId, kU2);
  HWND stranger = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(UnitRecordOfHandle(stranger, nullptr, HandleMatch::kUnitOrInside), nullptr);
  DestroyWindow(stranger);

  // A destroyed unit is found no more.
  HWND u3 = Handle(kMain, kU3);
  DestroyWindow(u3);
  EXPECT_EQ(UnitRecordOfHandle(u3), nullptr);
  EXPECT_EQ(UnitCursor(kMain, kU3), nullptr);

  LOGFONTA stock{};
  ASSERT_EQ(GetObjectA(DefaultGuiFont(), sizeof stock, &stock), int(sizeof stock));
  const LogFontBytes bytes = DefaultGuiFontBytes();
  EXPECT_EQ(std::memcmp(&bytes, &stock, sizeof stock), 0);
  EXPECT_NE(stock.lfFaceName[0], 0);
}

// The first show raises events whose handlers may close the window (its
// object deletes itself); the loader must not touch it afterwards.
TEST_F(LoaderTest, AFocusHandlerMayCloseTheWindowDuringItsFirstShow) {
  for (const bool modal : {false, true}) {
    for (const uint32_t flags : {uint32_t(kUnitVisible), 0u}) {
      SCOPED_TRACE(std::string(modal ? "modal" : "modeless") + (flags ? " shown at load" : " shown later"));
      TemplateWindow w = MainWindow(flags);
      w.units[0].bindings.push_back({kEventFocusGained, OffsetOf(&CloseSourceWindow)});
      Start({{w}});
      EXPECT_EQ(Load(kMain, modal), 0);
      if (!flags) WriteProperty(kMain, 0, 5, 1);  // completes the pending first show
      const std::vector<std::string> after = LogFrom("closing");
      EXPECT_EQ(std::count(after.begin(), after.end(), "destroyed window"), 1);
      EXPECT_EQ(std::count(after.begin(), after.end(), "closing"), 1);
      EXPECT_EQ(Handle(kMain, 0), nullptr);
      EXPECT_EQ(app_->modalWindowId, 0u);
      EXPECT_EQ(FindWindowRecord(Forms().registry, kMain)->snapshot.block, nullptr);
      TearDown();
    }
  }
}

// An icon drawn on white at the given size; the colour at (x, y).
COLORREF IconPixel(HICON icon, int size, int x, int y) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, size, size, WHITENESS);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  const COLORREF colour = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(LoaderTest, TheDefaultIconsAreTheRuntimesOwnDriveAndArrow) {
  Start({{MainWindow()}});
  uint32_t icons[2] = {0, 0};
  EXPECT_EQ(HostService(1000, static_cast<int32_t>(Addr(icons)), 0), 0);
  HICON large = At<HICON__>(icons[0]), small = At<HICON__>(icons[1]);
  ASSERT_NE(large, nullptr);
  ASSERT_NE(small, nullptr);
  const int big = GetSystemMetrics(SM_CXICON), little = GetSystemMetrics(SM_CXSMICON);
  struct Spot {
    int x, y;  // in the 32-pixel design
    COLORREF colour;
  };
  for (const Spot& spot : {Spot{16, 4, RGB(0x2F, 0x7F, 0xE0)}, Spot{8, 27, RGB(0x50, 0x58, 0x60)},
                           Spot{1, 1, RGB(0xFF, 0xFF, 0xFF)}, Spot{30, 12, RGB(0xFF, 0xFF, 0xFF)}}) {
    EXPECT_EQ(IconPixel(large, big, spot.x * big / 32, spot.y * big / 32), spot.colour) << spot.x << "," << spot.y;
    EXPECT_EQ(IconPixel(small, little, spot.x * little / 32, spot.y * little / 32), spot.colour) << spot.x << "," << spot.y;
  }
  EXPECT_EQ(IconPixel(large, big, 23 * big / 32, 23 * big / 32), RGB(0x40, 0xD0, 0x30));  // the drive's light
}

TEST_F(LoaderTest, LoadingALoadedWindowRestoresItAndCreatesNothing) {
  Start({{MainWindow()}});
  ASSERT_EQ(Load(kMain), 0);
  HWND window = Handle(kMain, 0);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window));
  ClearLog();
  EXPECT_EQ(Load(kMain), 0);
  EXPECT_EQ(LogFrom("create"), std::vector<std::string>{});
  EXPECT_FALSE(IsIconic(window));
  EXPECT_EQ(Handle(kMain, 0), window);
}

TEST_F(LoaderTest, ModalWindowDisablesTheOthersAndItsLoopEndsWhenItCloses) {
  Start({{MainWindow(), ModalWindow()}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  app_->modalWindowId = 0x52000077;  // an outer modal loop
  bool probed = false;
  g_probe = [&](HWND modal) {
    probed = true;
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(modal));
    EXPECT_EQ(app_->modalWindowId, kOther);
    EXPECT_EQ(Forms().loadingModalFlag, 0);
    PostMessageA(modal, WM_CLOSE, 0, 0);
  };
  EXPECT_EQ(Load(kOther, true), 0);  // returns when the modal loop ends
  EXPECT_TRUE(probed);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(app_->modalWindowId, 0x52000077u);
  EXPECT_EQ(Handle(kOther, 0), nullptr);
  EXPECT_EQ(Log().front(), "create window modal 0");
  EXPECT_NE(std::find(Log().begin(), Log().end(), "create window modal 1"), Log().end());
}

TEST_F(LoaderTest, DestroyingAWindowReturnsItsTableToTheLoadTimeState) {
  Start({{MainWindow()}});
  ASSERT_EQ(Load(kMain), 0);
  WriteProperty(kMain, kU3, 0, 77);
  WriteProperty(kMain, kU3, 4, Addr("changed while loaded"));
  EXPECT_EQ(ReadProperty(kMain, kU3, 0), 77u);
  DestroyWindow(Handle(kMain, 0));
  EXPECT_EQ(Object(kMain, 0), nullptr);
  EXPECT_FALSE(IsAnyWindowLoaded());
  EXPECT_EQ(ReadProperty(kMain, kU3, 0), 10u);  // the template's left
  EXPECT_EQ(ReadProperty(kMain, kU3, 4), 0u);   // empty tag reads as null

  // Common properties written while not loaded are in the next snapshot.
  WriteProperty(kMain, kU3, 2, 99);
  ASSERT_EQ(Load(kMain), 0);
  RECT r;
  GetWindowRect(Handle(kMain, kU3), &r);
  EXPECT_EQ(r.right - r.left, 99);
  DestroyWindow(Handle(kMain, 0));
  EXPECT_EQ(ReadProperty(kMain, kU3, 2), 99u);
}

TEST_F(LoaderTest, AFailedLoadLeavesNoWindowAndLetsEventsFlow) {
  TemplateWindow w = MainWindow();
  w.units[2] = TestUnit(kU3, kTestRefusingType);
  Start({{w}});
  EXPECT_EQ(Load(kMain), -1);
  EXPECT_EQ(Object(kMain, 0), nullptr);
  EXPECT_EQ(Object(kMain, kU4), nullptr);
  EXPECT_FALSE(IsAnyWindowLoaded());
  EXPECT_EQ(app_->suppressDepth, 0);
  EXPECT_EQ(FindWindowRecord(Forms().registry, kMain)->snapshot.block, nullptr);
  EXPECT_EQ(Load(0x52000099), -1);  // not registered
}

TEST_F(LoaderTest, HostServicesReachTheRegistry) {
  Start({{MainWindow(), ModalWindow()}});
  EXPECT_EQ(HostService(1001, 0, 0), static_cast<int32_t>(Addr(&Forms().registry)));
  EXPECT_EQ(HostService(2032, 0, 0), 2);
  EXPECT_EQ(HostService(2033, 0, 0), 0);  // registered, not loaded
  EXPECT_EQ(HostService(2006, static_cast<int32_t>(kMain), 0), 0);
  ASSERT_EQ(Load(kMain), 0);
  EXPECT_EQ(HostService(2033, 0, 0), static_cast<int32_t>(Addr(Handle(kMain, 0))));
  EXPECT_EQ(HostService(2033, 2, 0), 0);
  EXPECT_EQ(HostService(2022, static_cast<int32_t>(kMain), static_cast<int32_t>(kU3)),
            static_cast<int32_t>(kTestUnitType));
  EXPECT_EQ(HostService(2022, static_cast<int32_t>(kMain), 0), static_cast<int32_t>(kTestWindowType));
  EXPECT_EQ(HostService(2022, static_cast<int32_t>(kMain), 0x16000055), 0);
  EXPECT_EQ(HostService(2006, static_cast<int32_t>(kMain), static_cast<int32_t>(kMainUnit)),
            HostService(2006, static_cast<int32_t>(kMain), 0));
  EXPECT_EQ(HostService(2007, static_cast<int32_t>(kMain), static_cast<int32_t>(kU4)),
            static_cast<int32_t>(Addr(Object(kMain, kU4))));
}

TEST_F(LoaderTest, StartupWindowLoadsAndClosingTheLastWindowEndsTheLoop) {
  Start({{MainWindow()}});
  app_->LoadStartupWindow(kMain);
  HWND window = Handle(kMain, 0);
  ASSERT_TRUE(window);
  EXPECT_TRUE(IsWindowVisible(window));
  PostMessageA(window, WM_CLOSE, 0, 0);
  app_->RunMessageLoop();  // returns on the WM_QUIT the closing posts
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsAnyWindowLoaded());
}

// Menus: items become a menu bar with command identifiers 20000 + position
// and accelerators for their shortcuts; selecting one raises its event.
TEST_F(LoaderTest, MenuItemsBecomeAMenuBarWhoseCommandsRaiseTheirEvents) {
  TemplateWindow w = MainWindow();
  TemplateMenuItem file;
  file.id = 0x26000020;
  file.caption = "File";
  TemplateMenuItem open = file;
  open.id = 0x26000021;
  open.caption = "Open";
  open.level = 1;
  open.shortcut = 15;  // Ctrl+O
  open.handler = OffsetOf(&LogHandlerB);
  TemplateMenuItem hidden = open;
  hidden.id = 0x26000022;
  hidden.flags = kMenuHidden;
  hidden.shortcut = 0;
  w.menuItems = {file, open, hidden};
  w.menuRunAt = 1;
  Start({{w}});
  ASSERT_EQ(Load(kMain), 0);
  HWND window = Handle(kMain, 0);
  HMENU bar = GetMenu(window);
  ASSERT_TRUE(bar);
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  HMENU sub = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(sub), 1);  // the hidden item is left out
  EXPECT_EQ(GetMenuItemID(sub, 0), 20001u);
  char text[64] = {};
  GetMenuStringA(sub, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Open\tCtrl+O");

  ClearLog();
  SendMessageA(window, WM_COMMAND, 20001, 0);
  EXPECT_EQ(Log(), std::vector<std::string>{"handler B 52000001 26000021"});

  MenuItemQuery query{};
  query.windowId = kMain;
  query.commandId = 20002;
  EXPECT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 1);
  EXPECT_EQ(query.unitId, 0x26000022u);
  EXPECT_EQ(query.visible, 0u);
  query.commandId = 20003;
  EXPECT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 0);

  // Menu-item properties: a visible write rebuilds the bar.
  EXPECT_EQ(ReadProperty(kMain, 0x26000022, 3), 0u);
  WriteProperty(kMain, 0x26000022, 3, 1);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(GetMenu(window), 0)), 2);
  WriteProperty(kMain, 0x26000021, 0, Addr("Load"));
  char* caption = At<char>(ReadProperty(kMain, 0x26000021, 0));
  EXPECT_STREQ(caption, "Load");
  FreeMemory(caption);
}

// Menus after a change: 2037 marks the window and rebuilds its bar, 2040
// only rebuilds, 2038 describes an item with its level and shortcut.
TEST_F(LoaderTest, MenuChangesRebuildTheBarAndItemsDescribeThemselves) {
  TemplateWindow w = MainWindow();
  TemplateMenuItem file;
  file.id = 0x26000020;
  file.caption = "File";
  TemplateMenuItem open = file;
  open.id = 0x26000021;
  open.caption = "Open";
  open.level = 1;
  open.shortcut = 15;  // Ctrl+O
  TemplateMenuItem help = open;
  help.id = 0x26000022;
  help.caption = std::string(300, 'h');
  help.shortcut = 27;  // F1
  w.menuItems = {file, open, help};
  Start({{w}});
  ASSERT_EQ(Load(kMain), 0);
  HWND window = Handle(kMain, 0);
  FormWindow* form = LiveWindowOf(FindWindowRecord(Forms().registry, kMain));
  ASSERT_TRUE(form);
  ASSERT_TRUE(form->accelerators);
  EXPECT_EQ(CopyAcceleratorTableA(form->accelerators, nullptr, 0), 2);

  MenuItemQuery query{};
  query.windowId = kMain;
  query.commandId = 20001;
  ASSERT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 1);
  EXPECT_EQ(query.unitId, 0x26000021u);
  EXPECT_EQ(query.level, 1);
  EXPECT_EQ(query.visible, 1u);
  EXPECT_STREQ(query.caption, "Open\tCtrl+O");
  query.commandId = 20000;
  ASSERT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 1);
  EXPECT_EQ(query.level, 0);
  EXPECT_STREQ(query.caption, "File");
  query.commandId = 20002;  // a long caption with its key is cut to 250 bytes
  ASSERT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 1);
  EXPECT_EQ(std::string(query.caption), std::string(250, 'h'));
  query.commandId = 19999;
  EXPECT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 0);
  query.windowId = 0x52000099;
  query.commandId = 20000;
  EXPECT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 0);

  // Hide "Open" behind the runtime's back, as a unit editing the records does.
  WindowRecord* record = FindWindowRecord(Forms().registry, kMain);
  uint32_t openIndex = 0;
  ASSERT_TRUE(FindUnitRecord(record->live, 0x26000021, nullptr, &openIndex));
  MenuItemLayout m;
  ASSERT_TRUE(MenuItemOf(record->live, openIndex, &m));
  StoreWord(UnitRecordAt(record->live, openIndex) + m.flags, kMenuHidden);
  UnitRecordLayout own;
  ASSERT_TRUE(RecordOf(record->live, 0, &own));
  auto windowFlags = [&] { return LoadWord(UnitRecordAt(record->live, 0) + own.flags); };
  const uint32_t flagsBefore = windowFlags();
  EXPECT_EQ(flagsBefore & 0x8, 0u);

  HMENU before = GetMenu(window);
  HostService(2037, static_cast<int32_t>(kMain), 0);
  EXPECT_EQ(windowFlags(), flagsBefore | 0x8);
  HMENU after = GetMenu(window);
  ASSERT_TRUE(after);
  EXPECT_NE(after, before);
  EXPECT_FALSE(IsMenu(before));  // the old bar is gone
  HMENU sub = GetSubMenu(after, 0);
  ASSERT_EQ(GetMenuItemCount(sub), 1);
  EXPECT_EQ(GetMenuItemID(sub, 0), 20002u);  // positions in the run are kept
  EXPECT_EQ(CopyAcceleratorTableA(form->accelerators, nullptr, 0), 1);  // F1 only
  query.windowId = kMain;
  query.commandId = 20001;
  ASSERT_EQ(HostService(2038, static_cast<int32_t>(Addr(&query)), 0), 1);
  EXPECT_EQ(query.visible, 0u);

  // 2040 rebuilds without marking.
  StoreWord(UnitRecordAt(record->live, openIndex) + m.flags, 0);
  StoreWord(UnitRecordAt(record->live, 0) + own.flags, flagsBefore);
  HostService(2040, static_cast<int32_t>(kMain), 0);
  EXPECT_EQ(windowFlags(), flagsBefore);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(GetMenu(window), 0)), 2);
  EXPECT_EQ(CopyAcceleratorTableA(form->accelerators, nullptr, 0), 2);
}

// A monochrome cursor file with one image of size x size.
std::vector<uint8_t> MonochromeCursorFile(uint8_t size, uint16_t hotX, uint16_t hotY) {
  const uint32_t row = ((size + 31u) / 32u) * 4u;
  const uint32_t image = 40 + 8 + 2 * row * size;
  std::vector<uint8_t> f;
  auto put16 = [&](uint32_t v) { f.push_back(uint8_t(v)); f.push_back(uint8_t(v >> 8)); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
  put16(0), put16(2), put16(1);                        // cursor directory, one image
  f.push_back(size), f.push_back(size), put16(0);     // size, colours, reserved
  put16(hotX), put16(hotY), put32(image), put32(22);  // hot spot, bytes, offset
  put32(40), put32(size), put32(2u * size), put16(1), put16(1);
  for (int i = 0; i < 6; ++i) put32(0);
  put32(0), put32(0x00FFFFFF);  // black, white
  f.resize(f.size() + row * size, 0x00);  // colour bits
  f.resize(f.size() + row * size, 0xFF);  // mask: transparent
  return f;
}

struct CursorShape {
  POINT hotSpot;
  SIZE size;
};
CursorShape ShapeOf(HCURSOR cursor) {
  CursorShape shape{};
  ICONINFO info{};
  if (!cursor || !GetIconInfo(cursor, &info)) return shape;
  shape.hotSpot = {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  // Without colour bits the mask holds both halves.
  shape.size = {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return shape;
}

HCURSOR CursorSlot(uint32_t windowId, uint32_t unitId) { return UnitCursor(windowId, unitId); }

TEST_F(LoaderTest, CursorsComeFromFileContentsAndTheRuntimesOwnHand) {
  constexpr uint32_t kU5 = 0x16000005, kU6 = 0x16000006;
  TemplateWindow w = MainWindow();
  const std::vector<uint8_t> file = MonochromeCursorFile(48, 7, 21);
  std::vector<uint8_t> custom = {0xFF, 0xFF, 0xFF, 0xFF};  // -1, then the file
  custom.insert(custom.end(), file.begin(), file.end());
  w.units[1].mousePointer = custom;
  w.units[2].mousePointer = {0x89, 0x7F, 0, 0};  // 32649, the hand
  w.units[3].mousePointer = file;                 // another code: tried as a file first
  TemplateUnit broken = TestUnit(kU5);
  broken.mousePointer = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0, 1, 0};  // -1 with a cut file
  w.units.push_back(broken);
  TemplateUnit plain = TestUnit(kU6);
  plain.mousePointer = {0, 0, 0, 0};
  w.units.push_back(plain);
  Start({{w}});
  ASSERT_EQ(Load(kMain), 0);

  HCURSOR made = CursorSlot(kMain, kU2);
  ASSERT_TRUE(made);
  CursorShape shape = ShapeOf(made);
  EXPECT_EQ(shape.hotSpot.x, 7);
  EXPECT_EQ(shape.hotSpot.y, 21);
  EXPECT_EQ(shape.size.cx, 48);
  EXPECT_EQ(shape.size.cy, 48);
  // The unit shows it: the cursor set over the unit is the slot's.
  SetCursor(made);
  EXPECT_EQ(GetCursor(), made);

  HCURSOR own = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(0x408));
  ASSERT_TRUE(own);
  EXPECT_NE(own, LoadCursorA(nullptr, IDC_HAND));
  EXPECT_EQ(CursorSlot(kMain, kU3), own);
  shape = ShapeOf(own);
  EXPECT_EQ(shape.hotSpot.x, 10);  // hand_cursor.cur's hot spot
  EXPECT_EQ(shape.hotSpot.y, 0);

  HCURSOR whole = CursorSlot(kMain, kU4);
  ASSERT_TRUE(whole);
  EXPECT_EQ(ShapeOf(whole).hotSpot.y, 21);
  EXPECT_EQ(CursorSlot(kMain, kU5), nullptr);  // unreadable: the class cursor
  EXPECT_EQ(CursorSlot(kMain, kU6), nullptr);  // four zero bytes: none
  // Reading the pointer gives the stored bytes, -1 untranslated.
  const void* set = At<void>(ReadProperty(kMain, kU2, 7));
  ASSERT_TRUE(set);
  EXPECT_EQ(std::vector<uint8_t>(ByteSetData(set), ByteSetData(set) + ByteSetLength(set)), custom);
  FreeMemory(const_cast<void*>(set));

  // The slots are emptied when the units go.
  DestroyWindow(Handle(kMain, 0));
  EXPECT_EQ(CursorSlot(kMain, kU2), nullptr);
  EXPECT_EQ(CursorSlot(kMain, kU3), nullptr);
}

// With runMode set the window's Position decides the first show.
TEST_F(LoaderTest, FirstShowFollowsPositionWhenRunModeIsSet) {
  constexpr uint32_t kMin = 0x52000021, kMax = 0x52000022, kCentred = 0x52000023, kPlain = 0x52000024;
  auto window = [](uint32_t id, int32_t position) {
    TemplateWindow w;
    w.id = id;
    TemplateUnit own = TestWindowUnit(0x06000000 | (id & 0xFF), kUnitVisible, position);
    own.bindings.push_back({kEventFocusGained, OffsetOf(&LogHandlerA)});
    w.units.push_back(own);
    return w;
  };
  Start({{window(kMin, 2), window(kMax, 3), window(kCentred, 1), window(kPlain, 3)}});
  app_->runMode = 1;
  ASSERT_EQ(Load(kMin), 0);
  EXPECT_TRUE(IsIconic(Handle(kMin, 0)));
  ClearLog();
  ASSERT_EQ(Load(kMax), 0);
  EXPECT_TRUE(IsZoomed(Handle(kMax, 0)));
  EXPECT_FALSE(IsIconic(Handle(kMax, 0)));
  // The window took the focus with its first show: -7 for its own unit,
  // before the shown notices.
  EXPECT_EQ(LogFrom("handler"), (std::vector<std::string>{"handler A 52000022 06000022", "shown window"}));
  ClearLog();
  ASSERT_EQ(Load(kCentred), 0);
  EXPECT_TRUE(IsWindowVisible(Handle(kCentred, 0)));
  EXPECT_FALSE(IsZoomed(Handle(kCentred, 0)));
  EXPECT_FALSE(IsIconic(Handle(kCentred, 0)));
  EXPECT_EQ(LogFrom("handler"), (std::vector<std::string>{"handler A 52000023 06000023", "shown window"}));
  // Without runMode every first show is normal.
  app_->runMode = 0;
  ASSERT_EQ(Load(kPlain), 0);
  EXPECT_TRUE(IsWindowVisible(Handle(kPlain, 0)));
  EXPECT_FALSE(IsZoomed(Handle(kPlain, 0)));
}

// A modal window owned by a topmost window is made topmost with its first
// show, without activation; under an ordinary owner it stays as it is.
void __cdecl AdoptMainAsOwner(EventResult*) {
  uint32_t source[2] = {0, 0};
  HostService(2017, static_cast<int32_t>(Addr(source)), 0);
  Wnd* modal = reinterpret_cast<Wnd*>(static_cast<uintptr_t>(HostService(2006, static_cast<int32_t>(source[0]), 0)));
  Wnd* main = reinterpret_cast<Wnd*>(static_cast<uintptr_t>(HostService(2006, static_cast<int32_t>(kMain), 0)));
  if (!modal || !main) return;
  HWND hwnd = modal->Handle();
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(GetWindowLongA(hwnd, GWL_STYLE) | WS_POPUP));
  SetWindowLongPtrA(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main->Handle()));
  PostMessageA(hwnd, kRunProbe, 0, 0);
}

TEST_F(LoaderTest, AModalWindowOfATopmostOwnerBecomesTopmost) {
  TemplateWindow modal = ModalWindow();
  modal.units[0].bindings = {{0, OffsetOf(&AdoptMainAsOwner)}};
  Start({{MainWindow(), modal}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  for (bool topmost : {true, false}) {
    SCOPED_TRACE(topmost ? "topmost owner" : "ordinary owner");
    SetWindowPos(main, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ((GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
    bool probed = false;
    g_probe = [&](HWND hwnd) {
      probed = true;
      EXPECT_EQ(GetParent(hwnd), main);
      EXPECT_EQ((GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
      FormWindow* form = LiveWindowOf(FindWindowRecord(Forms().registry, kOther));
      ASSERT_TRUE(form);
      EXPECT_EQ(form->topmostFlag, topmost);
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(Load(kOther, true), 0);
    EXPECT_TRUE(probed);
    EXPECT_EQ(Handle(kOther, 0), nullptr);
  }
}

// A modal window destroyed for a reload gives the windows it disabled back
// their state; the new copy is loaded as asked (here not modal).
TEST_F(LoaderTest, ReloadingAModalWindowGivesTheOthersBackTheirState) {
  Start({{MainWindow(), ModalWindow()}});
  ASSERT_EQ(Load(kMain), 0);
  HWND main = Handle(kMain, 0);
  HWND first = nullptr;
  g_probe = [&](HWND modal) {
    if (first) return;  // the new copy posts a probe of its own
    first = modal;
    EXPECT_FALSE(IsWindowEnabled(main));
    FormWindow* form = LiveWindowOf(FindWindowRecord(Forms().registry, kOther));
    ASSERT_TRUE(form);
    form->reloadPending = true;
    EXPECT_EQ(Load(kOther), 0);
  };
  EXPECT_EQ(Load(kOther, true), 0);  // the first copy's loop ends with it
  g_probe = nullptr;
  ASSERT_TRUE(first);
  EXPECT_FALSE(IsWindow(first));
  HWND second = Handle(kOther, 0);
  ASSERT_TRUE(second);
  EXPECT_NE(second, first);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(app_->modalWindowId, 0u);
}

}  // namespace
