// The in-memory registry: lookups, relocation, record replacement, load
// snapshots, and refusal of corrupt segments without reading out of bounds.
#include "forms/byte_reader.h"
#include "forms/byte_writer.h"
#include "forms/window_template.h"
#include "runtime/memory_host.h"
#include "tests/forms/template_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

constexpr uint32_t kCodeBase = 0x00402000;

std::vector<uint8_t> Segment(const TemplateDescription& d) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(WriteTemplate(d, &out));
  return out;
}

struct Loaded {
  WindowTemplate registry{};
  ~Loaded() { FreeWindowTemplate(&registry); }
};

bool Load(Loaded* l, const std::vector<uint8_t>& segment, uint32_t codeBase = kCodeBase) {
  auto copy = HeapCopy(segment.data(), segment.size());
  return LoadTemplate(&l->registry, copy.get(), uint32_t(segment.size()), codeBase);
}

std::vector<uint8_t> Bytes(const uint8_t* p, uint32_t n) { return std::vector<uint8_t>(p, p + n); }

std::vector<uint8_t> RecordBytes(const UnitTable& t, uint32_t i) {
  uint32_t size;
  const uint8_t* d = UnitRecordAt(t, i, &size);
  return Bytes(d, size);
}

std::string TagOf(const UnitTable& t, uint32_t i) {
  UnitRecordLayout l;
  EXPECT_TRUE(RecordOf(t, i, &l));
  const uint8_t* d = UnitRecordAt(t, i);
  return std::string(reinterpret_cast<const char*>(d + l.tag), l.tagLength);
}

TEST(Identifiers, ValidityAndClasses) {
  EXPECT_TRUE(IsValidId(0x52010001));
  EXPECT_TRUE(IsValidId(0x06010000));  // serial 0x010000
  EXPECT_TRUE(IsValidId(0x01000001));
  EXPECT_FALSE(IsValidId(0x52000000));  // no serial
  EXPECT_FALSE(IsValidId(0x50FFFFFF));  // bits 24-27 clear
  EXPECT_FALSE(IsValidId(0));
  EXPECT_TRUE(IsMenuItemId(0x26000005));
  EXPECT_FALSE(IsMenuItemId(0x16000005));
  EXPECT_FALSE(IsMenuItemId(0x36000005));
  EXPECT_EQ(IdClass(0x1601000E), kIdClassUnit);
  EXPECT_EQ(IdSerial(0x1601000E), 0x01000Eu);
  EXPECT_EQ(MakeId(kIdClassWindow, 0x01000c), 0x5201000cu);
  EXPECT_TRUE(IsValidUnitTypeCode(kUnitTypeTransLabel));
  EXPECT_TRUE(IsValidUnitTypeCode(0x3FFFFFFF));
  EXPECT_FALSE(IsValidUnitTypeCode(0));
  EXPECT_FALSE(IsValidUnitTypeCode(0x40000000));
}

TEST(WindowTemplate, SizeZeroLoadsNothing) {
  Loaded l;
  EXPECT_TRUE(LoadTemplate(&l.registry, nullptr, 0, kCodeBase));
  EXPECT_EQ(WindowCount(l.registry), 0u);
  EXPECT_EQ(FindWindowRecord(l.registry, 0x52010001), nullptr);
  EXPECT_EQ(WindowRecordAt(l.registry, 0), nullptr);
}

TEST(WindowTemplate, LookupsByIndexAndIdentifier) {
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(WorkedExampleTemplate())));
  ASSERT_EQ(WindowCount(l.registry), 2u);
  uint32_t index = 9;
  WindowRecord* wait = FindWindowRecord(l.registry, 0x5201000c, &index);
  ASSERT_NE(wait, nullptr);
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(wait, WindowRecordAt(l.registry, 1));
  EXPECT_EQ(FindWindowRecord(l.registry, 0x5201000d), nullptr);
  EXPECT_EQ(WindowRecordAt(l.registry, 2), nullptr);

  const UnitTable& t = WindowRecordAt(l.registry, 0)->live;
  ASSERT_EQ(t.count, 8u);
  EXPECT_EQ(UnitIdAt(t, 0), 0x06010000u);
  EXPECT_EQ(UnitIdAt(t, 7), 0x16010002u);
  EXPECT_EQ(UnitIdAt(t, 8), 0u);
  EXPECT_EQ(UnitRecordAt(t, 8), nullptr);
  EXPECT_FALSE(IsMenuItem(t, 3));
  EXPECT_FALSE(IsMenuItem(t, 8));

  uint32_t size = 0;
  index = 0;
  uint8_t* edit = FindUnitRecord(t, 0x16010003, &size, &index);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(index, 6u);
  EXPECT_EQ(edit, UnitRecordAt(t, 6));
  EXPECT_EQ(LoadWord(edit), kUnitTypeEditBox);
  const uint8_t* block;
  uint32_t length = 99;
  ASSERT_TRUE(PropertyBlockOf(edit, size, &block, &length));
  EXPECT_EQ(length, 0u);  // all reset values
  EXPECT_EQ(block, edit + size);

  uint8_t* own = FindUnitRecord(t, 0x06010000, &size, &index);
  EXPECT_EQ(index, 0u);
  ASSERT_TRUE(PropertyBlockOf(own, size, &block, &length));
  EXPECT_EQ(length, 100u);
  EXPECT_EQ(LoadWord(block), 6u);  // version

  UnitRecordLayout u;
  ASSERT_TRUE(RecordOf(t, 1, &u));
  const uint8_t* label = UnitRecordAt(t, 1);
  EXPECT_EQ(LoadWord(label + u.left), 48u);
  EXPECT_EQ(LoadWord(label + u.top), 112u);
  EXPECT_EQ(LoadWord(label + u.width), 304u);
  EXPECT_EQ(LoadWord(label + u.height), 36u);
  EXPECT_EQ(LoadWord(label + u.flags) & kUnitVisible, 0u);
  EXPECT_EQ(u.mousePointerLength, 4u);
  EXPECT_EQ(LoadWord(label + u.mousePointerData), 0u);

  EXPECT_EQ(FindUnitRecord(t, 0x16010001), nullptr);  // not in the table
  EXPECT_EQ(FindUnitRecord(t, 0x16000000), nullptr);  // invalid
  EXPECT_EQ(FindUnitRecord(t, 0), nullptr);
}

TEST(WindowTemplate, FindUnitRecordComparesEntryZeroFirst) {
  TemplateDescription d = WorkedExampleTemplate();
  d.windows[0].units[4].id = d.windows[0].units[0].id;  // a duplicate further down
  d.windows[0].units[2].id = 0x16010003;                // duplicate of entry 6
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(d)));
  const UnitTable& t = WindowRecordAt(l.registry, 0)->live;
  uint32_t index = 9;
  ASSERT_NE(FindUnitRecord(t, 0x06010000, nullptr, &index), nullptr);
  EXPECT_EQ(index, 0u);
  ASSERT_NE(FindUnitRecord(t, 0x16010003, nullptr, &index), nullptr);
  EXPECT_EQ(index, 2u);
}

TEST(WindowTemplate, EventLinksOfTheSameTypeAreFollowed) {
  TemplateDescription d = WorkedExampleTemplate();
  auto& units = d.windows[0].units;
  units[5].eventLink = units[3].id;  // button 1 -> button 2
  units[1].eventLink = units[2].id;  // label 3 -> label 2 -> label 1 -> label 3
  units[2].eventLink = units[4].id;
  units[4].eventLink = units[1].id;
  units[7].eventLink = units[6].id;  // a Label linked to an EditBox keeps its own
  units[6].eventLink = 0x16FFFFFF;   // not in the table
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(d)));
  const UnitTable& t = WindowRecordAt(l.registry, 0)->live;
  EXPECT_EQ(FollowEventLink(t, 5), 3u);
  EXPECT_EQ(FollowEventLink(t, 3), 3u);
  EXPECT_EQ(FollowEventLink(t, 7), 7u);
  EXPECT_EQ(FollowEventLink(t, 6), 6u);
  const uint32_t end = FollowEventLink(t, 1);  // the cycle ends
  EXPECT_TRUE(end == 1 || end == 2 || end == 4);
  EXPECT_EQ(FollowEventLink(t, 8), 8u);
}

TEST(Relocation, HandlersAgainstCodeBase) {
  TemplateDescription d = WorkedExampleTemplate();
  d.windows[1].units[1].bindings = {{-7, -1}, {-8, 0x10}};
  TemplateMenuItem none, first, later;
  none.id = 0x26000010;
  none.handler = -1;
  first.id = 0x26000011;
  first.handler = 0;
  later.id = 0x26000012;
  later.handler = 0x1234;
  d.windows[1].menuItems = {none, first, later};
  d.windows[1].menuRunAt = 1;
  const std::vector<uint8_t> segment = Segment(d);

  for (uint32_t codeBase : {0x00401004u, 0x10000000u}) {
    SCOPED_TRACE(testing::Message() << "code base 0x" << std::hex << codeBase);
    Loaded l;
    ASSERT_TRUE(Load(&l, segment, codeBase));
    const UnitTable& main = WindowRecordAt(l.registry, 0)->live;
    UnitRecordLayout u;
    ASSERT_TRUE(RecordOf(main, 0, &u));
    EXPECT_EQ(BindingHandler(UnitRecordAt(main, 0), u, 0), codeBase + 0x44A);
    ASSERT_TRUE(RecordOf(main, 3, &u));
    EXPECT_EQ(BindingHandler(UnitRecordAt(main, 3), u, 0), codeBase + 0x72E);
    ASSERT_TRUE(RecordOf(main, 5, &u));
    EXPECT_EQ(BindingHandler(UnitRecordAt(main, 5), u, 0), codeBase);  // offset 0: first subroutine
    EXPECT_EQ(BindingHandler(UnitRecordAt(main, 5), u, 1), 0u);        // not bound

    const UnitTable& wait = WindowRecordAt(l.registry, 1)->live;
    ASSERT_EQ(wait.count, 5u);
    ASSERT_TRUE(RecordOf(wait, 4, &u));
    const uint8_t* label = UnitRecordAt(wait, 4);
    EXPECT_EQ(BindingHandler(label, u, -7), 0u);  // -1: none
    EXPECT_EQ(BindingHandler(label, u, -8), codeBase + 0x10);
    EXPECT_EQ(int32_t(LoadWord(label + u.bindings)), -7);  // event indices untouched

    const uint32_t expected[] = {0, codeBase, codeBase + 0x1234};
    for (uint32_t k = 0; k < 3; ++k) {
      MenuItemLayout m;
      ASSERT_TRUE(IsMenuItem(wait, 1 + k));
      ASSERT_TRUE(MenuItemOf(wait, 1 + k, &m));
      EXPECT_FALSE(RecordOf(wait, 1 + k, &u));
      const uint8_t* item = UnitRecordAt(wait, 1 + k);
      EXPECT_EQ(LoadWord(item + m.handler), expected[k]);
      EXPECT_EQ(LoadWord(item + m.slot), 0u);
      EXPECT_EQ(LoadWord(item + m.level), 0u);
    }
  }
}

// Tag of the first ordinary unit (entry 1) replaced by a longer text.
TEST(ReplaceRecordBytes, LongerTagShiftsLaterOffsetsOnly) {
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(WorkedExampleTemplate())));
  UnitTable& t = WindowRecordAt(l.registry, 0)->live;
  const UnitTable before = t;
  std::vector<uint8_t> oldBlock = Bytes(t.block, t.size);
  std::vector<std::vector<uint8_t>> oldRecords;
  std::vector<uint32_t> oldOffsets;
  for (uint32_t i = 0; i < t.count; ++i) {
    oldRecords.push_back(RecordBytes(t, i));
    oldOffsets.push_back(RecordOffsetAt(t, i));
  }
  UnitRecordLayout u;
  ASSERT_TRUE(RecordOf(t, 1, &u));
  const std::string tag = "status label";
  ASSERT_TRUE(ReplaceRecordBytes(&t, 1, u.tag, int32_t(u.tagLength), reinterpret_cast<const uint8_t*>(tag.data()),
                                 uint32_t(tag.size())));
  const uint32_t delta = uint32_t(tag.size());  // the old tag was empty

  EXPECT_EQ(t.count, before.count);
  EXPECT_EQ(t.size, before.size + delta);
  EXPECT_EQ(std::memcmp(t.block, oldBlock.data(), 4 * t.count), 0) << "identifier array changed";
  EXPECT_EQ(TagOf(t, 1), tag);
  uint32_t size;
  UnitRecordAt(t, 1, &size);
  EXPECT_EQ(size, oldRecords[1].size() + delta);
  for (uint32_t i = 0; i < t.count; ++i) {
    SCOPED_TRACE(testing::Message() << "entry " << i);
    EXPECT_EQ(RecordOffsetAt(t, i), oldOffsets[i] + (oldOffsets[i] > oldOffsets[1] ? delta : 0));
    if (i != 1) {
      EXPECT_EQ(RecordBytes(t, i), oldRecords[i]);
    }
  }
  // The rest of the edited record is as it was.
  std::vector<uint8_t> edited = RecordBytes(t, 1);
  edited.erase(edited.begin() + u.tag, edited.begin() + u.tag + delta);
  EXPECT_EQ(edited, oldRecords[1]);
  const uint8_t* block;
  uint32_t length;
  ASSERT_TRUE(PropertyBlockOf(UnitRecordAt(t, 1), size, &block, &length));
  EXPECT_EQ(length, u.propertyBlockLength);
}

TEST(ReplaceRecordBytes, EntryZeroShorterAndWholeRecord) {
  TemplateDescription d = WorkedExampleTemplate();
  d.windows[1].units[0].tag = "a rather long window tag";
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(d)));
  UnitTable& t = WindowRecordAt(l.registry, 1)->live;
  const std::vector<uint8_t> label = RecordBytes(t, 1);
  const uint32_t labelOffset = RecordOffsetAt(t, 1);
  UnitRecordLayout u;
  ASSERT_TRUE(RecordOf(t, 0, &u));
  const uint8_t shortTag[] = {'x'};
  ASSERT_TRUE(ReplaceRecordBytes(&t, 0, u.tag, int32_t(u.tagLength), shortTag, 1));
  EXPECT_EQ(TagOf(t, 0), "x");
  EXPECT_EQ(RecordOffsetAt(t, 0), 0u);
  EXPECT_EQ(RecordOffsetAt(t, 1), labelOffset + 1 - 24);
  EXPECT_EQ(RecordBytes(t, 1), label);

  // The whole record at once (oldLength -1), from an encoded replacement.
  TemplateUnit replacement = d.windows[1].units[1];
  replacement.tag = "new";
  replacement.left = -5;
  std::vector<uint8_t> encoded;
  ASSERT_TRUE(EncodeUnitRecord(replacement, &encoded));
  ASSERT_TRUE(ReplaceRecordBytes(&t, 1, 12345, -1, encoded.data(), uint32_t(encoded.size())));
  EXPECT_EQ(RecordBytes(t, 1), encoded);
  EXPECT_EQ(TagOf(t, 1), "new");
  EXPECT_EQ(TagOf(t, 0), "x");
}

TEST(ReplaceRecordBytes, RefusesAndKeepsTheTable) {
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(WorkedExampleTemplate())));
  UnitTable& t = WindowRecordAt(l.registry, 0)->live;
  const std::vector<uint8_t> before = Bytes(t.block, t.size);
  uint32_t size;
  UnitRecordAt(t, 2, &size);
  UnitRecordLayout u;
  ASSERT_TRUE(RecordOf(t, 2, &u));
  const uint8_t text[] = "abc";
  EXPECT_FALSE(ReplaceRecordBytes(&t, 8, 0, 0, text, 3));             // no such entry
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, size, 1, text, 3));          // past the record
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, size - 1, 2, text, 3));      // runs past it
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, 0xFFFFFFFF, 2, text, 3));    // position + length wraps
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, 0, -2, text, 3));            // bad old length
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, u.tag, int32_t(size - u.tag), text, 3));  // ends inside the tag
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, 0, -1, text, 3));            // too short to walk
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, 0, 0, nullptr, 3));
  EXPECT_EQ(Bytes(t.block, t.size), before);

  SetHostAllocationBudget(0);
  EXPECT_FALSE(ReplaceRecordBytes(&t, 2, u.tag, 0, text, 3));
  SetHostAllocationBudget(-1);
  EXPECT_EQ(Bytes(t.block, t.size), before);
}

TEST(LoadSnapshot, DestroyedWindowReturnsToItsLoadState) {
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(WorkedExampleTemplate())));
  WindowRecord* w = WindowRecordAt(l.registry, 0);
  const std::vector<uint8_t> atLoad = Bytes(w->live.block, w->live.size);
  ASSERT_EQ(w->snapshot.block, nullptr);
  ASSERT_TRUE(TakeLoadSnapshot(w));
  EXPECT_EQ(Bytes(w->snapshot.block, w->snapshot.size), atLoad);
  EXPECT_NE(w->snapshot.block, w->live.block);

  // While loaded: objects in the slots, a tag written.
  UnitRecordLayout u;
  ASSERT_TRUE(RecordOf(w->live, 3, &u));
  StoreWord(UnitRecordAt(w->live, 3) + u.objectSlot, 0x12345678);
  StoreWord(UnitRecordAt(w->live, 3) + u.cursorSlot, 0x9ABC);
  const uint8_t tag[] = "changed";
  ASSERT_TRUE(ReplaceRecordBytes(&w->live, 3, u.tag, 0, tag, 7));
  EXPECT_EQ(Bytes(w->snapshot.block, w->snapshot.size), atLoad);

  RestoreLoadSnapshot(w);
  EXPECT_EQ(Bytes(w->live.block, w->live.size), atLoad);
  EXPECT_EQ(w->live.count, 8u);
  EXPECT_EQ(w->snapshot.block, nullptr);
  EXPECT_EQ(w->snapshot.count, 0u);

  // A destroy notice without a snapshot (the load failed before taking it)
  // must not wipe the live table.
  RestoreLoadSnapshot(w);
  EXPECT_EQ(Bytes(w->live.block, w->live.size), atLoad);

  SetHostAllocationBudget(0);
  EXPECT_FALSE(TakeLoadSnapshot(w));
  SetHostAllocationBudget(-1);
  EXPECT_EQ(w->snapshot.block, nullptr);
}

TEST(LoadTemplate, AppendsToTheRegistry) {
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(WorkedExampleTemplate())));
  TemplateDescription more;
  more.windows.push_back(WorkedExampleTemplate().windows[1]);
  more.windows[0].id = 0x52000077;
  ASSERT_TRUE(Load(&l, Segment(more)));
  ASSERT_EQ(WindowCount(l.registry), 3u);
  uint32_t index;
  EXPECT_NE(FindWindowRecord(l.registry, 0x52010001, &index), nullptr);
  EXPECT_EQ(index, 0u);
  EXPECT_NE(FindWindowRecord(l.registry, 0x52000077, &index), nullptr);
  EXPECT_EQ(index, 2u);
}

TEST(LoadTemplate, AllocationFailureAppendsNothing) {
  Loaded l;
  ASSERT_TRUE(Load(&l, Segment(WorkedExampleTemplate())));
  WindowRecord* first = WindowRecordAt(l.registry, 0);
  const std::vector<uint8_t> segment = Segment(WorkedExampleTemplate());
  int64_t budget = 0;
  for (;; ++budget) {
    SetHostAllocationBudget(budget);
    const bool loaded = LoadTemplate(&l.registry, segment.data(), uint32_t(segment.size()), kCodeBase);
    SetHostAllocationBudget(-1);
    if (loaded) break;
    ASSERT_EQ(WindowCount(l.registry), 2u) << "budget " << budget;
    ASSERT_EQ(WindowRecordAt(l.registry, 0), first);
    ASSERT_LT(budget, 100);
  }
  EXPECT_GT(budget, 4);  // every window record, table and text is a separate block
  EXPECT_EQ(WindowCount(l.registry), 4u);
}

// A hand-made segment with one window whose unit table is given raw.
std::vector<uint8_t> RawWindow(int32_t unitCount, const std::vector<uint8_t>& block) {
  ByteWriter w;
  w.Int(8);
  w.Word(0x52000001);
  w.Word(0);
  w.Int(1);
  w.Int(0);
  w.Int(0);
  w.Int(0);
  w.Int(unitCount);
  w.Counted(block);
  return w.bytes();
}

std::vector<uint8_t> RawTable(const std::vector<uint32_t>& ids, const std::vector<uint32_t>& offsets,
                              const std::vector<std::vector<uint8_t>>& records) {
  ByteWriter w;
  for (uint32_t id : ids) w.Word(id);
  for (uint32_t o : offsets) w.Word(o);
  for (const auto& r : records) w.Counted(r);
  return w.bytes();
}

std::vector<uint8_t> EncodedUnit(const TemplateUnit& u) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(EncodeUnitRecord(u, &out));
  return out;
}

TEST(LoadTemplate, RefusesTablesThatCannotBeWalked) {
  TemplateUnit unit = WorkedExampleTemplate().windows[0].units[1];
  const std::vector<uint8_t> good = EncodedUnit(unit);
  const uint32_t goodSize = uint32_t(good.size()) + 4;
  const uint32_t a = 0x06000001, b = 0x16000002;
  Loaded ok;
  ASSERT_TRUE(Load(&ok, RawWindow(2, RawTable({a, b}, {0, goodSize}, {good, good}))));
  // Records may be stored in any order as long as they do not overlap.
  Loaded swapped;
  ASSERT_TRUE(Load(&swapped, RawWindow(2, RawTable({a, b}, {goodSize, 0}, {good, good}))));

  std::vector<uint8_t> noTerminator = good;
  std::fill(noTerminator.begin() + kRecordHeaderSize, noTerminator.end(), 'x');
  std::vector<uint8_t> negativeChildren = good;
  UnitRecordLayout u;
  ASSERT_TRUE(WalkUnitRecord(good.data(), uint32_t(good.size()), &u));
  StoreWord(&negativeChildren[u.childCount], 0xFFFFFFFF);
  std::vector<uint8_t> hugeBindings = good;
  StoreWord(&hugeBindings[u.bindingCount], 0x20000000);  // 8 * count wraps 32 bits
  std::vector<uint8_t> manyChildren = good;
  StoreWord(&manyChildren[u.childCount], 0x40000001);  // 4 * count wraps 32 bits

  struct Case {
    const char* what;
    std::vector<uint8_t> segment;
  } cases[] = {
      {"count beyond the block", RawWindow(1000, RawTable({a, b}, {0, goodSize}, {good, good}))},
      {"negative count", RawWindow(-1, RawTable({a, b}, {0, goodSize}, {good, good}))},
      {"entries with an empty block", RawWindow(1, {})},
      {"offset past the end", RawWindow(2, RawTable({a, b}, {0, 2 * goodSize}, {good, good}))},
      {"offset leaves no size word", RawWindow(2, RawTable({a, b}, {0, 2 * goodSize - 2}, {good, good}))},
      {"overlapping records", RawWindow(2, RawTable({a, b}, {0, 4}, {good, good}))},
      {"same record twice", RawWindow(2, RawTable({a, b}, {0, 0}, {good, good}))},
      {"text without terminator", RawWindow(1, RawTable({a}, {0}, {noTerminator}))},
      {"negative child count", RawWindow(1, RawTable({a}, {0}, {negativeChildren}))},
      {"child count overflows", RawWindow(1, RawTable({a}, {0}, {manyChildren}))},
      {"binding count overflows", RawWindow(1, RawTable({a}, {0}, {hugeBindings}))},
      {"record too short", RawWindow(1, RawTable({a}, {0}, {std::vector<uint8_t>(good.begin(), good.begin() + 40)}))},
      {"unit read as a menu item", RawWindow(1, RawTable({0x26000001}, {0}, {std::vector<uint8_t>(30, 0)}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded l;
    EXPECT_FALSE(Load(&l, c.segment));
    EXPECT_EQ(WindowCount(l.registry), 0u);
  }

  // Negative record size, and a size running past the block.
  std::vector<uint8_t> table = RawTable({a}, {0}, {good});
  StoreWord(&table[8], 0xFFFFFFF0);
  Loaded negative;
  EXPECT_FALSE(Load(&negative, RawWindow(1, table)));
  StoreWord(&table[8], uint32_t(good.size()) + 1);
  Loaded tooLong;
  EXPECT_FALSE(Load(&tooLong, RawWindow(1, table)));
}

TEST(LoadTemplate, EmptyCountedItemsReadAsEmpty) {
  // Window table length -8 means no windows; a negative S1 length means an
  // empty text with nothing following.
  ByteWriter w;
  w.Int(-8);
  Loaded none;
  ASSERT_TRUE(Load(&none, w.bytes()));
  EXPECT_EQ(WindowCount(none.registry), 0u);

  std::vector<uint8_t> segment = RawWindow(0, {});
  StoreWord(&segment[20], 0xFFFFFFFF);  // S1
  StoreWord(&segment[32], 0x80000000);  // unit table block
  Loaded l;
  ASSERT_TRUE(Load(&l, segment));
  ASSERT_EQ(WindowCount(l.registry), 1u);
  EXPECT_EQ(WindowRecordAt(l.registry, 0)->s1, nullptr);
  EXPECT_EQ(WindowRecordAt(l.registry, 0)->live.count, 0u);
  EXPECT_EQ(FindUnitRecord(WindowRecordAt(l.registry, 0)->live, 0x06000001), nullptr);
}

TEST(CorruptSegment, EveryPrefixIsRefused) {
  const std::vector<uint8_t> segment = Segment(WorkedExampleTemplate());
  ASSERT_EQ(segment.size(), kWorkedExampleSize);
  for (uint32_t n = 1; n < segment.size(); ++n) {
    auto copy = HeapCopy(segment.data(), n);
    WindowTemplate registry{};
    ASSERT_FALSE(LoadTemplate(&registry, copy.get(), n, kCodeBase)) << "prefix of " << n << " bytes";
    ASSERT_EQ(registry.count, 0u);
  }
}

// Random damage to the example: whatever is accepted must be walkable
// through every accessor, inside the buffer.
TEST(CorruptSegment, RandomMutationsStayInBounds) {
  const std::vector<uint8_t> segment = Segment(WorkedExampleTemplate());
  std::mt19937 rng(20240601);
  const uint32_t interesting[] = {0, 1, 4, 0x7F, 0xFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFC,
                                  kWorkedExampleSize, 0x26000001, 0x10000000};
  int accepted = 0, refused = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<uint8_t> m = segment;
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const uint32_t at = rng() % uint32_t(m.size());
      switch (rng() % 4) {
        case 0:
          m[at] = uint8_t(rng());
          break;
        case 1:
          if (at + 4 <= m.size()) StoreWord(&m[at & ~3u], interesting[rng() % std::size(interesting)]);
          break;
        case 2:
          if (at + 4 <= m.size()) StoreWord(&m[at], LoadWord(&m[at]) + (rng() % 9) - 4);
          break;
        default:
          m.resize(at + 1);
          break;
      }
    }
    auto copy = HeapCopy(m.data(), m.size());
    WindowTemplate registry{};
    if (LoadTemplate(&registry, copy.get(), uint32_t(m.size()), kCodeBase)) {
      ++accepted;
      ASSERT_TRUE(ExerciseRegistry(&registry)) << "round " << round;
    } else {
      ++refused;
      ASSERT_EQ(registry.count, 0u);
    }
    FreeWindowTemplate(&registry);
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 100);
}

}  // namespace
