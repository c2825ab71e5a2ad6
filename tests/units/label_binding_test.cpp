// A Label bound to a data-source unit shows a column of the current record
// and follows the source's notices; it never writes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "runtime/values.h"
#include "tests/units/label_test_support.h"
#include "units/data_source.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kBound = 0x16000002, kSource = 0x16000003;

struct TestSource {
  DataSource table;
  std::vector<std::string> columns{"name", "path"};
  std::vector<std::string> values{"n1", "C:\\pe"};
  std::vector<HWND> clients;
  int writes = 0;
};
TestSource* Of(DataSource* self) { return reinterpret_cast<TestSource*>(self); }

const DataSource kSourceFunctions = {
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
    [](DataSource* self, int32_t, const char*) {
      ++Of(self)->writes;
      return true;
    },
    [](DataSource*) { return false; },
};

class SourceUnit : public Wnd {
 public:
  TestSource source;
  uint32_t windowId = 0, unitId = 0;
  SourceUnit() { source.table = kSourceFunctions; }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kDataSourceQuery) return reinterpret_cast<LRESULT>(&source.table);
    return DefaultProc(message, wParam, lParam);
  }
  void OnFinalMessage() override {
    HostService(2000, static_cast<int32_t>(windowId), static_cast<int32_t>(unitId));
    delete this;
  }
  void Notify(int32_t code, int32_t subCode = 0, int32_t first = 0, int32_t count = 0) {
    DataSourceNotice notice{code, subCode, first, count};
    for (HWND client : std::vector<HWND>(source.clients))
      SendMessageA(client, kDataSourceNoticeMessage, WPARAM(code), reinterpret_cast<LPARAM>(&notice));
  }
};

Wnd* __stdcall CreateSource(const uint8_t*, uint32_t, uint32_t style, HWND parent, uint32_t id, HMENU,
                            int32_t left, int32_t top, int32_t width, int32_t height, uint32_t windowId,
                            uint32_t unitId, uint32_t, uint32_t) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Wnd::ClassProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "_NX_LabelTestSource";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  auto* unit = new SourceUnit();
  unit->windowId = windowId;
  unit->unitId = unitId;
  if (!unit->CreateEx(0, "_NX_LabelTestSource", "", WS_CHILD | style, left, top, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)))) {
    delete unit;
    return nullptr;
  }
  return unit;
}

void* __stdcall SourceEntry(int32_t kind) {
  return kind == kEntryCreateUnit ? reinterpret_cast<void*>(&CreateSource) : nullptr;
}

class LabelBindingTest : public LabelFormTest {
 protected:
  void SetUp() override {
    LabelProperties p;
    ASSERT_TRUE(ResetLabelProperties(&p));
    p.dataSource.AssignText("SRC");  // names compare without case
    p.dataColumn.AssignText("path");
    TemplateWindow w;
    w.id = kMain;
    w.units.push_back(TestWindowUnit(kMainUnit));
    w.units.push_back(UnitAt(kBound, kLabelType, 0, 0, 100, 30, Bytes(SaveLabelProperties(p))));
    TemplateUnit source = UnitAt(kSource, kSourceType, 0, 40, 10, 10, {});
    source.name = "src";
    w.units.push_back(source);
    StartWithLabels({{w}}, &SourceEntry);
    ASSERT_EQ(Load(kMain), 0);
    Pump();
    source_ = dynamic_cast<SourceUnit*>(Object(kMain, kSource));
    ASSERT_NE(source_, nullptr);
    label_ = Handle(kMain, kBound);
  }
  std::string Caption() {
    char text[64] = {};
    GetWindowTextA(label_, text, sizeof text);
    char* read = At<char>(ReadProperty(kMain, kBound, 8));
    EXPECT_STREQ(read ? read : "", text) << "stored caption and window text agree";
    FreeMemory(read);
    return text;
  }
  SourceUnit* source_ = nullptr;
  HWND label_ = nullptr;
};

TEST_F(LabelBindingTest, ShowsTheBoundColumnAndFollowsTheSourcesNotices) {
  EXPECT_EQ(Caption(), "C:\\pe");
  EXPECT_EQ(source_->source.clients, std::vector<HWND>{label_});
  EXPECT_EQ(SendMessageA(label_, kUnitDataSourceOf, 0, 0), reinterpret_cast<LRESULT>(&source_->source.table));

  source_->source.values[1] = "D:\\";
  source_->Notify(kSourceReadOnlyChanged);  // not a refresh
  source_->Notify(kSourceRecordChanged, 10, 0, 1);  // columns [0, 1): not ours
  source_->Notify(kSourceRecordChanged, 2);
  EXPECT_EQ(Caption(), "C:\\pe");
  source_->Notify(kSourceRecordChanged, 10, 1, 1);
  EXPECT_EQ(Caption(), "D:\\");
  source_->source.values[1] = "E:\\";
  source_->Notify(kSourceMoved);
  EXPECT_EQ(Caption(), "E:\\");
  source_->Notify(kSourceWriteBack);
  EXPECT_EQ(source_->source.writes, 0) << "a Label only displays";
}

TEST_F(LabelBindingTest, ANameThatFindsNothingEmptiesTheCaption) {
  const char name[] = "name", missing[] = "nosuch", none[] = "";
  WriteProperty(kMain, kBound, 28, Addr(name));
  EXPECT_EQ(Caption(), "n1");
  WriteProperty(kMain, kBound, 28, Addr(missing));
  EXPECT_EQ(Caption(), "");
  WriteProperty(kMain, kBound, 28, Addr(name));
  WriteProperty(kMain, kBound, 27, Addr(none));
  EXPECT_EQ(Caption(), "");
  EXPECT_TRUE(source_->source.clients.empty()) << "the old link is dropped";
  EXPECT_EQ(SendMessageA(label_, kUnitDataSourceOf, 0, 0), 0);
}

}  // namespace
