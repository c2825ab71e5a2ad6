#include "units/trans_label.h"

#include <algorithm>
#include <array>
#include <vector>

#include "forms/unit_contract.h"
#include "runtime/host_service.h"
#include "runtime/values.h"
#include "units/common_properties.h"
#include "units/label_text.h"
#include "units/trans_label_properties.h"
#include "units/unit_texts.h"

namespace {

constexpr char kTransLabelClass[] = "_NX_TransLabel";

// Own properties, by index - 8.
enum TransLabelProperty : int32_t {
  kCaption, kEffect, kFont, kTextColor, kHAlign, kWordWrap, kVAlign, kOwnPropertyCount
};

// Descriptors in property order; entry 8 (caption) is the first own one.
constexpr std::array<uint32_t, kOwnPropertyCount> kOwnTypes = {
    0x3ED, 0x3EE, 0x3F5, 0x3F6, 0x3EE, 0x3EB, 0x3EE,
};

constexpr auto kDescriptors = DescribeUnitProperties(kOwnTypes);
static_assert(kDescriptors.size() == kTransLabelPropertyCount);

void PaintSiblingsBeneath(HWND label);

class TransLabelUnit : public Wnd {
 public:
  TransLabelProperties props;
  uint32_t windowId = 0;
  uint32_t unitId = 0;
  // Until CreateEx has returned a window, its creator deletes the object:
  // a creation that fails after the first message ends in WM_NCDESTROY too.
  bool created = false;

  void Write(int32_t index, const PropertyValue& value);
  bool Read(int32_t index, PropertyValue* value) const;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_PAINT: OnPaint(); return 0;
      case WM_MOVE: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        RefreshBehind(Handle());
        return result;
      }
      default: return DefaultProc(message, wParam, lParam);
    }
  }
  void OnFinalMessage() override {
    if (!created) return;
    HostService(2000, static_cast<int32_t>(windowId), static_cast<int32_t>(unitId));
    delete this;
  }

 private:
  void OnPaint() {
    PaintSiblingsBeneath(Handle());
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    if (dc) {
      RECT area;
      GetClientRect(Handle(), &area);
      const LabelTextStyle style{props.effect, props.hAlign, props.vAlign, props.wordWrap != 0,
                                 props.textColor};
      PaintLabelText(dc, Handle(), area, props.font, style);
    }
    EndPaint(Handle(), &ps);
  }
};

void TransLabelUnit::Write(int32_t index, const PropertyValue& v) {
  const auto* bytes = AtAddress<const uint8_t>(v.word0);
  switch (index) {
    case kCaption:
      props.caption.AssignText(AtAddress<const char>(v.word0));
      SetWindowTextA(Handle(), props.caption.text());
      break;
    case kEffect: props.effect = ClampPick(v.word0, 3); break;
    case kFont: props.font.Assign(bytes, bytes ? v.word1 : 0); break;
    case kTextColor: props.textColor = v.word0; break;
    case kHAlign: props.hAlign = ClampPick(v.word0, 2); break;
    case kWordWrap: props.wordWrap = v.word0 ? 1 : 0; break;
    case kVAlign: props.vAlign = ClampPick(v.word0, 2); break;
    default: return;
  }
  RefreshBehind(Handle());
}

bool TransLabelUnit::Read(int32_t index, PropertyValue* v) const {
  auto word = [v](uint32_t value) { *v = PropertyValue{value, 0}; };
  switch (index) {
    case kCaption: word(AddressWord(props.caption.text())); return true;
    case kEffect: word(uint32_t(props.effect)); return true;
    case kFont:
      *v = props.font.empty() ? PropertyValue{0, 0}
                              : PropertyValue{AddressWord(props.font.data()), props.font.size()};
      return true;
    case kTextColor: word(props.textColor); return true;
    case kHAlign: word(uint32_t(props.hAlign)); return true;
    case kWordWrap: word(uint32_t(props.wordWrap)); return true;
    case kVAlign: word(uint32_t(props.vAlign)); return true;
    default: return false;
  }
}

// Visible windows under `parent`, each child's own visible descendants
// before the child, children from the top of the z-order down.
void CollectVisible(HWND parent, std::vector<HWND>* out) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    CollectVisible(child, out);
    out->push_back(child);
  }
}

// What WS_EX_TRANSPARENT promises: the siblings under the label that still
// wait for a paint get it first, bottom up, so none of them covers the text
// afterwards (an update forced on the whole window may reach us first).
void PaintSiblingsBeneath(HWND label) {
  RECT mine, theirs, meet;
  GetWindowRect(label, &mine);
  for (HWND w = GetWindow(label, GW_HWNDLAST); w && w != label; w = GetWindow(w, GW_HWNDPREV)) {
    if (IsWindowVisible(w) && GetWindowRect(w, &theirs) && IntersectRect(&meet, &theirs, &mine) &&
        GetUpdateRect(w, nullptr, FALSE))
      UpdateWindow(w);
  }
}

TransLabelUnit* AsTransLabel(Wnd* unit) { return dynamic_cast<TransLabelUnit*>(unit); }

Wnd* __stdcall CreateTransLabel(const uint8_t* block, uint32_t length, uint32_t style, HWND parent,
                                uint32_t controlId, HMENU, int32_t left, int32_t top, int32_t width,
                                int32_t height, uint32_t windowId, uint32_t unitId, uint32_t,
                                uint32_t) {
  auto* unit = new TransLabelUnit();
  if (!LoadTransLabelProperties(&unit->props, block, length)) {
    delete unit;
    return nullptr;
  }
  unit->windowId = windowId;
  unit->unitId = unitId;
  RegisterUnitWindowClass(kTransLabelClass);  // CreateEx below fails without it
  if (!unit->CreateEx(WS_EX_TRANSPARENT, kTransLabelClass, unit->props.caption.text(),
                      style | WS_CHILD | WS_CLIPSIBLINGS, left, top, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId)))) {
    delete unit;
    return nullptr;
  }
  unit->created = true;
  return unit;
}

int32_t __stdcall TransLabelPropertyWritten(Wnd* object, int32_t index, const PropertyValue* value,
                                            uint32_t) {
  TransLabelUnit* unit = AsTransLabel(object);
  if (unit && value) unit->Write(index, *value);
  return 0;  // never re-created
}

int32_t __stdcall ReadTransLabelProperty(Wnd* object, int32_t index, PropertyValue* value) {
  const TransLabelUnit* unit = AsTransLabel(object);
  return unit && value && unit->Read(index, value) ? 1 : 0;
}

void* __stdcall SaveTransLabel(Wnd* object) {
  const TransLabelUnit* unit = AsTransLabel(object);
  return unit ? SavedBlockByteSet(SaveTransLabelProperties(unit->props)) : nullptr;
}

void* __stdcall VisitTransLabelTexts(const uint8_t* block, uint32_t* length, UnitTextVisitor visitor,
                                     uint32_t user) {
  return VisitBlockTexts<TransLabelProperties>(
      block, length, visitor, &LoadTransLabelProperties,
      [visitor, user](TransLabelProperties& p) {
        VisitUnitText(&p.caption, visitor, user);
        VisitFaceName(&p.font, visitor, user);
      },
      &SaveTransLabelProperties);
}

}  // namespace

void RefreshBehind(HWND label) {
  if (!IsWindow(label)) return;
  HWND ancestor = label;
  while (!(GetWindowLongA(ancestor, GWL_STYLE) & WS_POPUP)) {
    HWND parent = GetParent(ancestor);
    if (!parent) break;
    ancestor = parent;
  }
  RECT screen;
  GetClientRect(label, &screen);
  MapWindowPoints(label, nullptr, reinterpret_cast<POINT*>(&screen), 2);
  RECT inAncestor = screen;
  MapWindowPoints(nullptr, ancestor, reinterpret_cast<POINT*>(&inAncestor), 2);
  InvalidateRect(ancestor, &inAncestor, TRUE);
  UpdateWindow(ancestor);

  std::vector<HWND> windows;
  CollectVisible(ancestor, &windows);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    RECT bounds, meet;
    GetWindowRect(*it, &bounds);
    if (!IntersectRect(&meet, &bounds, &screen)) continue;
    MapWindowPoints(nullptr, *it, reinterpret_cast<POINT*>(&meet), 2);
    RedrawWindow(*it, &meet, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
  }
  InvalidateRect(label, nullptr, FALSE);
}

void* __stdcall TransLabelTypeEntry(int32_t kind) {
  static constexpr UnitEntries kEntries{.create = &CreateTransLabel,
                                        .written = &TransLabelPropertyWritten,
                                        .save = &SaveTransLabel,
                                        .read = &ReadTransLabelProperty,
                                        .visitTexts = &VisitTransLabelTexts};
  return UnitEntryOf(kEntries, kind);
}

DataTypeRecord TransLabelDataType() {
  return MakeUnitDataType("透明标签", "TransLabel", kTransLabelTypeFlags, kTransLabelPropertyCount,
                          kDescriptors.data(), &TransLabelTypeEntry);
}
