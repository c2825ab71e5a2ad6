// Test scaffolding: a library of small unit types that the form runtime can
// load before the real unit types exist, a message/event log in the style of
// Wine's control tests, and handler functions bound with codeBase 0.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "forms/font_value.h"
#include "forms/form_window.h"
#include "forms/template_writer.h"
#include "forms/unit_contract.h"
#include "runtime/program_image.h"

// Type codes of the test library (library 1).
enum : uint32_t {
  kTestWindowType = 0x00010001,
  kTestUnitType = 0x00010002,
  kTestMenuType = 0x00010003,
  kTestOtherUnitType = 0x00010004,  // same class, another type code
  kTestHiddenType = 0x00010005,     // flag bit 15: never shown
  kTestSilentType = 0x00010006,     // raises no events
  kTestNoEntryType = 0x00010007,    // no entry function
  kTestRefusingType = 0x00010008,   // CreateUnit returns null
  kTestContainerType = 0x00010015,  // tab-page container
};

// Own properties of the test unit (full index).
enum TestProperty : int32_t {
  kPropNumber = 8,    // 1001 integer
  kPropFlag = 9,      // 1003 boolean
  kPropText = 10,     // 1005 text
  kPropBytes = 11,    // 1009 byte data
  kPropFont = 12,     // 1013 font
  kPropWide = 13,     // 1002 64-bit
  kPropPick = 14,     // 1006 pick-list index
  kPropStyle = 15,    // 1001; a write re-creates the unit
  kPropPointer = 16,  // 1011 mouse-pointer data
};

// The test unit's property block.
struct TestUnitSettings {
  int32_t number = 0;
  int32_t flag = 0;
  int32_t pick = 0;
  int32_t style = 0;
  int64_t wide = 0;
  std::string text;
  std::vector<uint8_t> bytes;
  bool hasFont = false;
  LogFontBytes font{};
};
std::vector<uint8_t> EncodeTestUnit(const TestUnitSettings& settings);
// The test window's property block: its Position property.
std::vector<uint8_t> EncodeTestWindow(int32_t position);

// The library (one per process); hand it to TestProgram::AddLibrary.
const LibraryInfo* TestLibrary();

// Every notice, creation and handler call, in order.
std::vector<std::string>& Log();
void ClearLog();
std::string Hex(uint32_t value);

// Messages the test objects understand.
enum : UINT {
  kRaiseOwnEvent = WM_APP + 1,  // wParam: event index; raises it with no arguments
  kRunProbe = WM_APP + 2,       // runs the probe set by the test
};
// Run inside the window's message handling (e.g. within a modal loop).
extern std::function<void(HWND)> g_probe;

// The last own-event result a test unit saw (has-result, value).
struct TestUnitState {
  uint32_t windowId, unitId;
  uint32_t lastHasResult, lastResult;
  TestUnitSettings settings;
};
// The unit object's state (objects of the test types only).
TestUnitState* StateOf(Wnd* unit);

// Handlers: each logs "handler <name> <source window> <source unit>" and
// returns what the test put in g_handlerResult (when g_returnResult is set).
extern bool g_returnResult;
extern uint32_t g_handlerResult;
extern uint32_t g_handlerResultHigh;
void __cdecl LogHandlerA(EventResult* result);
void __cdecl LogHandlerB(EventResult* result);
int32_t HandlerOffset(void (__cdecl* handler)(EventResult*));
// Three words (x, y, modifiers) or two (key, modifiers) or one: logged
// with their values.
void __cdecl MouseHandler(uint32_t x, uint32_t y, uint32_t modifiers, EventResult* result);
void __cdecl KeyHandler(uint32_t key, uint32_t modifiers, EventResult* result);
void __cdecl CharHandler(uint32_t character, EventResult* result);
// Logs up to 12 words; the number of words it was given comes from the test.
extern uint32_t g_expectedWords;
void __cdecl WordsHandler(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4,
                          uint32_t w5, uint32_t w6, uint32_t w7, uint32_t w8, uint32_t w9,
                          uint32_t w10, uint32_t w11, uint32_t w12);
template <typename F>
int32_t OffsetOf(F* handler) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(handler));
}

// A window unit record for the test window type, and a unit record.
TemplateUnit TestWindowUnit(uint32_t unitId, uint32_t flags = kUnitVisible, int32_t position = 0);
TemplateUnit TestUnit(uint32_t unitId, uint32_t typeCode = kTestUnitType, uint32_t flags = kUnitVisible,
                      const TestUnitSettings& settings = {});
