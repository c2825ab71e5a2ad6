#include "units/label.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "forms/unit_contract.h"
#include "pictures/picture_cache.h"
#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/values.h"
#include "units/border_style.h"
#include "units/common_properties.h"
#include "units/data_source.h"
#include "units/gradient_painter.h"
#include "units/label_properties.h"
#include "units/label_text.h"
#include "units/unit_texts.h"

namespace {

constexpr char kLabelClass[] = "_NX_Label";

// Own properties, by index - 8.
enum LabelProperty : int32_t {
  kCaption, kEffect, kBorder, kGradientBorderWidth, kGradientBorderColor1, kGradientBorderColor2,
  kGradientBorderColor3, kFont, kTextColor, kBackColor, kBackPicture, kBackPictureMode,
  kGradientBackMode, kGradientBackColor1, kGradientBackColor2, kGradientBackColor3, kHAlign,
  kWordWrap, kVAlign, kDataSource, kDataColumn, kOwnPropertyCount
};

constexpr int32_t kGradientBorderStyle = 6;

// Descriptors in property order; entry 8 (caption) is the first own one.
constexpr std::array<uint32_t, kOwnPropertyCount> kOwnTypes = {
    0x800003ED, 0x800003EE, 0x800003EE, 0x800103E9, 0x800103F7, 0x800103F7, 0x800103F7,
    0x800003F5, 0x800003F6, 0x800003F9, 0x800003F1, 0x800103EE, 0x800003EE, 0x800103F7,
    0x800103F7, 0x800103F7, 0x800003EE, 0x800003EB, 0x800003EE, 0x800003FA, 0x800003FC,
};

constexpr auto kDescriptors = DescribeUnitProperties(kOwnTypes);
static_assert(kDescriptors.size() == kLabelPropertyCount);

class LabelUnit : public Wnd {
 public:
  LabelProperties props;
  uint32_t windowId = 0;
  uint32_t unitId = 0;
  uint32_t designMode = 0;
  // Until CreateEx has returned a window, its creator deletes the object:
  // a creation that fails after the first message ends in WM_NCDESTROY too.
  bool created = false;

  // Operations
  void Write(int32_t index, const PropertyValue& value);
  bool Read(int32_t index, PropertyValue* value) const;
  void Rebind();

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

 private:
  void OnPaint();
  bool PaintBackPicture(HDC dc, const RECT& area, const RECT& clip, HRGN fill);
  LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
  void OnSourceNotice(int32_t code, const DataSourceNotice* notice);
  void RefreshCaption();
  void DropSourceLink();
  void Invalidate() { InvalidateRect(Handle(), nullptr, FALSE); }

  PictureCache picture_;
  DataSource* source_ = nullptr;
  HWND sourceWindow_ = nullptr;
  int32_t column_ = -1;
};

// --- properties ---

void LabelUnit::Write(int32_t index, const PropertyValue& v) {
  const auto* bytes = AtAddress<const uint8_t>(v.word0);
  const char* text = AtAddress<const char>(v.word0);
  switch (index) {
    case kCaption:
      props.caption.AssignText(text);
      SetWindowTextA(Handle(), props.caption.text());
      break;
    case kEffect: props.effect = ClampPick(v.word0, 3); break;
    case kBorder:
      props.border = ClampPick(v.word0, kGradientBorderStyle);
      ApplyBorderStyle(Handle(), props.border);
      break;
    case kGradientBorderWidth:
      props.gradientBorderWidth = std::max(5, static_cast<int32_t>(v.word0));
      break;
    case kGradientBorderColor1: props.gradientBorderColor1 = v.word0; break;
    case kGradientBorderColor2: props.gradientBorderColor2 = v.word0; break;
    case kGradientBorderColor3: props.gradientBorderColor3 = v.word0; break;
    case kFont: props.font.Assign(bytes, bytes ? v.word1 : 0); break;
    case kTextColor: props.textColor = v.word0; break;
    case kBackColor: props.backColor = v.word0; break;
    case kBackPicture:
      props.backPicture.Assign(bytes, bytes ? v.word1 : 0);
      picture_.Clear();
      break;
    case kBackPictureMode: props.backPictureMode = ClampPick(v.word0, 2); break;
    case kGradientBackMode: props.gradientBackMode = ClampPick(v.word0, kGradientModeCount); break;
    case kGradientBackColor1: props.gradientBackColor1 = v.word0; break;
    case kGradientBackColor2: props.gradientBackColor2 = v.word0; break;
    case kGradientBackColor3: props.gradientBackColor3 = v.word0; break;
    case kHAlign: props.hAlign = ClampPick(v.word0, 2); break;
    case kWordWrap: props.wordWrap = v.word0 ? 1 : 0; break;
    case kVAlign: props.vAlign = ClampPick(v.word0, 2); break;
    case kDataSource:
    case kDataColumn:
      (index == kDataSource ? props.dataSource : props.dataColumn).AssignText(text);
      Rebind();
      break;
    default: return;  // not a Label property: nothing to redraw
  }
  Invalidate();
}

bool LabelUnit::Read(int32_t index, PropertyValue* v) const {
  auto bytesOf = [v](const PropertyBytes& b) {
    *v = b.empty() ? PropertyValue{0, 0} : PropertyValue{AddressWord(b.data()), b.size()};
  };
  auto word = [v](uint32_t value) { *v = PropertyValue{value, 0}; };
  switch (index) {
    case kCaption: word(AddressWord(props.caption.text())); return true;
    case kEffect: word(uint32_t(props.effect)); return true;
    case kBorder: word(uint32_t(props.border)); return true;
    case kGradientBorderWidth: word(uint32_t(props.gradientBorderWidth)); return true;
    case kGradientBorderColor1: word(props.gradientBorderColor1); return true;
    case kGradientBorderColor2: word(props.gradientBorderColor2); return true;
    case kGradientBorderColor3: word(props.gradientBorderColor3); return true;
    case kFont: bytesOf(props.font); return true;
    case kTextColor: word(props.textColor); return true;
    case kBackColor: word(props.backColor); return true;
    case kBackPicture: bytesOf(props.backPicture); return true;
    case kBackPictureMode: word(uint32_t(props.backPictureMode)); return true;
    case kGradientBackMode: word(uint32_t(props.gradientBackMode)); return true;
    case kGradientBackColor1: word(props.gradientBackColor1); return true;
    case kGradientBackColor2: word(props.gradientBackColor2); return true;
    case kGradientBackColor3: word(props.gradientBackColor3); return true;
    case kHAlign: word(uint32_t(props.hAlign)); return true;
    case kWordWrap: word(uint32_t(props.wordWrap)); return true;
    case kVAlign: word(uint32_t(props.vAlign)); return true;
    case kDataSource: word(AddressWord(props.dataSource.text())); return true;
    case kDataColumn: word(AddressWord(props.dataColumn.text())); return true;
    default: return false;
  }
}

// --- data binding (display only) ---

void LabelUnit::DropSourceLink() {
  // A source destroyed before us has no client list left to leave.
  if (SourceStillLinked(sourceWindow_, source_)) source_->unregisterClient(source_, Handle());
  source_ = nullptr;
  sourceWindow_ = nullptr;
  column_ = -1;
}

void LabelUnit::Rebind() {
  DropSourceLink();
  source_ = FindDataSource(windowId, props.dataSource.text(), &sourceWindow_);
  if (source_) {
    source_->registerClient(source_, Handle());
    column_ = props.dataColumn.empty() ? -1 : source_->columnIndex(source_, props.dataColumn.text());
  }
  RefreshCaption();
}

// The caption becomes the bound column of the current record, or the empty
// text when there is no source or no such column.
void LabelUnit::RefreshCaption() {
  char* value = source_ && column_ >= 0 ? source_->readColumn(source_, column_) : nullptr;
  props.caption.AssignText(value);
  FreeMemory(value);
  SetWindowTextA(Handle(), props.caption.text());
  Invalidate();
}

void LabelUnit::OnSourceNotice(int32_t code, const DataSourceNotice* notice) {
  if (!source_) return;
  switch (code) {
    case kSourceReloaded:
    case kSourceMoved:
    case kSourceCleared: RefreshCaption(); return;
    case kSourceRecordChanged:
      if (notice && RecordChangeTouches(*notice, column_)) RefreshCaption();
      return;
    default: return;  // a Label never writes back
  }
}

// --- painting ---

// Mode 2 keeps a picture that fits and shrinks one that does not, centred.
RECT FitPicture(const RECT& area, int width, int height) {
  const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
  int w = width, h = height;
  if (width > areaWidth || height > areaHeight) {
    // t = min(areaWidth / width, areaHeight / height), in integers so that
    // an exact fit is never one pixel short.
    if (int64_t(areaWidth) * height <= int64_t(areaHeight) * width) {
      w = areaWidth;
      h = static_cast<int>(int64_t(height) * areaWidth / width);
    } else {
      h = areaHeight;
      w = static_cast<int>(int64_t(width) * areaHeight / height);
    }
    w = std::max(0, w);
    h = std::max(0, h);
  }
  const int x = area.left + (areaWidth - w) / 2, y = area.top + (areaHeight - h) / 2;
  return RECT{x, y, x + w, y + h};
}

// False when the fill region is dropped (the picture covers it all).
bool LabelUnit::PaintBackPicture(HDC dc, const RECT& area, const RECT& clip, HRGN fill) {
  const int width = picture_.Width(), height = picture_.Height();
  if (width <= 0 || height <= 0) return true;
  RECT drawn{};
  switch (props.backPictureMode) {
    case 0:
      drawn = RECT{area.left, area.top, area.left + width, area.top + height};
      picture_.Draw(dc, drawn.left, drawn.top, -1, -1, SRCCOPY);
      break;
    case 1:
      // Start at the first row and column of tiles that reach the clip box.
      for (int y = area.top + std::max(0L, (clip.top - area.top) / height) * height;
           y < std::min(area.bottom, clip.bottom); y += height) {
        for (int x = area.left + std::max(0L, (clip.left - area.left) / width) * width;
             x < std::min(area.right, clip.right); x += width) {
          RECT tile{x, y, x + width, y + height}, seen;
          if (IntersectRect(&seen, &tile, &clip)) picture_.Draw(dc, x, y, -1, -1, SRCCOPY);
        }
      }
      return false;
    default:
      drawn = FitPicture(area, width, height);
      picture_.Draw(dc, drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top,
                    SRCCOPY);
      break;
  }
  HRGN covered = CreateRectRgnIndirect(&drawn);
  if (covered) {
    CombineRgn(fill, fill, covered, RGN_DIFF);
    DeleteObject(covered);
  }
  return true;
}

void LabelUnit::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  RECT clip{};
  if (!dc || GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) {
    EndPaint(Handle(), &ps);
    return;
  }
  RECT area;
  GetClientRect(Handle(), &area);
  if (props.border == kGradientBorderStyle && props.gradientBorderWidth > 0) {
    const GradientStops stops = UsableStops(props.gradientBorderColor1, props.gradientBorderColor2,
                                            props.gradientBorderColor3);
    const int32_t drawn = PaintGradientFrame(dc, area, props.gradientBorderWidth, stops);
    if (drawn > 0) InflateRect(&area, -drawn, -drawn);
  }
  RECT fillRect{};
  IntersectRect(&fillRect, &clip, &area);
  HRGN fill = CreateRectRgnIndirect(&fillRect);
  SelectClipRgn(dc, fill);

  bool keepFill = true;
  bool pictureShown = false;
  if (!props.backPicture.empty()) {
    // Decoded on first need and kept; a value that does not decode is
    // dropped so that it is not tried on every paint.
    if (picture_.SetBytes(props.backPicture.data(), props.backPicture.size(),
                          MapUnitColour(props.backColor))) {
      pictureShown = true;
      keepFill = PaintBackPicture(dc, area, clip, fill);
    } else {
      props.backPicture.Clear();
      picture_.Clear();
    }
  }
  if (!pictureShown && props.gradientBackMode >= 1 && props.gradientBackMode <= kGradientModeCount) {
    const GradientStops stops = UsableStops(props.gradientBackColor1, props.gradientBackColor2,
                                            props.gradientBackColor3);
    if (PaintGradient(dc, area, props.gradientBackMode, stops)) keepFill = false;
  }
  if (keepFill && fill) {
    HBRUSH brush = CreateSolidBrush(MapUnitColour(props.backColor));
    FillRgn(dc, fill, brush);
    DeleteObject(brush);
  }
  if (fill) DeleteObject(fill);

  const LabelTextStyle style{props.effect, props.hAlign, props.vAlign, props.wordWrap != 0,
                             props.textColor};
  PaintLabelText(dc, Handle(), area, props.font, style);
  EndPaint(Handle(), &ps);
}

// --- messages ---

LRESULT LabelUnit::OnNotify(WPARAM wParam, LPARAM lParam) {
  EventRecord record{windowId, unitId, 0, 2, {uint32_t(wParam), uint32_t(lParam)}, 0, 0};
  HostService(2008, static_cast<int32_t>(AddressWord(&record)), 0);
  return record.hasResult ? static_cast<LRESULT>(static_cast<int32_t>(record.result)) : 0;
}

LRESULT LabelUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case kLabelNotify: return OnNotify(wParam, lParam);
    case kUnitCreatedNotice: {
      // The notice may name the source that was just created.
      const char* name = reinterpret_cast<const char*>(wParam);
      if (!props.dataSource.empty() && (!name || std::strcmp(name, props.dataSource.text()) == 0))
        Rebind();
      return 0;
    }
    case kUnitDataSourceOf: {
      HWND ignored = nullptr;
      return static_cast<LRESULT>(AddressWord(FindDataSource(windowId, props.dataSource.text(), &ignored)));
    }
    case kDataSourceNoticeMessage:
      OnSourceNotice(static_cast<int32_t>(wParam), reinterpret_cast<const DataSourceNotice*>(lParam));
      return 0;
    case WM_DESTROY:
      DropSourceLink();
      break;
    default: break;
  }
  return DefaultProc(message, wParam, lParam);
}

void LabelUnit::OnFinalMessage() {
  if (!created) return;
  HostService(2000, static_cast<int32_t>(windowId), static_cast<int32_t>(unitId));
  delete this;
}

// --- entries ---

LabelUnit* AsLabel(Wnd* unit) { return dynamic_cast<LabelUnit*>(unit); }

Wnd* __stdcall CreateLabel(const uint8_t* block, uint32_t length, uint32_t style, HWND parent,
                           uint32_t controlId, HMENU, int32_t left, int32_t top, int32_t width,
                           int32_t height, uint32_t windowId, uint32_t unitId, uint32_t,
                           uint32_t designMode) {
  auto* unit = new LabelUnit();
  if (!LoadLabelProperties(&unit->props, block, length)) {
    delete unit;
    return nullptr;
  }
  unit->windowId = windowId;
  unit->unitId = unitId;
  unit->designMode = designMode;
  RegisterUnitWindowClass(kLabelClass);  // CreateEx below fails without it
  if (!unit->CreateEx(0, kLabelClass, unit->props.caption.text(), style | WS_CHILD | WS_CLIPSIBLINGS,
                      left, top, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId)))) {
    delete unit;
    return nullptr;
  }
  unit->created = true;
  ApplyBorderStyle(unit->Handle(), unit->props.border);
  return unit;
}

int32_t __stdcall LabelPropertyWritten(Wnd* object, int32_t index, const PropertyValue* value,
                                       uint32_t) {
  LabelUnit* unit = AsLabel(object);
  if (unit && value) unit->Write(index, *value);
  return 0;  // a Label is never re-created
}

int32_t __stdcall ReadLabelProperty(Wnd* object, int32_t index, PropertyValue* value) {
  const LabelUnit* unit = AsLabel(object);
  return unit && value && unit->Read(index, value) ? 1 : 0;
}

void* __stdcall SaveLabel(Wnd* object) {
  const LabelUnit* unit = AsLabel(object);
  return unit ? SavedBlockByteSet(SaveLabelProperties(unit->props)) : nullptr;
}

void* __stdcall VisitLabelTexts(const uint8_t* block, uint32_t* length, UnitTextVisitor visitor,
                                uint32_t user) {
  return VisitBlockTexts<LabelProperties>(
      block, length, visitor, &LoadLabelProperties,
      [visitor, user](LabelProperties& p) {
        VisitUnitText(&p.caption, visitor, user);
        VisitFaceName(&p.font, visitor, user);
        VisitUnitText(&p.dataSource, visitor, user);
        VisitUnitText(&p.dataColumn, visitor, user);
      },
      &SaveLabelProperties);
}

}  // namespace

void* __stdcall LabelTypeEntry(int32_t kind) {
  // A Label never claims keys.
  static constexpr UnitEntries kEntries{.create = &CreateLabel,
                                        .written = &LabelPropertyWritten,
                                        .save = &SaveLabel,
                                        .read = &ReadLabelProperty,
                                        .visitTexts = &VisitLabelTexts};
  return UnitEntryOf(kEntries, kind);
}

DataTypeRecord LabelDataType() {
  return MakeUnitDataType("标签", "Label", kLabelTypeFlags, kLabelPropertyCount, kDescriptors.data(),
                          &LabelTypeEntry);
}
