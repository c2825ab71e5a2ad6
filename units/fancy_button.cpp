#include "units/fancy_button.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "forms/property_block.h"
#include "forms/unit_contract.h"
#include "forms/window_sound.h"
#include "units/super_button_properties.h"

namespace {

SystemColourSource g_colourSource = nullptr;

constexpr DWORD kSoundFlags = SND_ASYNC | SND_NODEFAULT | SND_NOWAIT;
constexpr UINT_PTR kToolId = 1;
constexpr DWORD kMaskOutInverted = 0x00220326;  // DSna: dest AND NOT source

ButtonRect ToButtonRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const ButtonRect& r) { return {r.left, r.top, r.right, r.bottom}; }

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void FrameColour(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
}

// Top and left lines in one colour, bottom and right in another.
void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  const int width = r.right - r.left, height = r.bottom - r.top;
  FillColour(dc, {r.left, r.top, r.left + width - 1, r.top + 1}, topLeft);
  FillColour(dc, {r.left, r.top, r.left + 1, r.top + height - 1}, topLeft);
  FillColour(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  FillColour(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

// Draws a picture through its mask: the transparent pixels keep what is
// beneath.
void BlendPicture(HDC dc, int x, int y, const ButtonPicture& picture) {
  HDC source = CreateCompatibleDC(dc);
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(source, picture.mask);
  BitBlt(dc, x, y, picture.width, picture.height, source, 0, 0, SRCAND);
  SelectObject(source, picture.bitmap);
  BitBlt(dc, x, y, picture.width, picture.height, source, 0, 0, SRCPAINT);
  SelectObject(source, old);
  SetBkColor(dc, oldBack);
  SetTextColor(dc, oldText);
  DeleteDC(source);
}

// The picture composed over white, drawn embossed as DrawState disables it.
void DrawDisabledPicture(HDC dc, int x, int y, const ButtonPicture& picture) {
  HDC scratch = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, picture.width, picture.height);
  if (!scratch || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    if (scratch) DeleteDC(scratch);
    return;
  }
  HGDIOBJ old = SelectObject(scratch, bitmap);
  PatBlt(scratch, 0, 0, picture.width, picture.height, WHITENESS);
  BlendPicture(scratch, 0, 0, picture);
  SelectObject(scratch, old);
  DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, x, y, picture.width,
             picture.height, DST_BITMAP | DSS_DISABLED);
  DeleteObject(bitmap);
  DeleteDC(scratch);
}

// A sound from memory plays on after the call returns, and the button
// may be gone by then (a Clicked handler that closes its window frees the
// bytes). So each one plays from a copy kept until the next one has
// started, which stops it; a call that plays nothing (SND_NOWAIT with the
// device busy) stops nothing either. Never freed, so that none is cut off
// at exit.
void PlayCopy(const void* owner, const ButtonSound& wav) {
  static CRITICAL_SECTION* const lock = [] {
    auto* section = new CRITICAL_SECTION;
    InitializeCriticalSection(section);
    return section;
  }();
  static PropertyBytes* const held = new PropertyBytes;
  if (SniffSound(wav.bytes, wav.size) != SoundFormat::kWave) return;  // would be read past its end
  PropertyBytes copy;
  if (!copy.Assign(wav.bytes, wav.size)) return;
  EnterCriticalSection(lock);
  if (PlayOwnedSound(owner, reinterpret_cast<LPCSTR>(copy.data()), nullptr, SND_MEMORY | kSoundFlags))
    *held = static_cast<PropertyBytes&&>(copy);
  LeaveCriticalSection(lock);
}

}  // namespace

void SetButtonSoundPlayer(ButtonSoundPlayer player) { SetSoundPlayer(player); }

void SetButtonColourSource(SystemColourSource source) { g_colourSource = source; }

COLORREF ButtonSystemColour(int index) {
  return g_colourSource ? g_colourSource(index) : GetSysColor(index);
}

bool MakeButtonPicture(HBITMAP bitmap, uint32_t transparent, ButtonPicture* out) {
  BITMAP info{};
  if (!bitmap || GetObjectA(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 ||
      info.bmHeight <= 0)
    return false;
  HBITMAP mask = CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr);
  HDC screen = GetDC(nullptr);
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  const bool ready = mask && source && target;
  if (ready) {
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    HGDIOBJ oldTarget = SelectObject(target, mask);
    const COLORREF key = transparent == 0xFF000000 ? GetPixel(source, 0, 0) : transparent;
    // Pixels of the background colour become 1 in a monochrome copy.
    SetBkColor(source, key);
    BitBlt(target, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SetBkColor(source, RGB(255, 255, 255));
    SetTextColor(source, RGB(0, 0, 0));
    BitBlt(source, 0, 0, info.bmWidth, info.bmHeight, target, 0, 0, kMaskOutInverted);
    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
  }
  if (source) DeleteDC(source);
  if (target) DeleteDC(target);
  if (!ready) {
    if (mask) DeleteObject(mask);
    return false;
  }
  *out = {bitmap, info.bmWidth, info.bmHeight, mask};
  return true;
}

void FreeButtonPicture(ButtonPicture* picture) {
  if (picture->bitmap) DeleteObject(picture->bitmap);
  if (picture->mask) DeleteObject(picture->mask);
  *picture = {};
}

FancyButton::~FancyButton() { ReleaseResources(); }

void FancyButton::ReleaseResources() {
  for (ButtonPicture& picture : pictures) FreeButtonPicture(&picture);
  if (tooltip && ::IsWindow(tooltip)) ::DestroyWindow(tooltip);
  tooltip = nullptr;
}

// --- operations ---

void FancyButton::SetLook(int32_t style) {
  flat = style != 1;
  xp = style == 2;
  if (!flat) EndHover();
}

void FancyButton::SetPressStyle(int32_t style) {
  pressShift = style == 1 ? POINT{0, 2} : POINT{1, 1};
}

bool FancyButton::SetPicture(PictureSlot slot, HBITMAP bitmap, uint32_t transparent) {
  if (!bitmap) {
    FreeButtonPicture(&pictures[slot]);
    return true;
  }
  ButtonPicture made;
  if (!MakeButtonPicture(bitmap, transparent, &made)) {
    DeleteObject(bitmap);
    return false;
  }
  FreeButtonPicture(&pictures[slot]);
  pictures[slot] = made;
  return true;
}

void FancyButton::SetToolTip(const char* text) {
  const bool empty = !text || !*text;
  if (!tooltip) {
    if (empty || !IsWindow()) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!tooltip) return;
    SendMessageA(tooltip, TTM_ACTIVATE, FALSE, 0);
    SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = Handle();
  tool.uId = kToolId;
  if (empty) {
    SendMessageA(tooltip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&tool));
    return;
  }
  GetClientRect(Handle(), &tool.rect);
  tool.lpszText = const_cast<char*>(text);
  if (SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0) == 0)
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(tooltip, TTM_ACTIVATE, TRUE, 0);
}

void FancyButton::SetChecked(bool on) {
  checked = on;
  if (IsWindow()) InvalidateRect(Handle(), nullptr, FALSE);
}

void FancyButton::EndHover() {
  if (!hovering) return;
  hovering = false;
  if (IsWindow()) InvalidateRect(Handle(), nullptr, TRUE);
}

DWORD FancyButton::TakeOverStyle(DWORD style) {
  const DWORD type = style & BS_TYPEMASK;
  checkBoxMode = type == BS_CHECKBOX;
  defaultButton = type == BS_DEFPUSHBUTTON;
  return (style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

// --- sounds ---

void FancyButton::PlayBytes(const ButtonSound& wav) {
  if (standardSound)
    PlayOwnedSound(this, kStandardClickSound, GetModuleHandleA(nullptr), SND_RESOURCE | kSoundFlags);
  else if (wav.bytes && wav.size)
    PlayCopy(this, wav);
}

void FancyButton::PlayHoverSound() { PlayBytes(hoverSound); }
void FancyButton::PlayClickSound() { PlayBytes(clickSound); }

// --- messages ---

BOOL FancyButton::PreTranslateMessage(MSG* msg) {
  if (tooltip && ::IsWindow(tooltip))
    SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
  return FALSE;
}

void FancyButton::OnMouseMove(WPARAM keys) {
  if (!flat || !trackHover) return;
  POINT cursor;
  GetCursorPos(&cursor);
  const bool over = WindowFromPoint(cursor) == Handle();
  if (!over) {
    EndHover();
    return;
  }
  // A press that began elsewhere does not light the button up.
  if (hovering || (keys & MK_LBUTTON)) return;
  hovering = true;
  InvalidateRect(Handle(), nullptr, TRUE);
  PlayHoverSound();
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
  TrackMouseEvent(&track);
}

void FancyButton::OnDisabled() {
  EndHover();
  // Windows takes the focus from a window it disables before telling it;
  // a focus held elsewhere stays where it is. Last: the focus events this
  // raises may destroy the button.
  HWND focus = GetFocus();
  if (!focus || focus == Handle() || IsChild(Handle(), focus)) {
    HWND parent = GetParent(Handle());
    HWND next = parent ? GetNextDlgTabItem(parent, Handle(), FALSE) : nullptr;
    if (next == Handle()) next = nullptr;
    SetFocus(next ? next : parent);
  }
}

LRESULT FancyButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE: OnMouseMove(wParam); break;
    case WM_MOUSELEAVE:
    case WM_CANCELMODE: EndHover(); break;
    case WM_KILLFOCUS: {
      EndHover();
      const LRESULT result = DefaultProc(message, wParam, lParam);
      OnFocusChanged(false);
      return result;
    }
    case WM_SETFOCUS: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      OnFocusChanged(true);
      return result;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) EndHover();
      break;
    case WM_ENABLE:
      if (!wParam) {
        HWND hwnd = Handle();
        OnDisabled();
        if (!StillBound(this, hwnd)) return 0;
      }
      break;
    case BM_SETCHECK: SetChecked(wParam == BST_CHECKED || wParam == BST_INDETERMINATE); return 0;
    case BM_GETCHECK: return checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETSTYLE: {
      const WPARAM type = wParam & BS_TYPEMASK;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) defaultButton = type == BS_DEFPUSHBUTTON;
      return DefaultProc(message, (wParam & ~WPARAM(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
    }
    case WM_GETDLGCODE: {
      LRESULT code = DefaultProc(message, wParam, lParam) & ~(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
      return code | (defaultButton ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    }
    default: break;
  }
  return DefaultProc(message, wParam, lParam);
}

bool FancyButton::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return false;
      PlayClickSound();
      if (checkBoxMode) SetChecked(!checked);
      OnClicked();
      *result = 0;
      return true;
    case WM_CTLCOLORBTN:
      *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    default: return false;
  }
}

// --- drawing ---

void FancyButton::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  if (systemColours) {
    const COLORREF face = ButtonSystemColour(COLOR_BTNFACE);
    const COLORREF text = ButtonSystemColour(COLOR_BTNTEXT);
    colours[kBackOut] = colours[kBackFocus] = face;
    colours[kBackIn] = ShiftColourBrightness(face, 32);
    colours[kTextOut] = colours[kTextIn] = colours[kTextFocus] = text;
  }
  pressed = (item.itemState & ODS_SELECTED) || (checkBoxMode && checked);
  focused = (item.itemState & ODS_FOCUS) != 0;
  disabled = (item.itemState & ODS_DISABLED) != 0;
  const int savedDc = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
  if (font) SelectObject(dc, font);

  RECT rect = item.rcItem;
  if (!flat && (focused || defaultButton)) {
    FrameColour(dc, rect, RGB(0, 0, 0));
    InflateRect(&rect, -1, -1);
  }
  DrawBackground(dc, &rect);
  DrawEdges(dc, rect);

  char text[1024];
  const int length = GetWindowTextA(Handle(), text, sizeof text);
  RECT textRect = rect;
  DrawPicture(dc, rect, &textRect, length > 0);
  if (length > 0) DrawCaption(dc, textRect, text);

  if (focused && (!flat || drawFocus)) {
    RECT focusRect = item.rcItem;
    InflateRect(&focusRect, -3, -3);
    DrawFocusRect(dc, &focusRect);
  }
  RestoreDC(dc, savedDc);
}

void FancyButton::DrawBackground(HDC dc, RECT* rect) {
  if (hovering || pressed) {
    if (xp) {
      HBRUSH brush = CreateSolidBrush(colours[kBackIn]);
      HGDIOBJ oldBrush = SelectObject(dc, brush);
      HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
      RoundRect(dc, rect->left, rect->top, rect->right, rect->bottom, 8, 8);
      SelectObject(dc, oldPen);
      SelectObject(dc, oldBrush);
      DeleteObject(brush);
    } else {
      FillColour(dc, *rect, colours[kBackIn]);
    }
    return;
  }
  FillColour(dc, *rect, colours[focused ? kBackFocus : kBackOut]);
}

void FancyButton::DrawEdges(HDC dc, const RECT& rect) {
  const COLORREF highlight = ButtonSystemColour(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = ButtonSystemColour(COLOR_BTNSHADOW);
  if (pressed) {
    if (!flat) FrameColour(dc, rect, shadow);
    else if (drawBorder && !xp) Draw3dRect(dc, rect, shadow, highlight);
    return;
  }
  if (!flat) {
    Draw3dRect(dc, rect, highlight, ButtonSystemColour(COLOR_3DDKSHADOW));
    RECT inner = rect;
    InflateRect(&inner, -1, -1);
    Draw3dRect(dc, inner, ButtonSystemColour(COLOR_3DLIGHT), shadow);
  } else if (hovering && drawBorder && !xp) {
    Draw3dRect(dc, rect, highlight, shadow);
  }
}

void FancyButton::DrawPicture(HDC dc, const RECT& item, RECT* textRect, bool hasText) {
  bool present[kPictureSlotCount];
  for (int i = 0; i < kPictureSlotCount; ++i) present[i] = !pictures[i].empty();
  const int32_t slot = ChoosePictureSlot(present, {hovering, pressed, disabled, checkBoxMode});
  if (slot == kNoPicture) return;
  const ButtonPicture& picture = pictures[slot];
  RECT client;
  GetClientRect(Handle(), &client);
  ButtonRect text = ToButtonRect(*textRect);
  ButtonPoint at = PlacePicture(alignment, ToButtonRect(item), client.right, picture.width,
                                picture.height, pictureMargin.cx, hasText, &text);
  *textRect = ToRect(text);
  if (pressed && !checkBoxMode) {
    at.x += pressShift.x;
    at.y += pressShift.y;
  }
  if (disabled && slot != kSlotDisabled) DrawDisabledPicture(dc, at.x, at.y, picture);
  else BlendPicture(dc, at.x, at.y, picture);
}

void FancyButton::DrawCaption(HDC dc, RECT textRect, const char* text) {
  if (pressed && !checkBoxMode) OffsetRect(&textRect, pressShift.x, pressShift.y);
  RECT measured = textRect;
  DrawTextA(dc, text, -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
  RECT block = ToRect(CentreBlock(ToButtonRect(textRect), measured.right - measured.left,
                                  measured.bottom - measured.top));
  constexpr UINT kFormat = DT_WORDBREAK | DT_CENTER;
  if (disabled) {
    RECT raised = block;
    OffsetRect(&raised, 1, 1);
    SetTextColor(dc, ButtonSystemColour(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, text, -1, &raised, kFormat);
    SetTextColor(dc, ButtonSystemColour(COLOR_BTNSHADOW));
    DrawTextA(dc, text, -1, &block, kFormat);
    return;
  }
  const ButtonColour colour = hovering || pressed ? kTextIn : focused ? kTextFocus : kTextOut;
  SetTextColor(dc, colours[colour]);
  DrawTextA(dc, text, -1, &block, kFormat);
}
