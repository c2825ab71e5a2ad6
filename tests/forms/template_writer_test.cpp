// Writer and reader agree: what the writer describes is what LoadTemplate
// hands out, field by field.
#include "forms/byte_reader.h"
#include "forms/template_writer.h"
#include "tests/forms/template_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint32_t kCodeBase = 0x00401004;

int32_t Relocated(int32_t stored) { return stored == -1 ? 0 : int32_t(kCodeBase + uint32_t(stored)); }

std::string TextAt(const uint8_t* data, uint32_t offset, uint32_t length) {
  return std::string(reinterpret_cast<const char*>(data + offset), length);
}

// Reads an entry back into the writer's description.
TemplateUnit DecodeUnit(const UnitTable& t, uint32_t i) {
  UnitRecordLayout l;
  uint32_t size;
  const uint8_t* d = UnitRecordAt(t, i, &size);
  EXPECT_TRUE(RecordOf(t, i, &l));
  TemplateUnit u;
  u.id = UnitIdAt(t, i);
  u.typeCode = LoadWord(d + kRecordTypeCode);
  u.eventLink = LoadWord(d + kRecordEventLink);
  for (uint32_t k = 8; k < kRecordHeaderSize; k += 4) EXPECT_EQ(LoadWord(d + k), 0u);
  u.name = TextAt(d, l.name, l.nameLength);
  u.comment = TextAt(d, l.comment, l.commentLength);
  EXPECT_EQ(LoadWord(d + l.objectSlot), 0u);
  EXPECT_EQ(LoadWord(d + l.cursorSlot), 0u);
  EXPECT_EQ(LoadWord(d + l.reserved), 0u);
  u.left = int32_t(LoadWord(d + l.left));
  u.top = int32_t(LoadWord(d + l.top));
  u.width = int32_t(LoadWord(d + l.width));
  u.height = int32_t(LoadWord(d + l.height));
  u.parent = LoadWord(d + l.parent);
  for (uint32_t k = 0; k < l.childCountValue; ++k) u.children.push_back(LoadWord(d + l.children + 4 * k));
  u.mousePointer.assign(d + l.mousePointerData, d + l.mousePointerData + l.mousePointerLength);
  u.tag = TextAt(d, l.tag, l.tagLength);
  u.flags = LoadWord(d + l.flags);
  u.tabOrder = int32_t(LoadWord(d + l.tabOrder));
  for (uint32_t k = 0; k < l.bindingCountValue; ++k)
    u.bindings.push_back({int32_t(LoadWord(d + l.bindings + 8 * k)), int32_t(LoadWord(d + l.bindings + 8 * k + 4))});
  for (uint32_t k = 0; k < kRecordReservedTail; ++k) EXPECT_EQ(d[l.bindings + 8 * l.bindingCountValue + k], 0);
  u.propertyBlock.assign(d + l.propertyBlock, d + size);
  return u;
}

TemplateMenuItem DecodeMenuItem(const UnitTable& t, uint32_t i) {
  MenuItemLayout l;
  uint32_t size;
  const uint8_t* d = UnitRecordAt(t, i, &size);
  EXPECT_TRUE(MenuItemOf(t, i, &l));
  EXPECT_EQ(l.end, size);
  TemplateMenuItem m;
  m.id = UnitIdAt(t, i);
  m.typeCode = LoadWord(d + kRecordTypeCode);
  m.eventLink = LoadWord(d + kRecordEventLink);
  m.name = TextAt(d, l.name, l.nameLength);
  m.comment = TextAt(d, l.comment, l.commentLength);
  m.shortcut = int32_t(LoadWord(d + l.shortcut));
  m.level = int32_t(LoadWord(d + l.level));
  m.flags = LoadWord(d + l.flags);
  m.caption = TextAt(d, l.caption, l.captionLength);
  m.handler = int32_t(LoadWord(d + l.handler));
  EXPECT_EQ(LoadWord(d + l.slot), 0u);
  return m;
}

void ExpectSameUnit(const TemplateUnit& want, const TemplateUnit& got) {
  SCOPED_TRACE(testing::Message() << "unit 0x" << std::hex << want.id);
  EXPECT_EQ(got.id, want.id);
  EXPECT_EQ(got.typeCode, want.typeCode);
  EXPECT_EQ(got.eventLink, want.eventLink);
  EXPECT_EQ(got.name, want.name);
  EXPECT_EQ(got.comment, want.comment);
  EXPECT_EQ(got.left, want.left);
  EXPECT_EQ(got.top, want.top);
  EXPECT_EQ(got.width, want.width);
  EXPECT_EQ(got.height, want.height);
  EXPECT_EQ(got.parent, want.parent);
  EXPECT_EQ(got.children, want.children);
  EXPECT_EQ(got.mousePointer, want.mousePointer);
  EXPECT_EQ(got.tag, want.tag);
  EXPECT_EQ(got.flags, want.flags);
  EXPECT_EQ(got.tabOrder, want.tabOrder);
  ASSERT_EQ(got.bindings.size(), want.bindings.size());
  for (size_t k = 0; k < want.bindings.size(); ++k) {
    EXPECT_EQ(got.bindings[k].eventIndex, want.bindings[k].eventIndex);
    EXPECT_EQ(got.bindings[k].handler, Relocated(want.bindings[k].handler));
  }
  EXPECT_EQ(got.propertyBlock, want.propertyBlock);
}

void ExpectSameMenuItem(const TemplateMenuItem& want, const TemplateMenuItem& got) {
  SCOPED_TRACE(testing::Message() << "menu item 0x" << std::hex << want.id);
  EXPECT_EQ(got.id, want.id);
  EXPECT_EQ(got.typeCode, want.typeCode);
  EXPECT_EQ(got.eventLink, want.eventLink);
  EXPECT_EQ(got.name, want.name);
  EXPECT_EQ(got.comment, want.comment);
  EXPECT_EQ(got.shortcut, want.shortcut);
  EXPECT_EQ(got.level, want.level);
  EXPECT_EQ(got.flags, want.flags);
  EXPECT_EQ(got.caption, want.caption);
  EXPECT_EQ(got.handler, Relocated(want.handler));
}

// Compares one loaded window with its description, menu run included.
void ExpectSameWindow(const TemplateWindow& want, const WindowRecord& got) {
  EXPECT_EQ(got.a, want.a);
  EXPECT_EQ(got.b, want.b);
  EXPECT_EQ(std::string(got.s1 ? got.s1 : "", got.s1Length), want.s1);
  EXPECT_EQ(std::string(got.s2 ? got.s2 : "", got.s2Length), want.s2);
  EXPECT_EQ(got.snapshot.block, nullptr);
  const size_t run = std::min(want.menuRunAt, want.units.size());
  ASSERT_EQ(got.live.count, want.units.size() + want.menuItems.size());
  uint32_t entry = 0;
  for (size_t i = 0; i < want.units.size(); ++i) {
    if (i == run) {
      for (const TemplateMenuItem& item : want.menuItems) {
        ASSERT_TRUE(IsMenuItem(got.live, entry));
        ExpectSameMenuItem(item, DecodeMenuItem(got.live, entry++));
      }
    }
    ASSERT_FALSE(IsMenuItem(got.live, entry));
    ExpectSameUnit(want.units[i], DecodeUnit(got.live, entry++));
  }
  for (size_t k = 0; run == want.units.size() && k < want.menuItems.size(); ++k)
    ExpectSameMenuItem(want.menuItems[k], DecodeMenuItem(got.live, entry++));
}

// A window using every variable-length field: menu run in the middle, a
// tab-page container with separators, tags, custom pointer data, linked
// events, S1 and S2.
TemplateDescription FullFeatureTemplate() {
  TemplateWindow w;
  w.id = MakeId(kIdClassWindow, 0x100);
  w.a = 7;
  w.b = -3;
  w.s1 = "first kept text";
  w.s2 = "\xB1\xEA\xC7\xA9";  // 标签
  TemplateUnit own;
  own.id = MakeId(kIdClassWindowUnit, 0x101);
  own.typeCode = kUnitTypeWindow;
  own.flags = kUnitVisible;
  own.bindings = {{0, 0x10}, {1, -1}, {-7, 0}};
  own.propertyBlock = WindowPropertyBlock(1);
  w.units.push_back(own);

  TemplateUnit tabs;
  tabs.id = MakeId(kIdClassUnit, 0x102);
  tabs.typeCode = kUnitTypeTabContainer;
  tabs.name = "tabs";
  tabs.comment = "pages: two";
  tabs.left = -20;
  tabs.top = 32627;
  tabs.width = 400;
  tabs.height = 300;
  tabs.children = {MakeId(kIdClassUnit, 0x103), 0, MakeId(kIdClassUnit, 0x104), MakeId(kIdClassUnit, 0x105)};
  tabs.tag = "container tag";
  tabs.tabOrder = 3;
  tabs.flags = kUnitVisible | kUnitTabStop;
  w.units.push_back(tabs);

  for (uint32_t serial = 0x103; serial <= 0x105; ++serial) {
    TemplateUnit child;
    child.id = MakeId(kIdClassUnit, serial);
    child.typeCode = kUnitTypeSuperBtn;
    child.name = "button " + std::to_string(serial);
    child.parent = tabs.id;
    child.flags = serial == 0x104 ? kUnitDisabled : kUnitVisible;
    child.tabOrder = int32_t(serial);
    child.eventLink = serial == 0x105 ? MakeId(kIdClassUnit, 0x103) : 0;
    child.mousePointer = serial == 0x104 ? std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8}
                                         : std::vector<uint8_t>{0x01, 0x7F, 0, 0};
    if (serial == 0x103) child.bindings = {{0, 0x200}};
    child.propertyBlock = SuperBtnPropertyBlock("caption " + std::to_string(serial));
    w.units.push_back(child);
  }
  TemplateUnit bare;  // empty pointer data and no property block
  bare.id = MakeId(kIdClassUnit, 0x106);
  bare.typeCode = kUnitTypeEditBox;
  bare.mousePointer.clear();
  w.units.push_back(bare);

  const char* captions[] = {"&File", "&Open\tCtrl+O", "E&xit"};
  for (uint32_t k = 0; k < 3; ++k) {
    TemplateMenuItem item;
    item.id = MakeId(kIdClassMenuItem, 0x110 + k);
    item.name = "menu" + std::to_string(k);
    item.caption = captions[k];
    item.level = k == 0 ? 0 : 1;
    item.shortcut = k == 1 ? 15 : 0;
    item.flags = k == 2 ? kMenuChecked | kMenuDisabled : 0;
    item.handler = k == 0 ? -1 : int32_t(0x300 + k);
    w.menuItems.push_back(item);
  }
  w.menuRunAt = 2;

  TemplateWindow second;  // menu run last, nothing else but its own unit
  second.id = MakeId(kIdClassWindow, 0x120);
  second.units.push_back(own);
  second.units[0].id = MakeId(kIdClassWindowUnit, 0x121);
  TemplateMenuItem lone;
  lone.id = MakeId(kIdClassMenuItem, 0x122);
  lone.caption = "Help";
  lone.handler = 0;
  second.menuItems.push_back(lone);

  TemplateDescription d;
  d.windows = {w, second};
  return d;
}

TEST(TemplateRoundTrip, EveryFieldComesBack) {
  const TemplateDescription d = FullFeatureTemplate();
  std::vector<uint8_t> segment;
  ASSERT_TRUE(WriteTemplate(d, &segment));
  auto copy = HeapCopy(segment.data(), segment.size());
  WindowTemplate registry{};
  ASSERT_TRUE(LoadTemplate(&registry, copy.get(), uint32_t(segment.size()), kCodeBase));
  ASSERT_EQ(WindowCount(registry), 2u);
  for (uint32_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(testing::Message() << "window " << i);
    uint32_t index = 99;
    ASSERT_EQ(FindWindowRecord(registry, d.windows[i].id, &index), WindowRecordAt(registry, i));
    EXPECT_EQ(index, i);
    ExpectSameWindow(d.windows[i], *WindowRecordAt(registry, i));
  }
  FreeWindowTemplate(&registry);
  EXPECT_EQ(registry.count, 0u);
}

TEST(TemplateRoundTrip, WorkedExampleHasTheDocumentedSize) {
  const TemplateDescription d = WorkedExampleTemplate();
  std::vector<uint8_t> segment;
  ASSERT_TRUE(WriteTemplate(d, &segment));
  EXPECT_EQ(segment.size(), kWorkedExampleSize);
  EXPECT_EQ(d.windows[0].units[0].propertyBlock.size(), 100u);
  EXPECT_EQ(d.windows[1].units[0].propertyBlock.size(), 100u);

  // Table header: 16-byte block of two ids and two zero words.
  EXPECT_EQ(LoadWord(&segment[0]), 16u);
  EXPECT_EQ(LoadWord(&segment[4]), 0x52010001u);
  EXPECT_EQ(LoadWord(&segment[8]), 0x5201000cu);
  EXPECT_EQ(LoadWord(&segment[12]), 0u);
  EXPECT_EQ(LoadWord(&segment[16]), 0u);
  // First window: A 1, B 0x19010008, empty S1/S2 as bare zero lengths, 8 units.
  EXPECT_EQ(LoadWord(&segment[20]), 1u);
  EXPECT_EQ(LoadWord(&segment[24]), 0x19010008u);
  EXPECT_EQ(LoadWord(&segment[28]), 0u);
  EXPECT_EQ(LoadWord(&segment[32]), 0u);
  EXPECT_EQ(LoadWord(&segment[36]), 8u);

  WindowTemplate registry{};
  ASSERT_TRUE(LoadTemplate(&registry, segment.data(), uint32_t(segment.size()), kCodeBase));
  for (uint32_t i = 0; i < 2; ++i) ExpectSameWindow(d.windows[i], *WindowRecordAt(registry, i));
  FreeWindowTemplate(&registry);
}

TEST(TemplateWriter, RefusesWhatCannotBeReadBack) {
  std::vector<uint8_t> out = {1, 2, 3};
  TemplateDescription d = WorkedExampleTemplate();
  d.windows[0].units[3].tag = std::string("a\0b", 3);  // a 0 byte would end the text early
  EXPECT_FALSE(WriteTemplate(d, &out));

  d = WorkedExampleTemplate();
  d.windows[1].units[1].id = MakeId(kIdClassMenuItem, 5);  // would be read as a menu item
  EXPECT_FALSE(WriteTemplate(d, &out));

  d = WorkedExampleTemplate();
  TemplateMenuItem item;
  item.id = MakeId(kIdClassUnit, 9);
  d.windows[1].menuItems.push_back(item);
  EXPECT_FALSE(WriteTemplate(d, &out));

  d = WorkedExampleTemplate();
  item.id = MakeId(kIdClassMenuItem, 9);
  d.windows[1].menuItems = {item};
  d.windows[1].menuRunAt = 0;  // entry 0 must stay the window's own unit
  EXPECT_FALSE(WriteTemplate(d, &out));
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(TemplateWriter, EmptyDescriptionIsAnEmptyTable) {
  std::vector<uint8_t> out;
  ASSERT_TRUE(WriteTemplate(TemplateDescription{}, &out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 0}));
  WindowTemplate registry{};
  EXPECT_TRUE(LoadTemplate(&registry, out.data(), uint32_t(out.size()), 0));
  EXPECT_EQ(WindowCount(registry), 0u);
}

}  // namespace
