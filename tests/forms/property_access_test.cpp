// Unit properties by index: common properties live and not live, the
// conversions of every declared type, fonts, mouse pointers, re-creation and
// access from a worker thread.
#include <gtest/gtest.h>

#include <cstring>

#include "forms/byte_reader.h"
#include "forms/unit_cursor.h"
#include "runtime/values.h"
#include "tests/forms/form_test_support.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kU2 = 0x16000002, kU3 = 0x16000003;

TemplateDescription Description() {
  TemplateWindow w;
  w.id = kMain;
  w.units.push_back(TestWindowUnit(kMainUnit));
  TestUnitSettings settings;
  settings.number = 5;
  settings.text = "start";
  w.units.push_back(TestUnit(kU2, kTestUnitType, kUnitVisible | kUnitTabStop, settings));
  TemplateUnit u3 = TestUnit(kU3);
  u3.tag = "tag3";
  u3.mousePointer = {0x03, 0x7F, 0, 0};  // system id 32515 stored
  w.units.push_back(u3);
  return {{w}};
}

class PropertyTest : public FormTest {
 protected:
  void SetUp() override {
    Start(Description());
    ASSERT_EQ(Load(kMain), 0);
  }
  TestUnitSettings& Settings(uint32_t unitId) { return StateOf(Object(kMain, unitId))->settings; }
  // The record's mouse-pointer bytes and cursor slot.
  std::vector<uint8_t> PointerBytes(uint32_t unitId, HCURSOR* cursor = nullptr) {
    WindowRecord* w = FindWindowRecord(Forms().registry, kMain);
    uint32_t index = 0;
    FindUnitRecord(w->live, unitId, nullptr, &index);
    UnitRecordLayout l;
    RecordOf(w->live, index, &l);
    const uint8_t* record = UnitRecordAt(w->live, index);
    if (cursor) *cursor = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(LoadWord(record + l.cursorSlot)));
    return {record + l.mousePointerData, record + l.mousePointerData + l.mousePointerLength};
  }
};

std::vector<uint8_t> BytesOf(uint32_t byteSet) {
  const void* set = At<void>(byteSet);
  if (!set) return {};
  return {ByteSetData(set), ByteSetData(set) + ByteSetLength(set)};
}

TEST_F(PropertyTest, GeometryIsClampedAndMovesTheLiveWindow) {
  WriteProperty(kMain, kU2, 0, 40000);
  EXPECT_EQ(ReadProperty(kMain, kU2, 0), 32627u);
  WriteProperty(kMain, kU2, 1, static_cast<uint32_t>(-40000));
  EXPECT_EQ(static_cast<int32_t>(ReadProperty(kMain, kU2, 1)), -32627);
  WriteProperty(kMain, kU2, 2, static_cast<uint32_t>(-5));
  EXPECT_EQ(ReadProperty(kMain, kU2, 2), 0u);
  WriteProperty(kMain, kU2, 3, 50000);
  RECT r;
  GetWindowRect(Handle(kMain, kU2), &r);
  EXPECT_EQ(r.right - r.left, 0);

  WriteProperty(kMain, kU3, 0, 33);
  WriteProperty(kMain, kU3, 1, 44);
  POINT at{0, 0};
  MapWindowPoints(Handle(kMain, kU3), Handle(kMain, 0), &at, 1);
  EXPECT_EQ(at.x, 33);
  EXPECT_EQ(at.y, 44);
  EXPECT_EQ(ReadProperty(kMain, kU3, 0), 33u);
}

TEST_F(PropertyTest, TagVisibleAndDisabledLiveAndNotLive) {
  char* tag = At<char>(ReadProperty(kMain, kU3, 4));
  EXPECT_STREQ(tag, "tag3");
  FreeMemory(tag);
  WriteProperty(kMain, kU3, 4, Addr("a much longer tag than before"));
  tag = At<char>(ReadProperty(kMain, kU3, 4));
  EXPECT_STREQ(tag, "a much longer tag than before");
  FreeMemory(tag);
  WriteProperty(kMain, kU3, 4, 0);
  EXPECT_EQ(ReadProperty(kMain, kU3, 4), 0u);

  WriteProperty(kMain, kU3, 5, 0);
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, kU3)));
  EXPECT_EQ(ReadProperty(kMain, kU3, 5), 0u);
  WriteProperty(kMain, kU3, 6, 1);
  EXPECT_FALSE(IsWindowEnabled(Handle(kMain, kU3)));
  EXPECT_EQ(ReadProperty(kMain, kU3, 6), 1u);

  // The window's own unit: false hides it.
  WriteProperty(kMain, 0, 5, 0);
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, 0)));
  WriteProperty(kMain, kMainUnit, 5, 1);
  EXPECT_TRUE(IsWindowVisible(Handle(kMain, 0)));

  // Not live: the record answers.
  DestroyWindow(Handle(kMain, 0));
  EXPECT_EQ(ReadProperty(kMain, kU3, 2), 50u);  // the template's width
  WriteProperty(kMain, kU3, 6, 1);
  EXPECT_EQ(ReadProperty(kMain, kU3, 6), 1u);
  EXPECT_EQ(ReadProperty(kMain, kU3, 5), 1u);
}

TEST_F(PropertyTest, MousePointerIndexesTranslateToSystemCursors) {
  // Stored 32515 (cross) reads as index 2, and the cursor was made at load.
  HCURSOR cursor = nullptr;
  EXPECT_EQ(BytesOf(ReadProperty(kMain, kU3, 7)), (std::vector<uint8_t>{2, 0, 0, 0}));
  PointerBytes(kU3, &cursor);
  EXPECT_EQ(cursor, LoadCursorA(nullptr, IDC_CROSS));

  uint8_t index3[12] = {1, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0};  // byte-set of (3)
  WriteProperty(kMain, kU3, 7, Addr(index3));
  EXPECT_EQ(PointerBytes(kU3, &cursor), (std::vector<uint8_t>{0x01, 0x7F, 0, 0}));  // 32513
  EXPECT_EQ(cursor, LoadCursorA(nullptr, IDC_IBEAM));
  EXPECT_EQ(BytesOf(ReadProperty(kMain, kU3, 7)), (std::vector<uint8_t>{3, 0, 0, 0}));

  uint8_t hand[12] = {1, 0, 0, 0, 4, 0, 0, 0, 14, 0, 0, 0};
  WriteProperty(kMain, kU3, 7, Addr(hand));
  PointerBytes(kU3, &cursor);
  HCURSOR own = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandCursorResource));
  ASSERT_TRUE(own);
  EXPECT_EQ(cursor, own);

  uint8_t outside[12] = {1, 0, 0, 0, 4, 0, 0, 0, 0x39, 0x30, 0, 0};  // 12345
  WriteProperty(kMain, kU3, 7, Addr(outside));
  EXPECT_EQ(PointerBytes(kU3, &cursor), (std::vector<uint8_t>{0x39, 0x30, 0, 0}));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(BytesOf(ReadProperty(kMain, kU3, 7)), (std::vector<uint8_t>{0x39, 0x30, 0, 0}));

  WriteProperty(kMain, kU3, 7, 0);  // no data: the class cursor
  EXPECT_TRUE(PointerBytes(kU3, &cursor).empty());
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(ReadProperty(kMain, kU3, 7), 0u);
}

TEST_F(PropertyTest, OwnPropertiesConvertByTheirDeclaredType) {
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropNumber), 5u);
  WriteProperty(kMain, kU2, kPropNumber, 1234);
  EXPECT_EQ(Settings(kU2).number, 1234);

  WriteProperty(kMain, kU2, kPropFlag, 7);
  EXPECT_EQ(Settings(kU2).flag, 1);
  Settings(kU2).flag = 2;  // only exactly 1 reads as true
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropFlag), 0u);

  char* text = At<char>(ReadProperty(kMain, kU2, kPropText));
  EXPECT_STREQ(text, "start");
  FreeMemory(text);
  WriteProperty(kMain, kU2, kPropText, 0);  // null is written as the empty text
  EXPECT_EQ(Settings(kU2).text, "");
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropText), 0u);

  uint8_t bytes[11] = {1, 0, 0, 0, 3, 0, 0, 0, 7, 8, 9};
  WriteProperty(kMain, kU2, kPropBytes, Addr(bytes));
  EXPECT_EQ(Settings(kU2).bytes, (std::vector<uint8_t>{7, 8, 9}));
  const uint32_t copy = ReadProperty(kMain, kU2, kPropBytes);
  EXPECT_NE(copy, Addr(bytes));
  EXPECT_EQ(BytesOf(copy), (std::vector<uint8_t>{7, 8, 9}));
  FreeMemory(At<void>(copy));
  WriteProperty(kMain, kU2, kPropBytes, 0);
  EXPECT_TRUE(Settings(kU2).bytes.empty());

  WriteProperty(kMain, kU2, kPropWide, 0x89ABCDEF, -1, 0x01234567);
  EXPECT_EQ(ReadWide(kMain, kU2, kPropWide), 0x0123456789ABCDEFull);

  WriteProperty(kMain, kU2, kPropPick, static_cast<uint32_t>(-3));
  EXPECT_EQ(Settings(kU2).pick, 0);
  WriteProperty(kMain, kU2, kPropPick, 2);
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropPick), 2u);

  // Pointer data of a unit's own property translate as the common one does.
  uint8_t pointer[12] = {1, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0};
  WriteProperty(kMain, kU2, kPropPointer, Addr(pointer));
  EXPECT_EQ(Settings(kU2).bytes, (std::vector<uint8_t>{0x02, 0x7F, 0, 0}));  // 32514
  EXPECT_EQ(BytesOf(ReadProperty(kMain, kU2, kPropPointer)), (std::vector<uint8_t>{4, 0, 0, 0}));
}

int32_t ScreenPpi() {
  HDC dc = GetDC(nullptr);
  const int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi;
}

TEST_F(PropertyTest, FontMembersAndWholeFonts) {
  // No font yet: a member write starts from the default GUI font.
  WriteProperty(kMain, kU2, kPropFont, static_cast<uint32_t>(-1), kFontAngle);
  ASSERT_TRUE(Settings(kU2).hasFont);
  EXPECT_EQ(Settings(kU2).font.escapement, 3599);
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropFont, kFontAngle), 3599u);
  WriteProperty(kMain, kU2, kPropFont, 7205, kFontAngle);
  EXPECT_EQ(Settings(kU2).font.escapement, 5);

  WriteProperty(kMain, kU2, kPropFont, 12, kFontSize);
  EXPECT_EQ(Settings(kU2).font.height, -((12 * ScreenPpi() + 36) / 72));
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropFont, kFontSize), 12u);
  WriteProperty(kMain, kU2, kPropFont, static_cast<uint32_t>(-4), kFontSize);
  EXPECT_EQ(Settings(kU2).font.height, 0);

  WriteProperty(kMain, kU2, kPropFont, 1, kFontBold);
  EXPECT_EQ(Settings(kU2).font.weight, 700);
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropFont, kFontBold), 1u);

  WriteProperty(kMain, kU2, kPropFont, Addr("Arial"), kFontFaceName);
  EXPECT_STREQ(Settings(kU2).font.faceName, "Arial");
  WriteProperty(kMain, kU2, kPropFont, Addr(""), kFontFaceName);
  EXPECT_STREQ(Settings(kU2).font.faceName, "宋体");
  WriteProperty(kMain, kU2, kPropFont, Addr("Arial"), kFontFaceName);
  WriteProperty(kMain, kU2, kPropFont, Addr("0123456789012345678901234567890123456789"), kFontFaceName);
  EXPECT_STREQ(Settings(kU2).font.faceName, "宋体");

  // The whole font as a 28-byte record.
  FontPropertyRecord record{450, 1, 1, 0, 1, -9, Addr("Tahoma")};
  WriteProperty(kMain, kU2, kPropFont, Addr(&record), kFontWhole);
  const LogFontBytes& font = Settings(kU2).font;
  EXPECT_EQ(font.escapement, 450);
  EXPECT_EQ(font.orientation, 450);
  EXPECT_EQ(font.italic, 1);
  EXPECT_EQ(font.underline, 1);
  EXPECT_EQ(font.strikeOut, 0);
  EXPECT_EQ(font.height, 0);  // a negative size becomes 0
  EXPECT_STREQ(font.faceName, "Tahoma");
  record.faceName = 0;
  record.size = 9;
  WriteProperty(kMain, kU2, kPropFont, Addr(&record), kFontWhole);
  EXPECT_STREQ(Settings(kU2).font.faceName, "宋体");
  auto* read = At<FontPropertyRecord>(ReadProperty(kMain, kU2, kPropFont, kFontWhole));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->angle, 450);
  EXPECT_EQ(read->bold, 1);
  EXPECT_EQ(read->size, 9);
  EXPECT_STREQ(At<char>(read->faceName), "宋体");
  FreeMemory(At<void>(read->faceName));
  FreeMemory(read);
  WriteProperty(kMain, kU2, kPropFont, 0, kFontWhole);
  EXPECT_FALSE(Settings(kU2).hasFont);
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropFont, kFontWhole), 0u);  // read failed: null
}

TEST_F(PropertyTest, AStyleWriteRecreatesTheUnitInPlace) {
  Wnd* old = Object(kMain, kU2);
  HWND oldHandle = old->Handle();
  const int controlId = GetDlgCtrlID(oldHandle);
  WriteProperty(kMain, kU2, 0, 21);
  SetFocus(oldHandle);
  ClearLog();
  WriteProperty(kMain, kU2, kPropStyle, 1);
  const std::vector<std::string> expected = {
      "written 7 00000001 00000000", "save 16000002", "create 16000002 id " + std::to_string(controlId),
      "created 16000002 ran 0", "shown 16000002", "destroyed 16000002",
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_FALSE(IsWindow(oldHandle));
  HWND made = Handle(kMain, kU2);
  ASSERT_TRUE(made);
  EXPECT_TRUE(GetWindowLongA(made, GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(ReadProperty(kMain, kU2, 0), 21u);
  EXPECT_EQ(ReadProperty(kMain, kU2, kPropStyle), 1u);
  EXPECT_EQ(GetFocus(), made);
  EXPECT_EQ(GetWindow(Handle(kMain, 0), GW_CHILD), made);  // first in Z-order again
  EXPECT_EQ(app_->suppressDepth, 0);
  EXPECT_EQ(Forms().recreatingUnit, 0);

  // A unit that destroys itself while it is told is not re-created.
  ClearLog();
  WriteProperty(kMain, kU2, kPropStyle, static_cast<uint32_t>(-1));
  EXPECT_EQ(Log(), (std::vector<std::string>{"written 7 00000001 00000000", "destroyed 16000002"}));
  EXPECT_EQ(Object(kMain, kU2), nullptr);
  EXPECT_FALSE(IsWindow(made));
}

// A unit re-created while its window is hidden keeps its own visibility
// for when the window is shown again.
TEST_F(PropertyTest, AUnitRecreatedInAHiddenWindowKeepsItsOwnVisibility) {
  WriteProperty(kMain, 0, 5, 0);
  WriteProperty(kMain, kU3, 5, 0);
  ASSERT_FALSE(IsWindowVisible(Handle(kMain, 0)));
  HWND oldU2 = Handle(kMain, kU2), oldU3 = Handle(kMain, kU3);
  WriteProperty(kMain, kU2, kPropStyle, 1);
  WriteProperty(kMain, kU3, kPropStyle, 1);
  ASSERT_NE(Handle(kMain, kU2), oldU2);
  ASSERT_NE(Handle(kMain, kU3), oldU3);
  WriteProperty(kMain, 0, 5, 1);
  EXPECT_TRUE(IsWindowVisible(Handle(kMain, kU2)));
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, kU3)));
  EXPECT_EQ(ReadProperty(kMain, kU2, 5), 1u);
}

TEST_F(PropertyTest, ToIntegerTruncatesTowardZero) {
  double value = -2.7;
  TypedValue typed{};
  std::memcpy(&typed, &value, sizeof value);
  typed.tag = kTagDouble;
  EXPECT_EQ(HostService(2001, static_cast<int32_t>(Addr(&typed)), 0), -2);
  typed = {0x1FF, 0, kTagByte};
  EXPECT_EQ(HostService(2001, static_cast<int32_t>(Addr(&typed)), 0), 0xFF);
}

// A worker thread reads and writes properties of a window the main thread
// owns; the main thread keeps pumping so that the window calls reach it.
struct WorkerResult {
  uint32_t left = 0, number = 0, visible = 2;
  std::string text;
};

DWORD WINAPI PropertyWorker(void* parameter) {
  auto* result = static_cast<WorkerResult*>(parameter);
  WriteProperty(kMain, kU3, 0, 61);
  result->left = ReadProperty(kMain, kU3, 0);
  WriteProperty(kMain, kU2, kPropNumber, 4242);
  result->number = ReadProperty(kMain, kU2, kPropNumber);
  WriteProperty(kMain, kU2, kPropText, Addr("from the worker"));
  char* text = At<char>(ReadProperty(kMain, kU2, kPropText));
  result->text = text ? text : "";
  FreeMemory(text);
  WriteProperty(kMain, kU3, 5, 0);
  result->visible = ReadProperty(kMain, kU3, 5);
  return 0;
}

TEST_F(PropertyTest, WorkerThreadReadsAndWritesUnitsOfTheMainThread) {
  WorkerResult result;
  ASSERT_TRUE(RunWorker(&PropertyWorker, &result)) << "worker did not finish";
  EXPECT_EQ(result.left, 61u);
  EXPECT_EQ(result.number, 4242u);
  EXPECT_EQ(result.text, "from the worker");
  EXPECT_EQ(result.visible, 0u);
  EXPECT_FALSE(IsWindowVisible(Handle(kMain, kU3)));
}

TEST_F(PropertyTest, TypedVariantsPassTheIndexUnchanged) {
  Wnd* unit = Object(kMain, kU2);
  const uint32_t object = Addr(unit);
  // Index 0 of the type's table is a common integer entry; the unit sees 0,
  // which the test unit answers as its number (0 + 8).
  app_->forms->writeTypedProperty(kTestUnitType, object, 0, -1, 99, 0);
  EXPECT_EQ(Settings(kU2).number, 99);
  EXPECT_EQ(static_cast<uint32_t>(app_->forms->readTypedProperty(kTestUnitType, object, 0, -1)), 99u);
  EXPECT_EQ(StateOf(unit)->settings.style, 0);
  EXPECT_EQ(Object(kMain, kU2), unit);  // nothing re-created
}

}  // namespace
