#include "units/super_button.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "forms/form_runtime.h"
#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/values.h"
#include "units/common_properties.h"
#include "units/unit_texts.h"

namespace {

ButtonSystemColours SystemColours() {
  return {ButtonSystemColour(COLOR_BTNTEXT), ButtonSystemColour(COLOR_BTNFACE)};
}

COLORREF MapColour(uint32_t colour) {
  return colour == 0xFF000000 ? ButtonSystemColour(COLOR_BTNFACE) : colour;
}

PropertyValue BytesValue(const PropertyBytes& bytes) { return {AddressWord(bytes.data()), bytes.size()}; }

bool AssignValueBytes(PropertyBytes* out, const PropertyValue& value) {
  const int32_t length = static_cast<int32_t>(value.word1);
  if (!value.word0 || length <= 0) {
    out->Clear();
    return true;
  }
  return out->Assign(AtAddress<const uint8_t>(value.word0), static_cast<uint32_t>(length));
}

// Where each picture slot takes its bytes and transparent colour from.
struct SlotSource {
  PropertyBytes SuperBtnProperties::*picture;
  uint32_t SuperBtnProperties::*transparent;
};
constexpr std::array<SlotSource, kPictureSlotCount> kSlotSources = {{
    {&SuperBtnProperties::picIn, &SuperBtnProperties::transColorIn},              // kSlotHovered
    {&SuperBtnProperties::picOut, &SuperBtnProperties::transColorOut},            // kSlotNormal
    {&SuperBtnProperties::picDisabled, &SuperBtnProperties::transColorDisabled},  // kSlotDisabled
}};

// The six colours in the button's order, counted from kFgColorOut.
constexpr std::array<uint32_t SuperBtnProperties::*, kButtonColourCount> kColourFields = {
    &SuperBtnProperties::fgColorOut, &SuperBtnProperties::bkColorOut,
    &SuperBtnProperties::fgColorIn,  &SuperBtnProperties::bkColorIn,
    &SuperBtnProperties::fgColorFocus, &SuperBtnProperties::bkColorFocus,
};

SuperBtnUnit* AsSuperBtn(Wnd* unit) { return dynamic_cast<SuperBtnUnit*>(unit); }

}  // namespace

// --- the unit ---

bool SuperBtnUnit::Create(const uint8_t* block, uint32_t length, DWORD style, HWND parent,
                          uint32_t controlId, const RECT& rect) {
  if (!LoadSuperBtnProperties(&properties, block, length, SystemColours())) return false;
  SuperBtnProperties& p = properties;
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (p.checkBox) style |= BS_CHECKBOX;
  else if (p.defaultStyle == 1) style |= BS_DEFPUSHBUTTON;
  style = TakeOverStyle(style);
  checked = checkBoxMode && p.checked != 0;

  alignment = std::clamp(p.alignStyle, 0, 3);
  drawBorder = p.drawBorder != 0;
  drawFocus = p.drawFocus != 0;
  SetPressStyle(std::clamp(p.pressStyle, 0, 1));
  SetLook(std::clamp(p.btnStyle, 0, 2));
  ApplyColours();
  standardSound = p.standardSound != 0;
  hoverSound = {p.overSound.data(), p.overSound.size()};
  clickSound = {p.clickSound.data(), p.clickSound.size()};
  for (int32_t slot = 0; slot < kPictureSlotCount; ++slot) RebuildPicture(PictureSlot(slot));

  if (!CreateEx(0, "BUTTON", p.caption.text(), style, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, parent,
                reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId))))
    return false;
  ApplyFont();
  if (!p.toolTip.empty()) SetToolTip(p.toolTip.text());
  return true;
}

void SuperBtnUnit::ApplyColours() {
  systemColours = properties.defaultColor != 0;
  for (int i = 0; i < kButtonColourCount; ++i) colours[i] = MapColour(properties.*kColourFields[i]);
}

void SuperBtnUnit::ApplyFont() {
  HFONT made = CreateUnitFont(properties.font);
  HFONT use = made ? made : DefaultGuiFont();
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(use), TRUE);
  if (font) DeleteObject(font);
  font = made;
}

void SuperBtnUnit::RebuildPicture(PictureSlot slot) {
  const PropertyBytes& bytes = properties.*kSlotSources[slot].picture;
  if (bytes.empty()) {
    SetPicture(slot, nullptr, 0);
    return;
  }
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(static_cast<uint32_t>(
      HostService(1003, static_cast<int32_t>(AddressWord(bytes.data())),
                  static_cast<int32_t>(bytes.size())))));
  // A picture that does not decode leaves its slot empty.
  if (!bitmap) SetPicture(slot, nullptr, 0);
  else SetPicture(slot, bitmap, properties.*kSlotSources[slot].transparent);
}

int32_t SuperBtnUnit::WriteProperty(int32_t index, const PropertyValue& value) {
  SuperBtnProperties& p = properties;
  const uint32_t word = value.word0;
  bool invalidate = true;
  switch (index) {
    case kBtnStyle: p.btnStyle = ClampPick(word, 2); SetLook(p.btnStyle); break;
    case kCheckBox: {
      const int32_t old = p.checkBox;
      p.checkBox = word ? 1 : 0;
      return old != p.checkBox ? 1 : 0;
    }
    case kChecked: p.checked = word ? 1 : 0; checked = p.checked != 0; break;
    case kAlignStyle: p.alignStyle = alignment = ClampPick(word, 3); break;
    case kPressStyle: p.pressStyle = ClampPick(word, 1); SetPressStyle(p.pressStyle); break;
    case kDrawBorder: p.drawBorder = word ? 1 : 0; drawBorder = word != 0; break;
    case kDrawFocus: p.drawFocus = word ? 1 : 0; drawFocus = word != 0; break;
    case kPicOut: case kPicIn: case kPicDisabled: {
      const PictureSlot slot = index == kPicOut ? kSlotNormal : index == kPicIn ? kSlotHovered : kSlotDisabled;
      AssignValueBytes(&(p.*kSlotSources[slot].picture), value);
      RebuildPicture(slot);
      break;
    }
    case kTransColorOut: case kTransColorIn: case kTransColorDisabled: {
      const PictureSlot slot = index == kTransColorOut ? kSlotNormal : index == kTransColorIn ? kSlotHovered : kSlotDisabled;
      p.*kSlotSources[slot].transparent = word;
      RebuildPicture(slot);
      break;
    }
    case kBtnFont: AssignValueBytes(&p.font, value); ApplyFont(); break;
    case kBtnCaption:
      p.caption.AssignText(AtAddress<const char>(word));
      SetWindowTextA(Handle(), p.caption.text());
      break;
    case kDefaultColor: p.defaultColor = word ? 1 : 0; ApplyColours(); break;
    case kFgColorOut: case kBkColorOut: case kFgColorIn: case kBkColorIn: case kFgColorFocus:
    case kBkColorFocus:
      p.*kColourFields[index - kFgColorOut] = word;
      ApplyColours();
      invalidate = !p.defaultColor;
      break;
    case kStandardSound: p.standardSound = word ? 1 : 0; standardSound = word != 0; return 0;
    case kOverSound:
      AssignValueBytes(&p.overSound, value);
      hoverSound = {p.overSound.data(), p.overSound.size()};
      return 0;
    case kClickSound:
      AssignValueBytes(&p.clickSound, value);
      clickSound = {p.clickSound.data(), p.clickSound.size()};
      return 0;
    case kBtnToolTip:
      p.toolTip.AssignText(AtAddress<const char>(word));
      SetToolTip(p.toolTip.text());
      return 0;
    case kDefaultStyle: p.defaultStyle = ClampPick(word, 1); return 1;
    default: return 0;
  }
  if (invalidate) InvalidateRect(Handle(), nullptr, FALSE);
  return 0;
}

bool SuperBtnUnit::ReadProperty(int32_t index, PropertyValue* value) {
  const SuperBtnProperties& p = properties;
  auto plain = [value](int32_t word) { *value = {static_cast<uint32_t>(word), 0}; };
  switch (index) {
    case kBtnStyle: plain(p.btnStyle); return true;
    case kCheckBox: plain(p.checkBox); return true;
    case kChecked: plain(designMode ? p.checked : checked ? 1 : 0); return true;
    case kAlignStyle: plain(p.alignStyle); return true;
    case kPressStyle: plain(p.pressStyle); return true;
    case kDrawBorder: plain(p.drawBorder); return true;
    case kDrawFocus: plain(p.drawFocus); return true;
    case kPicOut: *value = BytesValue(p.picOut); return true;
    case kTransColorOut: plain(int32_t(p.transColorOut)); return true;
    case kPicIn: *value = BytesValue(p.picIn); return true;
    case kTransColorIn: plain(int32_t(p.transColorIn)); return true;
    case kPicDisabled: *value = BytesValue(p.picDisabled); return true;
    case kTransColorDisabled: plain(int32_t(p.transColorDisabled)); return true;
    case kBtnFont: *value = BytesValue(p.font); return true;
    case kBtnCaption: plain(int32_t(AddressWord(p.caption.text()))); return true;
    case kDefaultColor: plain(p.defaultColor); return true;
    case kFgColorOut: case kBkColorOut: case kFgColorIn: case kBkColorIn: case kFgColorFocus:
    case kBkColorFocus:
      plain(int32_t(p.*kColourFields[index - kFgColorOut]));
      return true;
    case kStandardSound: plain(p.standardSound); return true;
    case kOverSound: *value = BytesValue(p.overSound); return true;
    case kClickSound: *value = BytesValue(p.clickSound); return true;
    case kBtnToolTip: plain(int32_t(AddressWord(p.toolTip.text()))); return true;
    case kDefaultStyle: plain(p.defaultStyle); return true;
    default: return false;
  }
}

int32_t SuperBtnUnit::PropertyApplicable(int32_t index) const {
  const SuperBtnProperties& p = properties;
  const bool threeD = p.btnStyle == 1;
  switch (index) {
    case kChecked: return p.checkBox ? 1 : 0;
    case kDrawBorder: case kDrawFocus: return threeD ? 0 : 1;
    case kTransColorOut: return p.picOut.empty() ? 0 : 1;
    case kTransColorIn: return p.picIn.empty() ? 0 : 1;
    case kTransColorDisabled: return p.picDisabled.empty() ? 0 : 1;
    case kFgColorOut: case kBkColorOut: case kFgColorIn: case kBkColorIn: case kFgColorFocus:
    case kBkColorFocus:
      return p.defaultColor ? 0 : 1;
    case kOverSound: return p.standardSound || threeD ? 0 : 1;
    case kClickSound: return p.standardSound ? 0 : 1;
    case kDefaultStyle: return p.checkBox ? 0 : 1;
    default: return 1;
  }
}

void SuperBtnUnit::RaiseEvent(int32_t index) {
  EventRecord record{windowId, unitId, index, 0, {}, 0, 0};
  HostService(2008, static_cast<int32_t>(AddressWord(&record)), 0);
}

void SuperBtnUnit::OnClicked() {
  properties.checked = checked ? 1 : 0;
  RaiseEvent(kSuperBtnClicked);
}

void SuperBtnUnit::OnFocusChanged(bool gained) { RaiseEvent(gained ? -7 : -8); }

void SuperBtnUnit::OnFinalMessage() {
  ReleaseResources();
  if (font) DeleteObject(font);
  font = nullptr;
  HostService(2000, static_cast<int32_t>(windowId), static_cast<int32_t>(unitId));
  delete this;
}

// --- the type's entries ---

namespace {

Wnd* __stdcall CreateSuperBtn(const uint8_t* block, uint32_t length, uint32_t style, HWND parent,
                              uint32_t controlId, HMENU, int32_t left, int32_t top, int32_t width,
                              int32_t height, uint32_t windowId, uint32_t unitId, uint32_t,
                              uint32_t designMode) {
  auto* unit = new SuperBtnUnit();
  unit->windowId = windowId;
  unit->unitId = unitId;
  unit->designMode = designMode != 0;
  if (!unit->Create(block, length, style, parent, controlId, {left, top, left + width, top + height})) {
    delete unit;
    return nullptr;
  }
  return unit;
}

int32_t __stdcall SuperBtnApplicable(Wnd* object, int32_t index) {
  SuperBtnUnit* unit = AsSuperBtn(object);
  return unit ? unit->PropertyApplicable(index) : 1;
}

int32_t __stdcall SuperBtnWritten(Wnd* object, int32_t index, const PropertyValue* value, uint32_t) {
  SuperBtnUnit* unit = AsSuperBtn(object);
  return unit && value ? unit->WriteProperty(index, *value) : 0;
}

void* __stdcall SaveSuperBtn(Wnd* object) {
  SuperBtnUnit* unit = AsSuperBtn(object);
  if (!unit) return nullptr;
  if (!unit->designMode) unit->properties.checked = unit->checked ? 1 : 0;
  return SavedBlockByteSet(SaveSuperBtnProperties(unit->properties));
}

int32_t __stdcall ReadSuperBtn(Wnd* object, int32_t index, PropertyValue* value) {
  SuperBtnUnit* unit = AsSuperBtn(object);
  return unit && value && unit->ReadProperty(index, value) ? 1 : 0;
}

// Visits the face name, the caption and the tooltip; answers the block made
// anew (null and length 0 when the block does not load).
void* __stdcall VisitSuperBtnTexts(const uint8_t* block, uint32_t* length, UnitTextVisitor visitor,
                                   uint32_t user) {
  return VisitBlockTexts<SuperBtnProperties>(
      block, length, visitor,
      [](SuperBtnProperties* p, const uint8_t* bytes, uint32_t size) {
        return LoadSuperBtnProperties(p, bytes, size, SystemColours());
      },
      [visitor, user](SuperBtnProperties& p) {
        VisitFaceName(&p.font, visitor, user);
        VisitUnitText(&p.caption, visitor, user);
        VisitUnitText(&p.toolTip, visitor, user);
      },
      &SaveSuperBtnProperties);
}

int32_t __stdcall SuperBtnIsDefault(Wnd* object) {
  SuperBtnUnit* unit = AsSuperBtn(object);
  return unit && unit->defaultButton ? 1 : 0;
}

constexpr UnitEntries kEntries{.create = &CreateSuperBtn,
                               .applicable = &SuperBtnApplicable,
                               .written = &SuperBtnWritten,
                               .save = &SaveSuperBtn,
                               .read = &ReadSuperBtn,
                               .visitTexts = &VisitSuperBtnTexts,
                               .isDefaultButton = &SuperBtnIsDefault};

// --- the property table ---

struct PropertyText {
  const char* name;
  const char* englishName;
  uint32_t typeWord;  // declared type, flags in the high half
  const char* pickList;  // texts each ended by a zero, an empty one last
};

constexpr char kLookPicks[] = "平面风格\0立体风格\0XP风格\0";
constexpr char kAlignPicks[] = "图左文右\0图上文下\0图右文左\0图文混排\0";
constexpr char kPressPicks[] = "从左到右\0从上到下\0";
constexpr char kDefaultPicks[] = "通常\0默认\0";

// Entries 0-7 are the common properties of every unit.
constexpr std::array<PropertyText, kSuperBtnPropertyCount> kPropertyTexts = {{
    {"左边", "left", 0xE00003E9, nullptr},
    {"顶边", "top", 0xE00003E9, nullptr},
    {"宽度", "width", 0xE00003E9, nullptr},
    {"高度", "height", 0xE00003E9, nullptr},
    {"标记", "tag", 0xE00003ED, nullptr},
    {"可视", "visible", 0xE00003EB, nullptr},
    {"禁止", "disable", 0xE00003EB, nullptr},
    {"鼠标指针", "MousePointer", 0xE00003F3, nullptr},
    {"按钮风格", "BtnStyle", 0x3EE, kLookPicks},
    {"选择框方式", "CheckBox", 0x3EB, nullptr},
    {"选中", "Checked", 0x103EB, nullptr},
    {"对齐方式", "AlignStyle", 0x3EE, kAlignPicks},
    {"压入方式", "PressStyle", 0x3EE, kPressPicks},
    {"绘制边框", "DrawBorder", 0x3EB, nullptr},
    {"绘制焦点", "DrawFocus", 0x203EB, nullptr},
    {"通常图片", "PicOut", 0x3F1, nullptr},
    {"通常图片透明色", "TransColorOut", 0x103F9, nullptr},
    {"点燃图片", "PicIn", 0x3F1, nullptr},
    {"点燃图片透明色", "TransColorIn", 0x103F9, nullptr},
    {"禁止图片", "PicDisabled", 0x3F1, nullptr},
    {"禁止图片透明色", "TransColorDisabled", 0x303F9, nullptr},
    {"字体", "font", 0x3F5, nullptr},
    {"标题", "caption", 0x203ED, nullptr},
    {"使用默认色", "DefaultColor", 0x3EB, nullptr},
    {"通常前景色", "FgColorOut", 0x103F6, nullptr},
    {"通常背景色", "BkColorOut", 0x103F9, nullptr},
    {"点燃前景色", "FgColorIn", 0x103F6, nullptr},
    {"点燃背景色", "BkColorIn", 0x103F9, nullptr},
    {"焦点前景色", "FgColorFocus", 0x103F6, nullptr},
    {"焦点背景色", "BkColorFocus", 0x303F9, nullptr},
    {"标准音提示", "StandardSound", 0x3EB, nullptr},
    {"经过提示音", "OverSound", 0x103F4, nullptr},
    {"单击提示音", "ClickSound", 0x303F4, nullptr},
    {"提示文本", "ToolTip", 0x3ED, nullptr},
    {"默认类型", "DefaultStyle", 0x3EE, kDefaultPicks},
}};

// "本属性指定按钮是否以选择框方式工作"
constexpr char kCheckBoxDescription[] = "本属性指定按钮是否以选择框方式工作";

std::array<PropertyDescriptor, kSuperBtnPropertyCount> MakeDescriptors() {
  std::array<PropertyDescriptor, kSuperBtnPropertyCount> table{};
  for (uint32_t i = 0; i < kSuperBtnPropertyCount; ++i) {
    const PropertyText& t = kPropertyTexts[i];
    // The last word holds the pick-list texts.
    table[i] = {AddressWord(t.name), AddressWord(t.englishName), 0, t.typeWord, AddressWord(t.pickList)};
  }
  table[8 + kCheckBox].description = AddressWord(kCheckBoxDescription);
  return table;
}

}  // namespace

void* __stdcall SuperBtnEntry(int32_t kind) { return UnitEntryOf(kEntries, kind); }

const PropertyDescriptor* SuperBtnPropertyDescriptors() {
  static const std::array<PropertyDescriptor, kSuperBtnPropertyCount> table = MakeDescriptors();
  return table.data();
}

DataTypeRecord SuperBtnDataType() {
  return MakeUnitDataType("超级按钮", "SuperBtn", kSuperBtnTypeFlags, kSuperBtnPropertyCount,
                          SuperBtnPropertyDescriptors(), &SuperBtnEntry);
}
