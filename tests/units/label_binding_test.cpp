// A Label bound to a data-source unit shows a column of the current record
// and follows the source's notices; it never writes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "runtime/values.h"
#include "tests/units/label_test_support.h"
#include "units/data_source.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kBound = 0x16000002, kSource = 0x16000003;

// A data-source unit with one record of two columns.
class SourceUnit : public Wnd {
 public:
  // The table first, then the way back to its unit.
  struct Table {
    DataSource functions;
    SourceUnit* unit;
  } table{{
      [](DataSource* self, HWND client) { Of(self)->clients.push_back(client); },
      [](DataSource* self, HWND client) { std::erase(Of(self)->clients, client); },
      [](DataSource*, const char* name) -> int32_t {
        return std::string(name) == "name" ? 0 : std::string(name) == "path" ? 1 : -1;
      },
      [](DataSource* self, int32_t column) { return MakeTextCopy(Of(self)->values[column].c_str()); },
      [](DataSource* self, int32_t, const char*) { return ++Of(self)->writes, true; },
      [](DataSource*) { return false; },
  }, this};
  std::string values[2] = {"n1", "C:\\pe"};
  std::vector<HWND> clients;
  int writes = 0;
  uint32_t windowId = 0, unitId = 0;

  static SourceUnit* Of(DataSource* self) { return reinterpret_cast<Table*>(self)->unit; }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kDataSourceQuery) return reinterpret_cast<LRESULT>(&table);
    return DefaultProc(message, wParam, lParam);
  }
  void OnFinalMessage() override {
    HostService(2000, int32_t(windowId), int32_t(unitId));
    delete this;
  }
  void Notify(int32_t code, int32_t subCode = 0, int32_t first = 0, int32_t count = 0) {
    DataSourceNotice notice{code, subCode, first, count};
    for (HWND client : std::vector<HWND>(clients))
      SendMessageA(client, kDataSourceNoticeMessage, WPARAM(code), reinterpret_cast<LPARAM>(&notice));
  }
};

Wnd* __stdcall CreateSource(const uint8_t*, uint32_t, uint32_t style, HWND parent, uint32_t id, HMENU,
                            int32_t left, int32_t top, int32_t width, int32_t height, uint32_t windowId,
                            uint32_t unitId, uint32_t, uint32_t) {
  WNDCLASSA wc{0, &Wnd::ClassProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
               "_NX_LabelTestSource"};
  RegisterClassA(&wc);
  auto* unit = new SourceUnit();
  unit->windowId = windowId;
  unit->unitId = unitId;
  unit->CreateEx(0, wc.lpszClassName, "", WS_CHILD | style, left, top, width, height, parent,
                 reinterpret_cast<HMENU>(uintptr_t(id)));
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
    w.units.push_back(TestWindowUnit(0x06000001));
    w.units.push_back(UnitAt(kBound, kLabelType, RECT{0, 0, 100, 30}, Bytes(SaveLabelProperties(p))));
    w.units.push_back(UnitAt(kSource, kSourceType, RECT{0, 40, 10, 50}, {}));
    w.units.back().name = "src";
    StartWithLabels({{w}}, &SourceEntry);
    ASSERT_EQ(Load(kMain), 0);
    Pump();
    source_ = dynamic_cast<SourceUnit*>(Object(kMain, kSource));
    ASSERT_NE(source_, nullptr);
    label_ = Handle(kMain, kBound);
  }
  // The window text, checked against the stored caption.
  std::string Caption() {
    char text[64] = {};
    GetWindowTextA(label_, text, sizeof text);
    char* read = At<char>(ReadProperty(kMain, kBound, 8));
    EXPECT_STREQ(read ? read : "", text);
    FreeMemory(read);
    return text;
  }
  void WriteName(int32_t index, const char* name) { WriteProperty(kMain, kBound, index, Addr(name)); }
  SourceUnit* source_ = nullptr;
  HWND label_ = nullptr;
};

TEST_F(LabelBindingTest, ShowsTheBoundColumnAndFollowsTheSourcesNotices) {
  EXPECT_EQ(Caption(), "C:\\pe");
  EXPECT_EQ(source_->clients, std::vector<HWND>{label_});
  EXPECT_EQ(SendMessageA(label_, kUnitDataSourceOf, 0, 0), reinterpret_cast<LRESULT>(&source_->table));
  source_->values[1] = "D:\\";
  source_->Notify(kSourceReadOnlyChanged);
  source_->Notify(kSourceRecordChanged, 10, 0, 1);  // columns [0, 1): not ours
  source_->Notify(kSourceRecordChanged, 2);
  EXPECT_EQ(Caption(), "C:\\pe");
  source_->Notify(kSourceRecordChanged, 10, 1, 1);
  EXPECT_EQ(Caption(), "D:\\");
  source_->values[1] = "E:\\";
  source_->Notify(kSourceMoved);
  EXPECT_EQ(Caption(), "E:\\");
  source_->Notify(kSourceWriteBack);
  EXPECT_EQ(source_->writes, 0) << "a Label only displays";
}

TEST_F(LabelBindingTest, ANameThatFindsNothingEmptiesTheCaption) {
  WriteName(28, "name");
  EXPECT_EQ(Caption(), "n1");
  WriteName(28, "nosuch");
  EXPECT_EQ(Caption(), "");
  WriteName(28, "name");
  WriteName(27, "");
  EXPECT_EQ(Caption(), "");
  EXPECT_TRUE(source_->clients.empty()) << "the old link is dropped";
  EXPECT_EQ(SendMessageA(label_, kUnitDataSourceOf, 0, 0), 0);
}

}  // namespace
