// Window loading: creation order, notices, events, first show, modal
// windows, destruction and the load-time table.
#include <gtest/gtest.h>

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

}  // namespace
