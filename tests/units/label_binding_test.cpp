// A Label bound to a data-source unit shows a column of the current record
// and follows the source's notices; it never writes back.
#include <gtest/gtest.h>

#include <string>

#include "tests/units/label_test_support.h"
#include "units/data_source.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kBound = 0x16000002, kSource = 0x16000003;

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
    StartWithLabels({{w}});
    ASSERT_EQ(Load(kMain), 0);
    Pump();
    source_ = dynamic_cast<TestSourceUnit*>(Object(kMain, kSource));
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
  TestSourceUnit* source_ = nullptr;
  HWND label_ = nullptr;
};

TEST_F(LabelBindingTest, ShowsTheBoundColumnAndFollowsTheSourcesNotices) {
  EXPECT_EQ(Caption(), "C:\\pe");
  EXPECT_EQ(source_->source.clients, std::vector<HWND>{label_});
  EXPECT_EQ(SendMessageA(label_, kUnitDataSourceOf, 0, 0), reinterpret_cast<LRESULT>(&source_->source.table));
  source_->source.values[1] = "D:\\";
  source_->Notify(kSourceReadOnlyChanged);
  source_->Notify(kSourceRecordChanged, 10, 0, 1);  // columns [0, 1): not ours
  source_->Notify(kSourceRecordChanged, 2);
  // A range far below ours must not wrap round onto it.
  source_->Notify(kSourceRecordChanged, 10, INT32_MIN, 1);
  source_->Notify(kSourceRecordChanged, 10, INT32_MIN + 1, INT32_MAX);
  EXPECT_EQ(Caption(), "C:\\pe");
  source_->Notify(kSourceRecordChanged, 10, 1, 1);
  EXPECT_EQ(Caption(), "D:\\");
  source_->source.values[1] = "E:\\";
  source_->Notify(kSourceMoved);
  EXPECT_EQ(Caption(), "E:\\");
  SetWindowTextA(label_, "typed");
  source_->Notify(kSourceWriteBack);
  EXPECT_EQ(source_->source.values[1], "E:\\") << "a Label only displays";
}

TEST_F(LabelBindingTest, ANameThatFindsNothingEmptiesTheCaption) {
  WriteName(28, "name");
  EXPECT_EQ(Caption(), "n1");
  WriteName(28, "nosuch");
  EXPECT_EQ(Caption(), "");
  WriteName(28, "name");
  WriteName(27, "");
  EXPECT_EQ(Caption(), "");
  EXPECT_TRUE(source_->source.clients.empty()) << "the old link is dropped";
  EXPECT_EQ(SendMessageA(label_, kUnitDataSourceOf, 0, 0), 0);
}

}  // namespace
