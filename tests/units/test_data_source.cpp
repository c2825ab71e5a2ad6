#include "tests/units/test_data_source.h"

#include <algorithm>

#include "forms/unit_contract.h"
#include "runtime/host_service.h"
#include "runtime/values.h"

namespace {

constexpr char kClass[] = "_NX_TestSource";

TestSourceState* Of(DataSource* self) { return reinterpret_cast<TestSourceState*>(self); }

const DataSource kFunctions = {
    [](DataSource* self, HWND client) { Of(self)->clients.push_back(client); },
    [](DataSource* self, HWND client) {
      auto& c = Of(self)->clients;
      c.erase(std::remove(c.begin(), c.end(), client), c.end());
    },
    [](DataSource* self, const char* name) -> int32_t {
      auto& c = Of(self)->columns;
      auto it = std::find(c.begin(), c.end(), std::string(name ? name : ""));
      return it == c.end() ? -1 : static_cast<int32_t>(it - c.begin());
    },
    [](DataSource* self, int32_t column) { return MakeTextCopy(Of(self)->values[size_t(column)].c_str()); },
    [](DataSource* self, int32_t column, const char* text) {
      Of(self)->values[size_t(column)] = text ? text : "";
      return true;
    },
    [](DataSource* self) { return Of(self)->readOnly; },
};

Wnd* __stdcall CreateSource(const uint8_t*, uint32_t, uint32_t style, HWND parent, uint32_t id, HMENU,
                            int32_t left, int32_t top, int32_t width, int32_t height, uint32_t windowId,
                            uint32_t unitId, uint32_t, uint32_t) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Wnd::ClassProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  auto* unit = new TestSourceUnit(windowId, unitId);
  if (!unit->CreateEx(0, kClass, "", WS_CHILD | style, left, top, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)))) {
    delete unit;
    return nullptr;
  }
  return unit;
}

void* __stdcall SourceEntry(int32_t kind) {
  return kind == kEntryCreateUnit ? reinterpret_cast<void*>(&CreateSource) : nullptr;
}

uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

TestSourceUnit::TestSourceUnit(uint32_t windowId, uint32_t unitId) : windowId_(windowId), unitId_(unitId) {
  source.table = kFunctions;
}

void TestSourceUnit::Notify(int32_t code, int32_t subCode, int32_t first, int32_t count) {
  DataSourceNotice notice{code, subCode, first, count};
  for (HWND client : std::vector<HWND>(source.clients))
    SendMessageA(client, kDataSourceNoticeMessage, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(&notice));
}

LRESULT TestSourceUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kDataSourceQuery) return reinterpret_cast<LRESULT>(&source.table);
  return DefaultProc(message, wParam, lParam);
}

void TestSourceUnit::OnFinalMessage() {
  HostService(2000, static_cast<int32_t>(windowId_), static_cast<int32_t>(unitId_));
  delete this;
}

DataTypeRecord TestDataSourceType() {
  static PropertyDescriptor common[8];
  for (PropertyDescriptor& d : common) d = {0, 0, 0, 0xE00003E9, 0};
  DataTypeRecord record{};
  record.flags = 0x40;
  record.propertyCount = 8;
  record.properties = Word(common);
  record.entryLookup = Word(reinterpret_cast<void*>(&SourceEntry));
  return record;
}
