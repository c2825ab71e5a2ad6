#include "tests/forms/template_test_support.h"

#include "forms/byte_reader.h"
#include "forms/byte_writer.h"

#include <cstring>

// GBK texts of the example.
#define TRANS_LABEL "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9"  // 透明标签
#define SUPER_BTN "\xB3\xAC\xBC\xB6\xB0\xB4\xC5\xA5"    // 超级按钮
#define EDIT_BOX "\xB1\xE0\xBC\xAD\xBF\xF2"             // 编辑框
#define LABEL "\xB1\xEA\xC7\xA9"                        // 标签
// 正在升级 PE软件包 请稍等...
#define PLEASE_WAIT "\xD5\xFD\xD4\xDA\xC9\xFD\xBC\xB6 PE\xC8\xED\xBC\xFE\xB0\xFC \xC7\xEB\xC9\xD4\xB5\xC8..."
// 本程序主要用于 旧版PE免格升级新版 升级PE软件包
#define PURPOSE                                                                                 \
  "\xB1\xBE\xB3\xCC\xD0\xF2\xD6\xF7\xD2\xAA\xD3\xC3\xD3\xDA \xBE\xC9\xB0\xE6PE\xC3\xE2\xB8\xF1" \
  "\xC9\xFD\xBC\xB6\xD0\xC2\xB0\xE6 \xC9\xFD\xBC\xB6PE\xC8\xED\xBC\xFE\xB0\xFC"
// 主程序升级完成后 再操作本程序
#define AFTER_MAIN "\xD6\xF7\xB3\xCC\xD0\xF2\xC9\xFD\xBC\xB6\xCD\xEA\xB3\xC9\xBA\xF3 \xD4\xD9\xB2\xD9\xD7\xF7\xB1\xBE\xB3\xCC\xD0\xF2"
#define UPGRADE "\xC9\xFD\xBC\xB6"  // 升级
#define BROWSE "\xE4\xAF\xC0\xC0"   // 浏览
#define DRIVE_DIR "U\xC5\xCC\xC5\xCC\xB7\xFB\xC4\xBF\xC2\xBC:"  // U盘盘符目录:
#define YAHEI "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"               // 微软雅黑

std::vector<uint8_t> WindowPropertyBlock(int32_t borderStyle) {
  ByteWriter w;
  const int32_t fields[] = {6,            // version
                            borderStyle,  // BorderStyle
                            1,            // BackPictureMode
                            0xFFFFFF,     // BackColor
                            0, 1, 1, 1, 1,  // MaxButton, MinButton, ControlBox, Position, Movable
                            0, 0, 1, 0,     // SoundPlayMode, EnterMovesFocus, EscCloses, F1Help
                            0,              // HelpContext
                            1,              // ShowInTaskbar
                            0, 0,           // DragAnywhere, Shape
                            0,              // AlwaysOnTop
                            0};             // KeepTitleActive
  for (int32_t f : fields) w.Int(f);
  w.Counted("");  // WindowClass
  w.Counted("");  // BackPicture
  w.Counted("");  // Icon
  w.Counted("");  // BackSound
  w.Counted("");  // caption
  w.Counted("");  // HelpFile
  return w.bytes();
}

static std::vector<uint8_t> YaHeiFont() {
  ByteWriter w;
  w.Int(-19);  // height
  w.Int(0);    // width
  w.Int(0);    // escapement
  w.Int(0);    // orientation
  w.Int(700);  // weight
  const uint8_t flags[] = {0, 0, 0, 134, 3, 2, 1, 0x22};  // italic .. pitch and family
  w.Bytes(flags, sizeof flags);
  char face[32] = YAHEI;
  w.Bytes(face, sizeof face);
  return w.bytes();
}

std::vector<uint8_t> TransLabelPropertyBlock(const std::string& caption, uint32_t textColor, bool bigFont) {
  ByteWriter w;
  w.Word(1);  // version
  w.Int(0);   // effect
  w.Word(textColor);
  w.Int(0);  // HAlign
  w.Int(1);  // VAlign
  w.Int(0);  // WordWrap
  w.Counted(bigFont ? YaHeiFont() : std::vector<uint8_t>());
  w.Counted(caption);
  return w.bytes();
}

std::vector<uint8_t> SuperBtnPropertyBlock(const std::string& caption) {
  ByteWriter w;
  w.Word(2);  // version
  const int32_t fields[] = {0, 0, 0, 0, 0, 1, 0};  // BtnStyle .. DrawFocus
  for (int32_t f : fields) w.Int(f);
  w.Word(0xFF000000);  // TransColorIn
  w.Word(0xFF000000);  // TransColorOut
  w.Int(1);            // DefaultColor
  w.Int(0);            // StandardSound
  w.Int(0);            // DefaultStyle
  const uint32_t colours[] = {0, 0xF0F0F0, 0, 0xFFFFFF, 0, 0xF0F0F0};
  for (uint32_t c : colours) w.Word(c);
  for (int i = 0; i < 5; ++i) w.Counted("");  // PicIn, PicOut, font, OverSound, ClickSound
  w.Counted(caption);
  w.Counted("");       // ToolTip
  w.Word(0xFF000000);  // TransColorDisabled
  w.Counted("");       // PicDisabled
  return w.bytes();
}

std::vector<uint8_t> LabelPropertyBlock(const std::string& caption, uint32_t backColor) {
  ByteWriter w;
  w.Word(2);   // version
  w.Int(0);    // effect
  w.Int(8);    // GradientBorderWidth
  w.Int(0);    // border
  w.Word(0x808080);
  w.Word(0xFFFFFF);
  w.Word(0x808080);
  w.Word(0);  // TextColor
  w.Word(backColor);
  w.Int(1);  // BackPictureMode
  w.Int(0);  // GradientBackMode
  w.Word(0x808080);
  w.Word(0xFFFFFF);
  w.Word(0x808080);
  w.Int(0);       // HAlign
  w.Int(1);       // VAlign
  w.Int(0);       // WordWrap
  w.Counted("");  // font
  w.Counted("");  // BackPicture
  w.Counted(caption);
  w.Counted("");  // DataSource
  w.Counted("");  // DataColumn
  return w.bytes();
}

static TemplateUnit Unit(UnitId id, uint32_t type, const char* name, int32_t left, int32_t top, int32_t width,
                         int32_t height, uint32_t flags, std::vector<uint8_t> block) {
  TemplateUnit u;
  u.id = id;
  u.typeCode = type;
  u.name = name;
  u.left = left;
  u.top = top;
  u.width = width;
  u.height = height;
  u.flags = flags;
  u.propertyBlock = std::move(block);
  return u;
}

TemplateDescription WorkedExampleTemplate() {
  const uint32_t visible = kUnitVisible, tabStop = kUnitVisible | kUnitTabStop;
  TemplateWindow main;
  main.id = 0x52010001;
  main.b = 0x19010008;
  main.units.push_back(Unit(0x06010000, kUnitTypeWindow, "", 50, 50, 350, 187, visible, WindowPropertyBlock(2)));
  main.units[0].bindings.push_back({0, kStartupHandler});
  main.units.push_back(Unit(0x1601000E, kUnitTypeTransLabel, TRANS_LABEL "3", 48, 112, 304, 36, 0,
                            TransLabelPropertyBlock(PLEASE_WAIT, 0xFF8080, true)));
  main.units.push_back(Unit(0x16010007, kUnitTypeTransLabel, TRANS_LABEL "2", 20, 40, 248, 24, visible,
                            TransLabelPropertyBlock(AFTER_MAIN, 0xE03058, false)));
  main.units.push_back(Unit(0x16010006, kUnitTypeSuperBtn, SUPER_BTN "2", 272, 72, 56, 24, tabStop,
                            SuperBtnPropertyBlock(UPGRADE)));
  main.units.back().bindings.push_back({0, kUpgradeHandler});
  main.units.push_back(Unit(0x16010005, kUnitTypeTransLabel, TRANS_LABEL "1", 24, 8, 296, 24, visible,
                            TransLabelPropertyBlock(PURPOSE, 0, false)));
  main.units.push_back(Unit(0x16010004, kUnitTypeSuperBtn, SUPER_BTN "1", 192, 72, 56, 24, tabStop,
                            SuperBtnPropertyBlock(BROWSE)));
  main.units.back().bindings.push_back({0, kBrowseHandler});
  main.units.push_back(Unit(0x16010003, kUnitTypeEditBox, EDIT_BOX "1", 94, 76, 80, 20, tabStop, {}));
  main.units.push_back(Unit(0x16010002, kUnitTypeLabel, LABEL "1", 16, 72, 80, 24, visible,
                            LabelPropertyBlock(DRIVE_DIR, 0xFFFFFF)));

  TemplateWindow wait;
  wait.id = 0x5201000c;
  wait.units.push_back(Unit(0x0601000b, kUnitTypeWindow, "", 50, 50, 332, 61, visible, WindowPropertyBlock(0)));
  wait.units.push_back(Unit(0x1601000d, kUnitTypeTransLabel, TRANS_LABEL "1", 48, 13, 304, 36, visible,
                            TransLabelPropertyBlock(PLEASE_WAIT, 0xFF8080, true)));

  TemplateDescription d;
  d.windows.push_back(std::move(main));
  d.windows.push_back(std::move(wait));
  return d;
}

std::unique_ptr<uint8_t[]> HeapCopy(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  return copy;
}

// Reads bytes so that a sanitizer sees every access; the sum keeps the
// reads from being optimised away.
static volatile uint32_t g_sink;

static void Touch(const uint8_t* p, uint32_t n) {
  uint32_t sum = 0;
  for (uint32_t i = 0; i < n; ++i) sum += p[i];
  g_sink = g_sink + sum;
}

static bool ExerciseUnit(const UnitTable& t, uint32_t i) {
  uint32_t size;
  uint8_t* data = UnitRecordAt(t, i, &size);
  if (!data) return false;
  Touch(data, size);
  if (IsMenuItem(t, i)) {
    MenuItemLayout m;
    if (!MenuItemOf(t, i, &m) || m.end > size) return false;
    Touch(data + m.caption, m.captionLength + 1);
    g_sink = LoadWord(data + m.handler) + LoadWord(data + m.slot);
    return true;
  }
  UnitRecordLayout u;
  if (!RecordOf(t, i, &u) || u.propertyBlock + u.propertyBlockLength != size) return false;
  const uint8_t* block;
  uint32_t length;
  if (!PropertyBlockOf(data, size, &block, &length) || block != data + u.propertyBlock) return false;
  Touch(data + u.name, u.nameLength + 1);
  Touch(data + u.tag, u.tagLength + 1);
  Touch(data + u.mousePointerData, u.mousePointerLength);
  Touch(data + u.children, 4 * u.childCountValue);
  g_sink = LoadWord(data + u.objectSlot) + LoadWord(data + u.height) + LoadWord(data + u.tabOrder) +
           BindingHandler(data, u, 0) + BindingHandler(data, u, -7);
  return true;
}

static bool ExerciseTable(UnitTable* t) {
  for (uint32_t i = 0; i < t->count; ++i) {
    if (!ExerciseUnit(*t, i)) return false;
    uint32_t found;
    if (IsValidId(UnitIdAt(*t, i)) && !FindUnitRecord(*t, UnitIdAt(*t, i), nullptr, &found)) return false;
  }
  if (UnitRecordAt(*t, t->count) || UnitIdAt(*t, t->count)) return false;
  // Lengthen the first unit's tag, as a tag write does.
  for (uint32_t i = 0; i < t->count; ++i) {
    UnitRecordLayout u;
    if (!RecordOf(*t, i, &u)) continue;
    static const uint8_t kTag[] = "tag text written at run time";
    if (!ReplaceRecordBytes(t, i, u.tag, int32_t(u.tagLength), kTag, sizeof kTag - 1)) return true;  // out of memory
    return ExerciseUnit(*t, i);
  }
  return true;
}

bool ExerciseRegistry(WindowTemplate* registry) {
  for (uint32_t w = 0; w < WindowCount(*registry); ++w) {
    WindowRecord* window = WindowRecordAt(*registry, w);
    uint32_t index = UINT32_MAX;
    WindowId id = registry->ids[w];
    if (IsValidId(id) && (!FindWindowRecord(*registry, id, &index) || index > w)) return false;
    if (!TakeLoadSnapshot(window)) continue;
    bool ok = ExerciseTable(&window->live);
    RestoreLoadSnapshot(window);
    if (!ok || !ExerciseTable(&window->live)) return false;
  }
  return !WindowRecordAt(*registry, WindowCount(*registry));
}
