#include "units/edit_box.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "forms/event_dispatch.h"
#include "forms/form_runtime.h"
#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/values.h"
#include "units/border_style.h"
#include "units/common_properties.h"
#include "units/edit_box_input.h"
#include "units/edit_box_positions.h"
#include "units/unit_texts.h"

namespace {

// Own property indices (full index - 8).
enum EditBoxProperty : int32_t {
  kContent = 0, kBorder, kTextColor, kBackColor, kFont, kHideSel, kMaxAllowLength,
  kAllowMultiLines, kScrollBars, kAlign, kInputMode, kPasswordChar, kCaseConvert, kSpinMode,
  kSpinMin, kSpinMax, kSelStart, kSelLength, kSelText, kDataSource, kDataColumn,
  kOwnPropertyCount,
};

enum EditBoxEvent : int32_t { kContentChanged = 0, kSpinPressed = 1 };

constexpr uint32_t kSystemColour = 0xFF000000;
constexpr int kSpinWidth = 18;
constexpr uint32_t kSpinIdOffset = 4;
constexpr char kMeasureText[] = "\xCE\xE2";  // 吴, a double-byte character
constexpr UINT kSpinStepMessage = 0x8073;     // wParam +1 or -1, lParam automatic

// Texts handed out by reads stay valid until the same thread's next read;
// the runtime copies them at once.
thread_local std::string t_readText;

const char* HandOut(std::string text) {
  t_readText = std::move(text);
  return t_readText.c_str();
}

COLORREF MapColour(uint32_t colour) {
  return colour == kSystemColour ? GetSysColor(COLOR_BTNFACE) : COLORREF(colour & 0x00FFFFFF);
}

// Whether this system's ANSI edit control counts positions and lengths in
// characters (Wine) rather than in bytes (Windows): asked once, of a control
// that holds one double-byte character.
bool ControlCountsCharacters() {
  static const bool characters = [] {
    HWND probe = CreateWindowExA(0, "EDIT", kMeasureText, WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!probe) return false;
    DWORD end = 0;
    SendMessageA(probe, EM_SETSEL, 0, -1);
    SendMessageA(probe, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    DestroyWindow(probe);
    return end == 1;
  }();
  return characters;
}

bool SpinHasEdge(int32_t border) { return border == 0 || border == 1 || border == 3; }

// Text height of the font selected into a window's DC.
int32_t TextHeight(HWND hwnd, HFONT font, const char* text) {
  HDC dc = GetDC(hwnd);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return size.cy;
}

void RecalculateFrame(HWND hwnd) {
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED |
                   SWP_NOOWNERZORDER);
}

DWORD CreationStyle(const EditBoxProperties& p, uint32_t baseStyle) {
  DWORD style = baseStyle | WS_CHILD;
  if (!p.hideSelection) style |= ES_NOHIDESEL;
  if (p.multiLine) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (p.scrollBars == 1 || p.scrollBars == 3) style |= ES_AUTOHSCROLL;
    if (p.scrollBars == 1 || p.scrollBars == 3) style |= WS_HSCROLL;
    if (p.scrollBars == 2 || p.scrollBars == 3) style |= WS_VSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  if (p.align == 1) style |= ES_CENTER;
  if (p.align == 2) style |= ES_RIGHT;
  if (p.inputMode == kInputReadOnly) style |= ES_READONLY;
  if (p.inputMode == kInputPassword) style |= ES_PASSWORD;
  if (p.caseConvert == 1) style |= ES_LOWERCASE;
  if (p.caseConvert == 2) style |= ES_UPPERCASE;
  return style;
}

// Stores a clamped pick value; true when it changed.
bool StoreChanged(int32_t* field, int32_t value) {
  const bool changed = *field != value;
  *field = value;
  return changed;
}

EditBoxUnit* AsBox(Wnd* unit) { return dynamic_cast<EditBoxUnit*>(unit); }

}  // namespace

// --- the spinner ---

bool EditBoxSpin::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!box_) return false;
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == UDN_DELTAPOS) {
    *result = 0;  // the control's own position is not used
    if (IsWindowEnabled(box_->Handle()) && IsWindowVisible(box_->Handle()))
      box_->QueueSpinStep(reinterpret_cast<NMUPDOWN*>(lParam)->iDelta, automatic_);
    return true;
  }
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, box_->TextColor());
    SetBkColor(dc, box_->BackColor());
    *result = reinterpret_cast<LRESULT>(box_->BackBrush());
    return true;
  }
  return false;
}

void EditBoxSpin::OnFinalMessage() {
  if (box_) box_->ForgetSpin();
  delete this;
}

// --- creation ---

EditBoxUnit::~EditBoxUnit() {
  if (font_) DeleteObject(font_);
  if (brush_) DeleteObject(brush_);
}

bool EditBoxUnit::Create(const uint8_t* block, uint32_t length, uint32_t style, HWND parent,
                         uint32_t controlId, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (!LoadEditBoxProperties(&props_, block, length)) return false;
  RebuildBrush();
  const DWORD own = CreationStyle(props_, style) | WS_CLIPSIBLINGS;
  if (!CreateEx(0, "EDIT", props_.text.text(), own, left, top, width, height, parent,
                reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId))))
    return false;
  ApplyFont();
  SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(std::max(props_.maxLength, 0)), 0);
  if (props_.inputMode == kInputPassword)
    SendMessageA(Handle(), EM_SETPASSWORDCHAR, uint8_t(props_.passwordChar), 0);
  if (SingleLine() && props_.spinMode != 0) CreateSpin(style, parent, controlId);
  Select();
  ApplyBorderStyle(Handle(), props_.border);
  return true;
}

void EditBoxUnit::CreateSpin(uint32_t style, HWND parent, uint32_t controlId) {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)registered;
  auto* spin = new EditBoxSpin(this, props_.spinMode == 1);
  if (!spin->CreateEx(SpinHasEdge(props_.border) ? WS_EX_STATICEDGE : 0, UPDOWN_CLASSA, "",
                      WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                      reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId + kSpinIdOffset)))) {
    delete spin;
    props_.spinMode = 0;
    return;
  }
  spin_ = spin;
  SetSpinRange();
  if (style & WS_DISABLED) EnableWindow(spin_->Handle(), FALSE);
  PlaceSpin();
}

void EditBoxUnit::SetSpinRange() {
  if (!spin_) return;
  // The 32-bit range: the 16-bit message would cut bounds beyond ±32767.
  SendMessageA(spin_->Handle(), UDM_SETRANGE32, static_cast<WPARAM>(std::min(props_.spinMin, props_.spinMax)),
               static_cast<LPARAM>(std::max(props_.spinMin, props_.spinMax)));
}

void EditBoxUnit::PlaceSpin() {
  if (!spin_ || !spin_->IsWindow()) return;
  HWND parent = GetParent(Handle());
  if (GetParent(spin_->Handle()) != parent) SetParent(spin_->Handle(), parent);
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(spin_->Handle(), nullptr, r.right, r.top, kSpinWidth, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(spin_->Handle(), nullptr, TRUE);
}

// The step's events may destroy the box and its spinner (a closed window, a
// re-creating write), which the spinner must not be in the middle of its
// own click for: the step waits until the control has returned.
void EditBoxUnit::QueueSpinStep(int32_t delta, bool automatic) {
  PostMessageA(Handle(), kSpinStepMessage, delta >= 0 ? 1 : static_cast<WPARAM>(-1), automatic ? 1 : 0);
}

void EditBoxUnit::SpinStepped(int32_t delta, bool automatic) {
  if (!automatic) {
    RaiseUnitEvent(windowId_, unitId_, kSpinPressed, {static_cast<uint32_t>(delta >= 0 ? 1 : -1)});
    return;
  }
  if (!spin_) return;
  int32_t low = 0, high = 0;
  SendMessageA(spin_->Handle(), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  const int64_t v = static_cast<int32_t>(LeadingInteger(WindowText()));
  int64_t next = delta >= 0 ? v + 1 : v - 1;
  if (next < low || next > high) next = delta >= 0 ? low : high;
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int32_t>(next));
  HWND hwnd = Handle();
  SetWindowTextA(hwnd, text);  // raises ContentChanged, whose handler may destroy the box
  if (!StillBound(this, hwnd)) return;
  SendMessageA(hwnd, EM_SETSEL, 0, -1);
  SendMessageA(hwnd, EM_SCROLLCARET, 0, 0);
  SetFocus(hwnd);
}

// --- text, selection, font, colours ---

std::string EditBoxUnit::WindowText() const {
  const int length = GetWindowTextLengthA(Handle());
  std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  const int got = GetWindowTextA(Handle(), text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

std::pair<size_t, size_t> EditBoxUnit::ByteSelection(const std::string& text) const {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (!ControlCountsCharacters()) return {std::min<size_t>(start, text.size()), std::min<size_t>(end, text.size())};
  return {GbkByteOffset(text, start), GbkByteOffset(text, end)};
}

void EditBoxUnit::SetByteSelection(const std::string& text, size_t start, size_t end) {
  start = std::min(start, text.size());
  end = std::min(end, text.size());
  if (ControlCountsCharacters()) {
    start = GbkCharactersBefore(text, start);
    end = GbkCharactersBefore(text, end);
  }
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

// The change notification this causes raises no ContentChanged.
void EditBoxUnit::SetTextQuietly(const char* text) {
  InterlockedIncrement(&programmatic_);
  SetWindowTextA(Handle(), text ? text : "");
  InterlockedDecrement(&programmatic_);
}

void EditBoxUnit::Select() {
  const size_t start = static_cast<size_t>(std::max(props_.selStart, 0));
  SetByteSelection(WindowText(), start, start + static_cast<size_t>(std::max(props_.selLength, 0)));
  SendMessageA(Handle(), EM_SCROLLCARET, 0, 0);
}

void EditBoxUnit::ApplyFont() {
  // The control keeps drawing with the old font until WM_SETFONT below.
  HFONT previous = font_;
  font_ = CreateUnitFont(props_.font);
  HFONT use = font_ ? font_ : DefaultGuiFont();
  if (SingleLine()) {
    const int32_t least = TextHeight(Handle(), use, kMeasureText) + 2 * GetSystemMetrics(SM_CYEDGE);
    RECT r;
    GetWindowRect(Handle(), &r);
    if (r.bottom - r.top < least)
      SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, least,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(use), TRUE);
  if (previous) DeleteObject(previous);
  if (SingleLine()) RecalculateFrame(Handle());
}

void EditBoxUnit::RebuildBrush() {
  if (brush_) DeleteObject(brush_);
  brush_ = CreateSolidBrush(MapColour(props_.backColor));
}

COLORREF EditBoxUnit::TextColor() const { return MapColour(props_.textColor); }
COLORREF EditBoxUnit::BackColor() const { return MapColour(props_.backColor); }

// --- properties ---

int32_t EditBoxUnit::WriteProperty(int32_t index, const PropertyValue& value) {
  const int32_t n = static_cast<int32_t>(value.word0);
  const char* text = AtAddress<const char>(value.word0);
  HWND hwnd = Handle();
  switch (index) {
    case kContent:
      props_.text.AssignText(text);
      SetTextQuietly(props_.text.text());
      // Exactly one ContentChanged for the write, whether or not the text
      // changed: the command names the box itself and so comes back to it
      // as a reflected notification.
      SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), EN_CHANGE), reinterpret_cast<LPARAM>(hwnd));
      return 0;
    case kBorder:
      props_.border = std::clamp(n, 0, 5);
      ApplyBorderStyle(hwnd, props_.border);
      if (spin_) {
        SetWindowLongA(spin_->Handle(), GWL_EXSTYLE, SpinHasEdge(props_.border) ? WS_EX_STATICEDGE : 0);
        RecalculateFrame(spin_->Handle());
      }
      return 0;
    case kTextColor:
      props_.textColor = value.word0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case kBackColor:
      props_.backColor = value.word0;
      RebuildBrush();
      RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
      return 0;
    case kFont:
      if (!props_.font.Assign(AtAddress<const void>(value.word0), value.word0 ? value.word1 : 0)) return 0;
      ApplyFont();
      return 0;
    case kHideSel: return StoreChanged(&props_.hideSelection, n) && !designMode_ ? 1 : 0;
    case kMaxAllowLength:
      props_.maxLength = std::max(n, 0);
      SendMessageA(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(props_.maxLength), 0);
      return 0;
    case kAllowMultiLines: return StoreChanged(&props_.multiLine, n) ? 1 : 0;
    case kScrollBars: return StoreChanged(&props_.scrollBars, std::clamp(n, 0, 3)) ? 1 : 0;
    case kAlign: return StoreChanged(&props_.align, std::clamp(n, 0, 2)) ? 1 : 0;
    case kInputMode:
      props_.inputMode = std::clamp(n, 0, kInputModeCount - 1);
      SendMessageA(hwnd, EM_SETPASSWORDCHAR,
                   props_.inputMode == kInputPassword ? uint8_t(props_.passwordChar) : 0, 0);
      SendMessageA(hwnd, EM_SETREADONLY, props_.inputMode == kInputReadOnly, 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case kPasswordChar:
      props_.passwordChar = static_cast<int16_t>(text ? uint8_t(text[0]) : 0);
      if (props_.inputMode == kInputPassword) {
        SendMessageA(hwnd, EM_SETPASSWORDCHAR, uint8_t(props_.passwordChar), 0);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case kCaseConvert: return StoreChanged(&props_.caseConvert, std::clamp(n, 0, 2)) ? 1 : 0;
    case kSpinMode: return StoreChanged(&props_.spinMode, std::clamp(n, 0, 2)) ? 1 : 0;
    case kSpinMin: props_.spinMin = n; SetSpinRange(); return 0;
    case kSpinMax: props_.spinMax = n; SetSpinRange(); return 0;
    case kSelStart:
      if (n == -1) {
        props_.selStart = GetWindowTextLengthA(hwnd);
        props_.selLength = 0;
      } else {
        props_.selStart = std::max(n, 0);
      }
      Select();
      return 0;
    case kSelLength:
      if (n == -1) {
        props_.selStart = 0;
        props_.selLength = GetWindowTextLengthA(hwnd);
      } else {
        props_.selLength = std::max(n, 0);
      }
      Select();
      return 0;
    case kSelText:
      SendMessageA(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text ? text : ""));
      return 0;
    case kDataSource: props_.dataSource.AssignText(text); Rebind(); return 0;
    case kDataColumn: props_.dataColumn.AssignText(text); Rebind(); return 0;
    default: return 0;
  }
}

bool EditBoxUnit::ReadProperty(int32_t index, PropertyValue* value) {
  auto word = [value](int32_t n) { value->word0 = static_cast<uint32_t>(n); };
  std::string text;
  size_t start = 0, end = 0;
  if (!designMode_ && (index == kSelStart || index == kSelLength || index == kSelText)) {
    text = WindowText();
    std::tie(start, end) = ByteSelection(text);
    end = std::max(start, end);
  }
  switch (index) {
    case kContent:
      value->word0 = AddressWord(designMode_ ? props_.text.text() : HandOut(WindowText()));
      return true;
    case kBorder: word(props_.border); return true;
    case kTextColor: value->word0 = props_.textColor; return true;
    case kBackColor: value->word0 = props_.backColor; return true;
    case kFont:
      if (props_.font.empty()) *value = {0, 0};
      else *value = {AddressWord(props_.font.data()), props_.font.size()};
      return true;
    case kHideSel: word(props_.hideSelection); return true;
    case kMaxAllowLength: word(props_.maxLength); return true;
    case kAllowMultiLines: word(props_.multiLine); return true;
    case kScrollBars: word(props_.scrollBars); return true;
    case kAlign: word(props_.align); return true;
    case kInputMode: word(props_.inputMode); return true;
    case kPasswordChar:
      value->word0 = AddressWord(HandOut(std::string(1, char(props_.passwordChar))));
      return true;
    case kCaseConvert: word(props_.caseConvert); return true;
    case kSpinMode: word(props_.spinMode); return true;
    case kSpinMin: word(props_.spinMin); return true;
    case kSpinMax: word(props_.spinMax); return true;
    case kSelStart: word(designMode_ ? props_.selStart : static_cast<int32_t>(start)); return true;
    case kSelLength:
      word(designMode_ ? props_.selLength : static_cast<int32_t>(end - start));
      return true;
    case kSelText: value->word0 = AddressWord(HandOut(text.substr(start, end - start))); return true;
    case kDataSource: value->word0 = AddressWord(props_.dataSource.text()); return true;
    case kDataColumn: value->word0 = AddressWord(props_.dataColumn.text()); return true;
    default: return false;
  }
}

void* EditBoxUnit::SaveProperties() {
  if (!designMode_ && IsWindow()) {
    const std::string text = WindowText();
    props_.text.AssignText(text.c_str());
  }
  return SavedBlockByteSet(SaveEditBoxProperties(props_));
}

bool EditBoxUnit::WantsKey(uint32_t key) const {
  return key == VK_RETURN && props_.multiLine && props_.inputMode != kInputReadOnly;
}

// --- the length limit where the control counts characters ---

bool EditBoxUnit::ByteLimited() const { return props_.maxLength > 0 && ControlCountsCharacters(); }

// Bytes that may still take the selection's place.
size_t EditBoxUnit::RoomLeft() const {
  const std::string text = WindowText();
  const auto [start, end] = ByteSelection(text);
  const size_t kept = text.size() - (std::max(start, end) - start);
  const auto limit = static_cast<size_t>(props_.maxLength);
  return kept >= limit ? 0 : limit - kept;
}

std::string EditBoxUnit::WhatFits(const char* insert) const {
  std::string part = insert ? insert : "";
  part.resize(GbkFittingBytes(part, RoomLeft()));
  return part;
}

// A typed character that would pass the limit is refused, both bytes of a
// double-byte one, which may come as two WM_CHAR.
bool EditBoxUnit::RefusesInput(UINT message, WPARAM wParam) {
  if (message == WM_CHAR && pendingTrail_ != Trail::kNone)
    return std::exchange(pendingTrail_, Trail::kNone) == Trail::kDrop;
  const auto c = static_cast<uint32_t>(wParam);
  if (c < 32 || !ByteLimited()) return false;
  const bool split = message == WM_CHAR && c <= 0xFF && IsGbkLeadByte(static_cast<unsigned char>(c));
  const bool refused = RoomLeft() < (split || c > 0xFF ? 2u : 1u);
  if (split) pendingTrail_ = refused ? Trail::kDrop : Trail::kPass;
  return refused;
}

// A paste that would pass the limit inserts what fits of its first line
// (of all of it in a multi-line box), as the control does on Windows.
bool EditBoxUnit::PasteWhatFits() {
  if (!ByteLimited() || (GetWindowLongA(Handle(), GWL_STYLE) & ES_READONLY)) return false;
  std::string clip;
  if (!OpenClipboard(Handle())) return false;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const auto* text = static_cast<const char*>(GlobalLock(data))) {
      clip = text;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  if (SingleLine()) clip.resize(std::min(clip.find_first_of("\r\n"), clip.size()));
  const std::string part = WhatFits(clip.c_str());
  if (part.size() == clip.size()) return false;  // all of it fits: the control pastes
  DefaultProc(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(part.c_str()));
  return true;
}

// --- messages ---

void EditBoxUnit::OnCommand(uint32_t code) {
  switch (code) {
    case EN_CHANGE:
      if (programmatic_ == 0) RaiseUnitEvent(windowId_, unitId_, kContentChanged);
      break;
    case EN_SETFOCUS: RaiseUnitEvent(windowId_, unitId_, kEventFocusGained); break;
    case EN_KILLFOCUS:
      NormaliseOnFocusLoss();
      RaiseUnitEvent(windowId_, unitId_, kEventFocusLost);
      break;
    default: break;
  }
}

void EditBoxUnit::NormaliseOnFocusLoss() {
  const int32_t mode = props_.inputMode;
  if (mode < kInputByte || mode > kInputDateTime) return;
  const std::string text = WindowText();
  const std::string normal = NormaliseInputText(mode, text);
  if (normal == text) return;
  const size_t start = ByteSelection(text).first;
  SetTextQuietly(normal.c_str());
  SetByteSelection(normal, start, start);
}

bool EditBoxUnit::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(HIWORD(wParam));
      *result = 0;
      return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, TextColor());
      SetBkColor(dc, BackColor());
      *result = reinterpret_cast<LRESULT>(brush_);
      return true;
    }
    default: return false;
  }
}

void EditBoxUnit::CentreClientRect(RECT* proposed) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
  if (!font) return;
  const int32_t h = TextHeight(Handle(), font, "W");
  const int32_t room = proposed->bottom - proposed->top;
  // A box lower than its text keeps the control's own rectangle rather
  // than a client area reaching past its frame.
  if (h <= 0 || h > room) return;
  proposed->top += (room - h) / 2;
  proposed->bottom = proposed->top + h;
}

LRESULT EditBoxUnit::HitTest(LPARAM lParam) {
  RECT client;
  GetClientRect(Handle(), &client);
  MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (!PtInRect(&client, at)) return HTBORDER;
  return DefaultProc(WM_NCHITTEST, 0, lParam);
}

void EditBoxUnit::PaintFrame(WPARAM region) {
  HDC dc = GetWindowDC(Handle());
  if (dc) {
    RECT window, client;
    GetWindowRect(Handle(), &window);
    GetClientRect(Handle(), &client);
    MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &window, brush_);
    ReleaseDC(Handle(), dc);
  }
  DefaultProc(WM_NCPAINT, region, 0);
}

LRESULT EditBoxUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool single = SingleLine();
  switch (message) {
    case WM_CHAR:
      if (!AcceptsInputCharacter(props_.inputMode, static_cast<uint32_t>(wParam))) return 0;
      if (RefusesInput(message, wParam)) return 0;
      break;
    case WM_IME_CHAR:
      if (RefusesInput(message, wParam)) return 0;
      break;
    case WM_PASTE:
      if (PasteWhatFits()) return 0;
      break;
    case EM_REPLACESEL:
      if (ByteLimited()) {
        const std::string part = WhatFits(reinterpret_cast<const char*>(lParam));
        return DefaultProc(message, wParam, reinterpret_cast<LPARAM>(part.c_str()));
      }
      break;
    case WM_NCCALCSIZE:
      if (single) {
        const LRESULT r = DefaultProc(message, wParam, lParam);
        CentreClientRect(wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                : reinterpret_cast<RECT*>(lParam));
        return r;
      }
      break;
    case WM_NCHITTEST:
      if (single) return HitTest(lParam);
      break;
    case WM_NCPAINT:
      if (single) {
        PaintFrame(wParam);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      if (single) {
        RECT clip;
        GetClipBox(reinterpret_cast<HDC>(wParam), &clip);
        FillRect(reinterpret_cast<HDC>(wParam), &clip, brush_);
        return 1;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      const LRESULT r = DefaultProc(message, wParam, lParam);
      if (spin_) {
        PlaceSpin();
        // Directly above the box.
        HWND above = GetWindow(Handle(), GW_HWNDPREV);
        if (above != spin_->Handle())
          SetWindowPos(spin_->Handle(), above ? above : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      return r;
    }
    case WM_SHOWWINDOW:
      if (spin_) ShowWindow(spin_->Handle(), wParam ? SW_SHOWNA : SW_HIDE);
      break;
    case WM_ENABLE:
      if (spin_) EnableWindow(spin_->Handle(), wParam ? TRUE : FALSE);
      break;
    case kUnitCreatedNotice: {
      const char* name = reinterpret_cast<const char*>(wParam);
      if (!props_.dataSource.empty() && (!name || std::strcmp(name, props_.dataSource.text()) == 0))
        Rebind();
      return 0;
    }
    case kSpinStepMessage:
      SpinStepped(static_cast<int32_t>(wParam), lParam != 0);
      return 0;  // the box may be gone
    case kFindBoundSource:
      return reinterpret_cast<LRESULT>(FindDataSource(windowId_, props_.dataSource.text()));
    case kDataSourceNoticeMessage:
      OnSourceNotice(static_cast<int32_t>(wParam), reinterpret_cast<const DataSourceNotice*>(lParam));
      return 0;
    case WM_DESTROY:
      Unlink();
      if (spin_) {
        spin_->Forget();
        spin_->DestroyWindow();
        spin_ = nullptr;
      }
      break;
    default: break;
  }
  return DefaultProc(message, wParam, lParam);
}

void EditBoxUnit::OnFinalMessage() {
  if (spin_) spin_->Forget();
  HostService(2000, static_cast<int32_t>(windowId_), static_cast<int32_t>(unitId_));
  delete this;
}

// --- data binding ---

void EditBoxUnit::Unlink() {
  // The source may be gone already: only a window that still answers with
  // the same source is told.
  if (IsWindow() && SourceStillLinked(sourceWindow_, source_)) source_->unregisterClient(source_, Handle());
  source_ = nullptr;
  sourceWindow_ = nullptr;
}

void EditBoxUnit::Rebind() {
  Unlink();
  source_ = FindDataSource(windowId_, props_.dataSource.text(), &sourceWindow_);
  if (source_) source_->registerClient(source_, Handle());
  ApplyReadOnly();
  RefreshFromSource();
}

void EditBoxUnit::ApplyReadOnly() {
  const bool readOnly = props_.inputMode == kInputReadOnly || (source_ && source_->isReadOnly(source_));
  SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

int32_t EditBoxUnit::BoundColumn() {
  return source_ ? source_->columnIndex(source_, props_.dataColumn.text()) : -1;
}

void EditBoxUnit::RefreshFromSource() {
  const int32_t column = BoundColumn();
  char* value = column >= 0 ? source_->readColumn(source_, column) : nullptr;
  SetTextQuietly(value);
  FreeMemory(value);
  SendMessageA(Handle(), EM_SETSEL, 0, -1);
  SendMessageA(Handle(), EM_SCROLLCARET, 0, 0);
}

void EditBoxUnit::OnSourceNotice(int32_t code, const DataSourceNotice* notice) {
  if (!source_) return;
  switch (code) {
    case kSourceReadOnlyChanged: ApplyReadOnly(); break;
    case kSourceWriteBack: {
      const int32_t column = BoundColumn();
      if (column >= 0) source_->writeColumn(source_, column, WindowText().c_str());
      break;
    }
    case kSourceReloaded:
    case kSourceMoved:
    case kSourceCleared: RefreshFromSource(); break;
    case kSourceRecordChanged:
      // A notice without its record counts as a change of every column.
      if (!notice || RecordChangeTouches(*notice, BoundColumn())) RefreshFromSource();
      break;
    default: break;
  }
}

// --- the unit type ---

namespace {

Wnd* __stdcall CreateEditBox(const uint8_t* block, uint32_t length, uint32_t style, HWND parent,
                             uint32_t controlId, HMENU, int32_t left, int32_t top, int32_t width,
                             int32_t height, uint32_t windowId, uint32_t unitId, uint32_t,
                             uint32_t designMode) {
  auto* box = new EditBoxUnit(windowId, unitId, designMode);
  // Create fails only before a window exists (a block it cannot load, or
  // the window refused).
  if (!box->Create(block, length, style, parent, controlId, left, top, width, height)) {
    delete box;
    return nullptr;
  }
  return box;
}

int32_t __stdcall EditBoxPropertyWritten(Wnd* unit, int32_t index, const PropertyValue* value,
                                         uint32_t outWord) {
  if (outWord) *AtAddress<uint32_t>(outWord) = 0;
  EditBoxUnit* box = AsBox(unit);
  if (!box || !value || index < 0 || index >= kOwnPropertyCount) return 0;
  return box->WriteProperty(index, *value);
}

void* __stdcall SaveEditBox(Wnd* unit) {
  EditBoxUnit* box = AsBox(unit);
  return box ? box->SaveProperties() : nullptr;
}

int32_t __stdcall ReadEditBoxProperty(Wnd* unit, int32_t index, PropertyValue* value) {
  EditBoxUnit* box = AsBox(unit);
  return box && value && box->ReadProperty(index, value) ? 1 : 0;
}

int32_t __stdcall EditBoxWantsKey(Wnd* unit, uint32_t key) {
  EditBoxUnit* box = AsBox(unit);
  return box && box->WantsKey(key) ? 1 : 0;
}

void* __stdcall VisitEditBoxTexts(const uint8_t* block, uint32_t* length, UnitTextVisitor visitor,
                                  uint32_t user) {
  return VisitBlockTexts<EditBoxProperties>(
      block, length, visitor, &LoadEditBoxProperties,
      [visitor, user](EditBoxProperties& p) {
        VisitUnitText(&p.text, visitor, user);
        VisitFaceName(&p.font, visitor, user);
        VisitUnitText(&p.dataSource, visitor, user);
        VisitUnitText(&p.dataColumn, visitor, user);
      },
      &SaveEditBoxProperties);
}

constexpr UnitEntries kEntries{.create = &CreateEditBox,
                               .written = &EditBoxPropertyWritten,
                               .save = &SaveEditBox,
                               .read = &ReadEditBoxProperty,
                               .wantsKey = &EditBoxWantsKey,
                               .visitTexts = &VisitEditBoxTexts};

// Declared type word of each own property, from index 8.
constexpr std::array<uint32_t, kOwnPropertyCount> kOwnTypes = {
    0x800003ED,  // 8 content
    0x800003EE,  // 9 border
    0x800003F6,  // 10 TextColor
    0x800003F9,  // 11 BackColor
    0x800003F5,  // 12 font
    0x800003EB,  // 13 HideSel
    0x800003E9,  // 14 MaxAllowLength
    0x800003EB,  // 15 AllowMultiLines
    0x800003EE,  // 16 ScrollBars
    0x800003EE,  // 17 Align
    0x800003EE,  // 18 InputMode
    0x800103ED,  // 19 PasswordChar
    0x800003EE,  // 20 CaseConvert
    0x800003EE,  // 21 SpinMode
    0x800103E9,  // 22 SpinMin
    0x800103E9,  // 23 SpinMax
    0x800003E9,  // 24 SelStart
    0x800003E9,  // 25 SelLength
    0x800803ED,  // 26 SelText
    0x800003FA,  // 27 DataSource
    0x800003FC,  // 28 DataColumn
};
constexpr auto kDescriptors = DescribeUnitProperties(kOwnTypes);
static_assert(kDescriptors.size() == kEditBoxPropertyCount);

}  // namespace

void* __stdcall EditBoxTypeEntry(int32_t kind) { return UnitEntryOf(kEntries, kind); }

DataTypeRecord EditBoxDataType() {
  return MakeUnitDataType("编辑框", "EditBox", kEditBoxTypeFlags, kEditBoxPropertyCount,
                          kDescriptors.data(), &EditBoxTypeEntry);
}
