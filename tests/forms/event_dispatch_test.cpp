// Event dispatch: bindings and links, suppression, the event source, typed
// arguments, and the common mouse and keyboard events.
#include <gtest/gtest.h>

#include <cstring>

#include "forms/event_dispatch.h"
#include "tests/forms/form_test_support.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kNeverLoaded = 0x52000002, kNeverLoadedUnit = 0x06000002;
constexpr int32_t kIdleEvent = 7;  // the window unit's idle event
constexpr uint32_t kU2 = 0x16000002, kU3 = 0x16000003, kU4 = 0x16000004, kU5 = 0x16000005;

class EventTest : public FormTest {
 protected:
  // Event 0 of kU2 bound at offset 0 (the first subroutine: LogHandlerA),
  // kU3 bound to -1, kU4 linked to kU2 (same type), kU5 of another type
  // linked to kU2. Common events of kU2 go to the input handlers.
  void SetUp() override {
    const uint32_t codeBase = Addr(reinterpret_cast<const void*>(&LogHandlerA));
    auto offset = [&](const void* f) { return static_cast<int32_t>(Addr(f) - codeBase); };
    TemplateWindow w;
    w.id = kMain;
    TemplateUnit windowUnit = TestWindowUnit(kMainUnit);
    windowUnit.bindings = {{kIdleEvent, offset(reinterpret_cast<const void*>(&WordsHandler))}};
    w.units.push_back(windowUnit);
    TemplateUnit u2 = TestUnit(kU2);
    u2.bindings = {{0, 0},
                   {1, offset(reinterpret_cast<const void*>(&WordsHandler))},
                   {kEventLeftDown, offset(reinterpret_cast<const void*>(&MouseHandler))},
                   {kEventKeyDown, offset(reinterpret_cast<const void*>(&KeyHandler))},
                   {kEventCharacter, offset(reinterpret_cast<const void*>(&CharHandler))},
                   {kEventWheel, offset(reinterpret_cast<const void*>(&KeyHandler))}};
    w.units.push_back(u2);
    TemplateUnit u3 = TestUnit(kU3);
    u3.bindings = {{0, -1}};
    w.units.push_back(u3);
    TemplateUnit u4 = TestUnit(kU4);
    u4.eventLink = kU2;
    w.units.push_back(u4);
    TemplateUnit u5 = TestUnit(kU5, kTestOtherUnitType);
    u5.eventLink = kU2;
    u5.bindings = {{0, offset(reinterpret_cast<const void*>(&LogHandlerB))}};
    w.units.push_back(u5);
    TemplateWindow never;  // registered, never loaded
    never.id = kNeverLoaded;
    never.units.push_back(TestWindowUnit(kNeverLoadedUnit));
    never.units[0].bindings = windowUnit.bindings;
    Start({{w, never}}, codeBase);
    ASSERT_EQ(Load(kMain), 0);
    ClearLog();
  }
  LRESULT RaiseOwn(uint32_t unitId, int32_t event = 0) {
    return SendMessageA(Handle(kMain, unitId), kRaiseOwnEvent, static_cast<WPARAM>(event), 0);
  }
  // The key lines of the log (TranslateMessage adds characters in between).
  static std::vector<std::string> KeyLines() {
    std::vector<std::string> lines;
    for (const std::string& line : Log())
      if (line.rfind("key", 0) == 0 || line.rfind("unit keydown", 0) == 0) lines.push_back(line);
    return lines;
  }
  // Posts an input message to the unit and lets the loop take it, as the
  // pre-translation chain sees it.
  void Input(uint32_t unitId, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(Handle(kMain, unitId), message, wParam, lParam);
    Pump();
  }
};

TEST_F(EventTest, OffsetZeroIsTheFirstSubroutineAndMinusOneIsNone) {
  EXPECT_EQ(RaiseOwn(kU2), 1);
  EXPECT_EQ(RaiseOwn(kU3), 0);
  EXPECT_EQ(RaiseOwn(kU2, 5), 0);  // no binding for event 5
  EXPECT_EQ(Log(), std::vector<std::string>{"handler A 52000001 16000002"});
}

TEST_F(EventTest, EventsRaisedWhileSuppressedAreDropped) {
  HostService(2009, 0, 0);
  EXPECT_EQ(RaiseOwn(kU2), 0);
  HostService(2010, 0, 0);
  HostService(2010, 0, 0);  // never below 0
  EXPECT_EQ(app_->suppressDepth, 0);
  EXPECT_EQ(RaiseOwn(kU2), 1);
  EXPECT_EQ(Log().size(), 1u);
}

TEST_F(EventTest, LinksToTheSameTypeShareBindingsOtherTypesKeepTheirOwn) {
  EXPECT_EQ(RaiseOwn(kU4), 1);
  EXPECT_EQ(RaiseOwn(kU5), 1);
  const std::vector<std::string> expected = {"handler A 52000001 16000004", "handler B 52000001 16000005"};
  EXPECT_EQ(Log(), expected);
}

TEST_F(EventTest, EventSourceIsSetDuringTheHandlerAndClearedAfter) {
  g_returnResult = true;
  g_handlerResult = 77;
  EXPECT_EQ(RaiseOwn(kU2), 1);
  EXPECT_EQ(Log(), std::vector<std::string>{"handler A 52000001 16000002"});
  uint32_t source[2] = {1, 1};
  EXPECT_EQ(HostService(2017, static_cast<int32_t>(Addr(source)), 0), 0);
  EXPECT_EQ(source[0], 0u);
  EXPECT_EQ(source[1], kU2);  // the unit word keeps its value
  TestUnitState* state = StateOf(Object(kMain, kU2));
  EXPECT_EQ(state->lastHasResult, 1u);
  EXPECT_EQ(state->lastResult, 77u);

  // Without a returned value the flag stays as the raiser set it.
  g_returnResult = false;
  EventRecord record{kMain, kU2, 0, 0, {}, 0, 5};
  EXPECT_EQ(HostService(2008, static_cast<int32_t>(Addr(&record)), 0), 1);
  EXPECT_EQ(record.hasResult, 0u);
  EXPECT_EQ(record.result, 5u);
}

TEST_F(EventTest, TypedArgumentsArriveAsTheirWidthsSay) {
  TypedEventRecord record{};
  record.windowId = kMain;
  record.unitId = kU2;
  record.eventIndex = 1;
  const double pi = 3.25;
  uint32_t piWords[2];
  std::memcpy(piWords, &pi, sizeof pi);
  const EventArgument arguments[] = {
      {0xABCD12FF, 0x11, kTagByte, 0},           // byte: zero-extended
      {0x12348001, 0x22, kTagShort, 0},          // short: sign-extended
      {0x01020304, 0x33, kTagInt, 0},            // one word
      {0x55667788, 0x11223344, kTagLong, 0},     // two words
      {piWords[0], piWords[1], kTagDouble, 0},   // two words
      {0xAAAA0001, 0xBBBB0002, kTagText, kArgByAddress | kArgTwoWords},  // by reference first
      {0xCCCC0003, 0xDDDD0004, kTagInt, kArgTwoWords},
      {0xEEEE0005, 0xFFFF0006, 0x00010003, 0},   // the core type of two words
  };
  record.count = sizeof arguments / sizeof arguments[0];
  std::memcpy(record.arguments, arguments, sizeof arguments);
  g_expectedWords = 12;
  g_returnResult = true;
  g_handlerResult = 0x13579BDF;
  g_handlerResultHigh = 0x2468ACE0;
  EXPECT_EQ(HostService(2031, static_cast<int32_t>(Addr(&record)), 0), 1);
  const std::string expected = "words 000000FF FFFF8001 01020304 55667788 11223344 " + Hex(piWords[0]) + " " +
                               Hex(piWords[1]) + " AAAA0001 CCCC0003 DDDD0004 EEEE0005 FFFF0006";
  EXPECT_EQ(Log(), std::vector<std::string>{expected});
  EXPECT_EQ(record.hasResult, 1u);
  EXPECT_EQ(record.resultLow, 0x13579BDFu);
  EXPECT_EQ(record.resultHigh, 0x2468ACE0u);
}

TEST_F(EventTest, PlainArgumentsArriveFirstArgumentFirst) {
  EventRecord record{kMain, kU2, 1, 3, {10, 20, 30, 0, 0}, 0, 0};
  g_expectedWords = 3;
  EXPECT_EQ(HostService(2008, static_cast<int32_t>(Addr(&record)), 0), 1);
  EXPECT_EQ(Log(), std::vector<std::string>{"words 0000000A 00000014 0000001E"});
}

TEST_F(EventTest, AFalseResultFromTheLeftButtonHandlerSwallowsTheClick) {
  Input(kU2, WM_LBUTTONDOWN, 0, MAKELPARAM(7, 9));
  EXPECT_EQ(Log(), (std::vector<std::string>{"mouse 7 9 0", "unit lbuttondown"}));
  ClearLog();
  g_returnResult = true;
  g_handlerResult = 0;
  Input(kU2, WM_LBUTTONDOWN, 0, MAKELPARAM(3, 4));
  EXPECT_EQ(Log(), std::vector<std::string>{"mouse 3 4 0"});
  // A true result lets it through.
  ClearLog();
  g_handlerResult = 1;
  Input(kU2, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 6));
  EXPECT_EQ(Log(), (std::vector<std::string>{"mouse 5 6 0", "unit lbuttondown"}));
  // A unit without a binding raises nothing and lets the click through.
  ClearLog();
  Input(kU3, WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(Log(), std::vector<std::string>{"unit lbuttondown"});
}

TEST_F(EventTest, WindowsThatAreNotUnitsRaiseNothing) {
  // A plain child inside the unit whose click handler logs: the click is
  // the child's, not the unit's.
  HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, Handle(kMain, kU2),
                               nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  PostMessageA(child, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
  PostMessageA(child, WM_KEYDOWN, 'A', 0);
  Pump();
  EXPECT_EQ(Log(), std::vector<std::string>{});
  DestroyWindow(child);
  Input(kU2, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
  EXPECT_EQ(Log(), (std::vector<std::string>{"mouse 1 2 0", "unit lbuttondown"}));
}

TEST_F(EventTest, KeypadKeysFoldOntoTheMainKeysAndModifiersAreReported) {
  Input(kU2, WM_KEYDOWN, VK_NUMPAD5, 0);
  Input(kU2, WM_KEYDOWN, VK_SUBTRACT, 0);
  Input(kU2, WM_KEYDOWN, VK_DECIMAL, 0);
  Input(kU2, WM_KEYDOWN, VK_DIVIDE, 0);
  const std::vector<std::string> expected = {
      "key 53 0", "unit keydown 101", "key 189 0", "unit keydown 109",
      "key 190 0", "unit keydown 110", "key 191 0", "unit keydown 111",
  };
  EXPECT_EQ(KeyLines(), expected);

  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  ClearLog();
  Input(kU2, WM_KEYDOWN, 'A', 0);
  Input(kU2, WM_KEYDOWN, VK_CONTROL, 0);  // reports itself without its bit
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  const std::vector<std::string> modified = {"key 65 3", "unit keydown 65", "key 17 2", "unit keydown 17"};
  EXPECT_EQ(KeyLines(), modified);

  ClearLog();
  Input(kU2, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), 0);
  EXPECT_EQ(Log(), std::vector<std::string>{"key " + std::to_string(static_cast<uint32_t>(-2)) + " 0"});
}

TEST_F(EventTest, ACharacterHandlerCanReplaceOrSwallowTheCharacter) {
  g_returnResult = true;
  g_handlerResult = 'B';
  Input(kU2, WM_CHAR, 'a', 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"char 97", "unit char 66"}));
  ClearLog();
  g_handlerResult = 0;
  Input(kU2, WM_CHAR, 'c', 0);
  EXPECT_EQ(Log(), std::vector<std::string>{"char 99"});
  ClearLog();
  g_returnResult = false;
  Input(kU2, WM_CHAR, 'd', 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"char 100", "unit char 100"}));
}

TEST_F(EventTest, IdleEventGoesToLoadedWindows) {
  g_expectedWords = 1;
  bool exists = false;
  // Bound, loaded, no result: asked, but not again in the next pass.
  EXPECT_FALSE(app_->forms->raiseIdleEvent(0, 10, &exists));
  EXPECT_TRUE(exists);
  EXPECT_EQ(Log(), std::vector<std::string>{"words 0000000A"});
  g_returnResult = true;
  g_handlerResult = 1;
  EXPECT_TRUE(app_->forms->raiseIdleEvent(0, 250, &exists));
  EXPECT_TRUE(exists);
  g_handlerResult = 0;
  EXPECT_FALSE(app_->forms->raiseIdleEvent(0, 300, &exists));
  EXPECT_EQ(Log(), (std::vector<std::string>{"words 0000000A", "words 000000FA", "words 0000012C"}));

  // The registered window that is not loaded, and no window at all.
  ClearLog();
  g_handlerResult = 1;
  exists = true;
  EXPECT_FALSE(app_->forms->raiseIdleEvent(1, 10, &exists));
  EXPECT_FALSE(exists);
  EXPECT_FALSE(app_->forms->raiseIdleEvent(2, 10, &exists));
  EXPECT_FALSE(exists);
  EXPECT_TRUE(Log().empty());
}

}  // namespace
