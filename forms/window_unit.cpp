#include "forms/window_unit.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "forms/byte_reader.h"
#include "forms/event_dispatch.h"
#include "forms/form_runtime.h"
#include "forms/window_shapes.h"
#include "forms/window_template.h"
#include "runtime/host_service.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"

namespace {

constexpr char kDefaultClassName[] = "QKWindow";
constexpr int32_t kStartupLoadMode = 1;  // LoadStartupWindow's
constexpr DWORD kTitleMask = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
constexpr uint32_t kSystemColour = 0xFF000000;
constexpr uint32_t kButtonLike = kTypeRadioLike | kTypeDefaultCapable | kTypeCheckLike;

// One word for the whole runtime: no activation event is raised while a
// handler of one runs, whichever window it belongs to.
volatile LONG g_activationGuard = 0;

NotifyIconCall g_notifyIcon = nullptr;

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
  return (g_notifyIcon ? g_notifyIcon : &Shell_NotifyIconA)(message, data);
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) { return std::clamp(value, low, high); }

WindowUnit* AsWindow(Wnd* object) { return dynamic_cast<WindowUnit*>(object); }

// The ICO file's image closest to cx x cy (deeper colour breaks ties),
// made into an icon; null for anything that is not a sound icon file.
HICON IconFromFile(const uint8_t* bytes, uint32_t size, int cx, int cy) {
  if (!bytes || size < 6 || bytes[0] || bytes[1] || bytes[2] != 1 || bytes[3]) return nullptr;
  const uint32_t count = bytes[4] | bytes[5] << 8;
  if (count == 0 || 6 + uint64_t(count) * 16 > size) return nullptr;
  int bestScore = INT32_MAX, bestBits = -1;
  const uint8_t* best = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = bytes + 6 + 16 * i;
    const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    const int bits = e[6] | e[7] << 8;
    const int score = std::abs(w - cx) + std::abs(h - cy);
    if (score < bestScore || (score == bestScore && bits > bestBits)) {
      bestScore = score;
      bestBits = bits;
      best = e;
    }
  }
  const uint32_t length = best[8] | best[9] << 8 | best[10] << 16 | uint32_t(best[11]) << 24;
  const uint32_t offset = best[12] | best[13] << 8 | best[14] << 16 | uint32_t(best[15]) << 24;
  if (length == 0 || offset > size || length > size - offset) return nullptr;
  return CreateIconFromResourceEx(const_cast<uint8_t*>(bytes + offset), length, TRUE, 0x00030000,
                                  cx, cy, LR_DEFAULTCOLOR);
}

// At most `limit` bytes of a GBK text, never half a double-byte character.
std::string CutGbk(const char* text, size_t limit) {
  std::string out;
  for (size_t i = 0; text && text[i];) {
    const size_t n = (static_cast<uint8_t>(text[i]) >= 0x81 && text[i + 1]) ? 2 : 1;
    if (out.size() + n > limit) break;
    out.append(text + i, n);
    i += n;
  }
  return out;
}

uint32_t Modifiers() {
  uint32_t m = 0;
  if (GetKeyState(VK_CONTROL) < 0) m |= 1;
  if (GetKeyState(VK_SHIFT) < 0) m |= 2;
  if (GetKeyState(VK_MENU) < 0) m |= 4;
  return m;
}

RECT RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

// --- creation ---

// Deleted with its window still there only at program end.
WindowUnit::~WindowUnit() {
  sound_.Stop();
  ReleaseIcons();
  SetTrayIcon(nullptr, nullptr);
}

DWORD WindowUnit::TitleBits() const {
  DWORD style = 0;
  if (props_.borderStyle != 0) {
    if (!props_.caption.empty() || props_.controlBox) style |= WS_CAPTION;
    if (props_.controlBox) style |= WS_SYSMENU;
    style |= WS_DLGFRAME;
  }
  if (props_.maxButton) style |= WS_MAXIMIZEBOX;
  if (props_.minButton) style |= WS_MINIMIZEBOX;
  return style;
}

DWORD WindowUnit::FrameBits() const {
  const int32_t b = props_.borderStyle;
  return b == 1 || b == 3 || b == 5 ? WS_THICKFRAME : 0;
}

DWORD WindowUnit::ExtendedFrameBits() const {
  const int32_t b = props_.borderStyle;
  if (b == 3 || b == 4) return WS_EX_TOOLWINDOW;
  if (b == 5 || b == 6) return WS_EX_CLIENTEDGE;
  return 0;
}

bool WindowUnit::Create(const uint8_t* block, uint32_t length, DWORD style, HWND owner, HMENU menu,
                        int32_t left, int32_t top, int32_t width, int32_t height) {
  if (!LoadWindowProperties(&props_, block, length)) return false;
  props_.borderStyle = Clamp(props_.borderStyle, 0, 6);
  props_.backPictureMode = Clamp(props_.backPictureMode, 0, 3);
  props_.soundPlayMode = Clamp(props_.soundPlayMode, 0, 2);
  props_.position = Clamp(props_.position, 0, 3);
  props_.shape = Clamp(props_.shape, 0, kWindowShapeCount - 1);
  RuntimeApp& app = RuntimeApp::Get();
  style |= WS_CLIPCHILDREN | TitleBits() | FrameBits();
  if (props_.position == 1) {
    left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  if (props_.position == 2) style |= WS_MINIMIZE;
  if (props_.position == 3 && FrameBits()) style |= WS_MAXIMIZE;
  if (owner) {
    style |= WS_POPUP;
  } else if ((Forms().loadingModalFlag || !props_.showInTaskbar) && app.runMode != 0) {
    owner = app.hiddenOwner.Handle();  // keeps the overlapped style
  }
  const char* className = props_.windowClass.empty() ? kDefaultClassName : props_.windowClass.text();
  // The loader destroys the menu of a failed load, so it is left to it here.
  if (!RegisterUnitWindowClass(className)) return false;
  // A creation that fails after the first message ends in WM_NCDESTROY too.
  if (!CreateEx(ExtendedFrameBits(), className, props_.caption.text(), style, left, top, width,
                height, owner, menu))
    return false;
  created_ = true;
  HWND hwnd = Handle();
  // An overlapped window gets a caption from the system whether asked or not.
  ApplyTitleBits();
  RECT actual;
  GetWindowRect(hwnd, &actual);
  if (!(style & (WS_MINIMIZE | WS_MAXIMIZE)) &&
      (actual.right - actual.left != width || actual.bottom - actual.top != height))
    SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  MakeIcons();
  ApplyShape();
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultGuiFont()), FALSE);
  if (props_.alwaysOnTop) ApplyTopmost();
  if (!props_.movable) ApplyMovable();
  PrepareBackPicture();
  StartSound();
  return true;
}

void WindowUnit::ApplyTitleBits() {
  HWND hwnd = Handle();
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  const DWORD wanted = (style & ~kTitleMask) | TitleBits();
  if (wanted == style) return;
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void WindowUnit::ApplyBorderStyle() {
  HWND hwnd = Handle();
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  style = (style & ~(kTitleMask | WS_THICKFRAME)) | TitleBits() | FrameBits();
  DWORD ex = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
  ex = (ex & ~(WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE)) | ExtendedFrameBits();
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style));
  SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>(ex));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// The outline follows the client area, placed where the client lies in
// the window.
void WindowUnit::ApplyShape() {
  HWND hwnd = Handle();
  RECT client, window;
  GetClientRect(hwnd, &client);
  GetWindowRect(hwnd, &window);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  const int dx = origin.x - window.left, dy = origin.y - window.top;
  const WindowOutline outline = MakeWindowOutline(props_.shape, client.right, client.bottom);
  HRGN region = nullptr;
  switch (outline.kind) {
    case OutlineKind::kRectangle: break;
    case OutlineKind::kRoundRect:
      region = CreateRoundRectRgn(0, 0, client.right + 1, client.bottom + 1, 2 * outline.radius,
                                  2 * outline.radius);
      break;
    case OutlineKind::kEllipse: region = CreateEllipticRgn(0, 0, client.right + 1, client.bottom + 1); break;
    case OutlineKind::kPolygon: {
      std::vector<POINT> points;
      for (const OutlinePoint& p : outline.points) points.push_back({p.x, p.y});
      region = CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING);
      break;
    }
  }
  if (region) OffsetRgn(region, dx, dy);
  if (region || outlined_) SetWindowRgn(hwnd, region, TRUE);  // the system owns it now
  outlined_ = region != nullptr;
}

void WindowUnit::ApplyTopmost() {
  SetWindowPos(Handle(), props_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (props_.alwaysOnTop) return;
  // Clearing ours may have pushed windows that must stay on top below it.
  const WindowTemplate& registry = Forms().registry;
  for (uint32_t i = 0; i < registry.count; ++i) {
    WindowUnit* other = AsWindow(LiveWindowOf(registry.records[i]));
    if (!other || other == this) continue;
    if (other->props_.alwaysOnTop && !other->props_.showInTaskbar)
      SetWindowPos(other->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void WindowUnit::ApplyMovable() {
  if (props_.movable) {
    GetSystemMenu(Handle(), TRUE);  // back to the default menu
  } else if (HMENU menu = GetSystemMenu(Handle(), FALSE)) {
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  }
}

void WindowUnit::ApplyPosition() {
  HWND hwnd = Handle();
  if (!IsWindowVisible(hwnd)) return;
  switch (props_.position) {
    case 0: ShowWindow(hwnd, SW_SHOWNORMAL); break;
    case 1: {
      if (IsIconic(hwnd) || IsZoomed(hwnd)) ShowWindow(hwnd, SW_RESTORE);
      RECT r;
      GetWindowRect(hwnd, &r);
      const int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case 2: ShowWindow(hwnd, SW_MINIMIZE); break;
    case 3: ShowWindow(hwnd, SW_MAXIMIZE); break;
    default: break;
  }
}

int32_t WindowUnit::LivePosition() const {
  if (IsIconic(Handle())) return 2;
  if (IsZoomed(Handle())) return 3;
  return 0;
}

void WindowUnit::ReleaseIcons() {
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  bigIcon_ = smallIcon_ = nullptr;
}

void WindowUnit::MakeIcons() {
  const uint8_t* bytes = props_.icon.data();
  const uint32_t size = props_.icon.size();
  HICON big = IconFromFile(bytes, size, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  HICON small = IconFromFile(bytes, size, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  if (!big || !small) {
    if (big) DestroyIcon(big);
    if (small) DestroyIcon(small);
    big = small = nullptr;
  }
  HICON shownBig = big, shownSmall = small;
  if (!big) {
    uint32_t defaults[2] = {0, 0};
    HostService(1000, static_cast<int32_t>(AddressWord(defaults)), 0);
    shownBig = AtAddress<HICON__>(defaults[0]);
    shownSmall = AtAddress<HICON__>(defaults[1]);
  }
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shownBig));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shownSmall));
  ReleaseIcons();
  bigIcon_ = big;
  smallIcon_ = small;
}

// Start stops what played before itself.
void WindowUnit::StartSound() {
  if (props_.soundPlayMode == 2 || props_.backSound.empty()) {
    sound_.Stop();
    return;
  }
  sound_.Start(Handle(), props_.backSound.data(), props_.backSound.size(), props_.soundPlayMode == 0);
}

// --- properties ---

bool WindowUnit::ReadOwnProperty(int32_t index, PropertyValue* v) {
  auto bytes = [v](const PropertyBytes& b) { *v = {AddressWord(b.data()), b.size()}; };
  auto text = [v](const PropertyBytes& b) { v->word0 = AddressWord(b.text()); };
  auto number = [v](int32_t n) { v->word0 = static_cast<uint32_t>(n); };
  switch (index + 8) {
    case 8: text(props_.caption); return true;
    case 9: number(props_.borderStyle); return true;
    case 10: v->word0 = props_.backColor; return true;
    case 11: bytes(props_.backPicture); return true;
    case 12: number(props_.backPictureMode); return true;
    case 13: bytes(props_.backSound); return true;
    case 14: number(props_.soundPlayMode); return true;
    case 15: number(props_.controlBox); return true;
    case 16: number(props_.maxButton); return true;
    case 17: number(props_.minButton); return true;
    case 18: number(LivePosition()); return true;
    case 19: number(props_.movable); return true;
    case 20: bytes(props_.icon); return true;
    case 21: number(props_.enterMovesFocus); return true;
    case 22: number(props_.escCloses); return true;
    case 23: number(props_.f1Help); return true;
    case 24: text(props_.helpFile); return true;
    case 25: number(props_.helpContext); return true;
    case 26: number(props_.showInTaskbar); return true;
    case 27: number(props_.dragAnywhere); return true;
    case 28: number(props_.shape); return true;
    case 29: number(props_.alwaysOnTop); return true;
    case 30: number(props_.keepTitleActive); return true;
    case 31: text(props_.windowClass); return true;
    default: return false;
  }
}

void WindowUnit::WriteOwnProperty(int32_t index, const PropertyValue& v) {
  HWND hwnd = Handle();
  const auto n = static_cast<int32_t>(v.word0);
  const bool flag = v.word0 != 0;
  const char* text = AtAddress<const char>(v.word0);
  const uint8_t* data = AtAddress<const uint8_t>(v.word0);
  switch (index + 8) {
    case 8:
      props_.caption.AssignText(text);
      SetWindowTextA(hwnd, props_.caption.text());
      ApplyTitleBits();
      break;
    case 9: props_.borderStyle = Clamp(n, 0, 6); ApplyBorderStyle(); break;
    case 10:
      props_.backColor = v.word0;
      PrepareBackPicture();  // PNG and GIF are blended over the colour
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case 11:
      props_.backPicture.Assign(data, data ? v.word1 : 0);
      backPicture_.Clear();
      PrepareBackPicture();
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case 12:
      props_.backPictureMode = Clamp(n, 0, 3);
      if (backPicture_.HasPicture()) InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case 13:
      sound_.ReleaseBytes();
      props_.backSound.Assign(data, data ? v.word1 : 0);
      StartSound();
      break;
    case 14: props_.soundPlayMode = Clamp(n, 0, 2); StartSound(); break;
    case 15: props_.controlBox = flag; ApplyTitleBits(); break;
    case 16: props_.maxButton = flag; ApplyTitleBits(); break;
    case 17: props_.minButton = flag; ApplyTitleBits(); break;
    case 18: props_.position = Clamp(n, 0, 3); ApplyPosition(); break;
    case 19: props_.movable = flag; ApplyMovable(); break;
    case 20: props_.icon.Assign(data, data ? v.word1 : 0); MakeIcons(); break;
    case 21: props_.enterMovesFocus = flag; break;
    case 22: props_.escCloses = flag; break;
    case 23: props_.f1Help = flag; break;
    case 24: props_.helpFile.AssignText(text); break;
    case 25: props_.helpContext = n; break;
    case 26: props_.showInTaskbar = flag; break;
    case 27: props_.dragAnywhere = flag; break;
    case 28: props_.shape = Clamp(n, 0, kWindowShapeCount - 1); ApplyShape(); break;
    case 29: props_.alwaysOnTop = flag; ApplyTopmost(); break;
    case 30: props_.keepTitleActive = flag; break;
    case 31: props_.windowClass.AssignText(text); break;
    default: break;
  }
}

// --- painting ---

COLORREF WindowUnit::BackColour() const {
  const uint32_t c = props_.backColor;
  if (c == kSystemColour) return GetSysColor(COLOR_BTNFACE);
  if ((c & 0xFF000000) == 0x80000000) return GetSysColor(static_cast<int>(c & 0xFF));
  return c & 0x00FFFFFF;
}

// Decoded once per picture value; a new colour only re-prepares.
void WindowUnit::PrepareBackPicture() {
  if (props_.backPicture.empty()) {
    backPicture_.Clear();
    return;
  }
  backPicture_.SetBytes(props_.backPicture.data(), props_.backPicture.size(), BackColour());
}

RECT WindowUnit::PictureRect(const RECT& client) const {
  const int pw = backPicture_.Width(), ph = backPicture_.Height();
  const int cw = client.right, ch = client.bottom;
  switch (props_.backPictureMode) {
    case 0: return {0, 0, pw, ph};
    case 2: {
      int w = pw, h = ph;
      if ((pw > cw || ph > ch) && pw > 0 && ph > 0) {
        // Scale down by the tighter of the two ratios, keeping the aspect.
        if (int64_t(cw) * ph <= int64_t(ch) * pw) {
          w = cw;
          h = static_cast<int>(int64_t(ph) * cw / pw);
        } else {
          h = ch;
          w = static_cast<int>(int64_t(pw) * ch / ph);
        }
      }
      const int x = (cw - w) / 2, y = (ch - h) / 2;
      return {x, y, x + w, y + h};
    }
    default: return client;  // tiled and stretched cover the client area
  }
}

void WindowUnit::DrawBackPicture(HDC dc, const RECT& client) {
  const RECT r = PictureRect(client);
  if (props_.backPictureMode != 1) {
    backPicture_.Draw(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, SRCCOPY);
    return;
  }
  const int pw = backPicture_.Width(), ph = backPicture_.Height();
  if (pw <= 0 || ph <= 0) return;
  RECT box;
  GetClipBox(dc, &box);
  for (int y = 0; y < client.bottom; y += ph) {
    if (y + ph <= box.top || y >= box.bottom) continue;
    for (int x = 0; x < client.right; x += pw) {
      if (x + pw <= box.left || x >= box.right) continue;
      backPicture_.Draw(dc, x, y, pw, ph, SRCCOPY);
    }
  }
}

void WindowUnit::PaintBackground(HDC dc, const RECT& clip) {
  RECT client;
  GetClientRect(Handle(), &client);
  const bool hasPicture = backPicture_.HasPicture();
  const bool opaque = hasPicture && backPicture_.Kind() != kPictureIcon && backPicture_.Kind() != kPictureCursor;
  int saved = SaveDC(dc);
  IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  if (opaque) {
    const RECT covered = PictureRect(client);
    ExcludeClipRect(dc, covered.left, covered.top, covered.right, covered.bottom);
  }
  HBRUSH brush = CreateSolidBrush(BackColour());
  FillRect(dc, &clip, brush);
  DeleteObject(brush);
  RestoreDC(dc, saved);
  if (!hasPicture) return;
  saved = SaveDC(dc);
  IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  DrawBackPicture(dc, client);
  RestoreDC(dc, saved);
}

// --- closing ---

// A refusal counts only as an explicit false from a handler that ran. The
// runtime's own loads (mode 0, and 1 for the startup window) may refuse;
// otherwise the startup window's "may I close" handler would be ignored.
// Read before the event: its handler may destroy the window and this object.
bool WindowUnit::Refuses(int32_t event) {
  const bool mayRefuse = childMode == 0 && (loadMode == 0 || loadMode == kStartupLoadMode);
  EventResult result{};
  const bool ran = RaiseUnitEvent(windowId, 0, event, {}, &result);
  return ran && result.hasResult && result.low == 0 && mayRefuse;
}

void WindowUnit::RequestClose() {
  HWND hwnd = Handle();
  if (Refuses(kWindowCloseRequest) || !StillBound(this, hwnd)) return;
  if (Refuses(kWindowQueryClose) || !StillBound(this, hwnd)) return;
  if (isModal) RestoreDisabledOwners();
  DestroyWindow();
}

void WindowUnit::OnDestroy() {
  HWND hwnd = Handle();
  RaiseUnitEvent(windowId, 0, kWindowDestroyed);
  if (helpOpened_) {
    WinHelpA(hwnd, HelpFileName().c_str(), HELP_QUIT, 0);
    helpOpened_ = false;
  }
  if (HMENU menu = GetMenu(hwnd)) {
    SetMenu(hwnd, nullptr);
    DestroyMenu(menu);
  }
  SetTrayIcon(nullptr, nullptr);
  sound_.Stop();
}

void WindowUnit::OnFinalMessage() {
  if (!created_) return;  // the creator deletes the object of a failed creation
  SetAccelerators(nullptr);
  HostService(2000, static_cast<int32_t>(windowId), 0);  // cursors go with the records
  if (RuntimeApp::Exists()) RuntimeApp::Get().CheckLastWindowClosed();
  delete this;
}

// --- activation, focus, cursor ---

LRESULT WindowUnit::OnActivate(WPARAM wParam, LPARAM lParam) {
  HWND hwnd = Handle();
  const bool active = LOWORD(wParam) != WA_INACTIVE;
  const bool topLevel = !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
  if (active && !IsWindowEnabled(hwnd) && topLevel && firstActivationDone_ &&
      RuntimeApp::Get().runMode != 0) {
    const WindowTemplate& registry = Forms().registry;
    for (uint32_t i = 0; i < registry.count; ++i) {
      FormWindow* other = LiveWindowOf(registry.records[i]);
      if (!other || other == this || !other->isModal) continue;
      HWND modal = other->Handle();
      if (GetWindowLongA(modal, GWL_STYLE) & WS_CHILD) continue;
      if (IsWindowVisible(modal) && IsWindowEnabled(modal)) {
        SetActiveWindow(modal);
        return 0;
      }
    }
  }
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd, focus)) rememberedFocus_ = focus;
  }
  // The default processing sets the focus at once, and a focus handler
  // (-7 of the window or of its unit) may close the window and delete this
  // object: from here on only locals are read until it is known to live.
  const LRESULT result = DefaultProc(WM_ACTIVATE, wParam, lParam);
  if (!StillBound(this, hwnd)) return result;
  const bool first = active && !firstActivationDone_;
  if (active) firstActivationDone_ = true;
  if (g_activationGuard != 0) return result;
  UpdateWindow(hwnd);
  InterlockedIncrement(&g_activationGuard);
  const uint32_t id = windowId;
  if (first) RaiseUnitEvent(id, 0, kWindowFirstActivated);
  if (StillBound(this, hwnd)) RaiseUnitEvent(id, 0, active ? kWindowActivated : kWindowDeactivated);
  InterlockedDecrement(&g_activationGuard);
  return result;
}

void WindowUnit::OnSetFocus() {
  HWND hwnd = Handle();
  RaiseUnitEvent(windowId, 0, kEventFocusGained);
  if (!::IsWindow(hwnd) || GetFocus() != hwnd) return;
  HWND remembered = rememberedFocus_;
  rememberedFocus_ = nullptr;
  if (remembered && ::IsWindow(remembered) && IsChild(hwnd, remembered)) {
    SetFocus(remembered);
    return;
  }
  if (const uint32_t index = InitialFocus()) SetFocus(UnitAt(index)->Handle());
}

LRESULT WindowUnit::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (childMode || LOWORD(lParam) != HTCLIENT) return DefaultProc(WM_SETCURSOR, wParam, lParam);
  HWND over = reinterpret_cast<HWND>(wParam);
  const int32_t index = over == Handle() ? 0 : UnitIndexOf(over);
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (HCURSOR cursor = index >= 0 && w ? UnitCursorAt(w->live, uint32_t(index)) : nullptr) {
    SetCursor(cursor);
    return TRUE;
  }
  return DefaultProc(WM_SETCURSOR, wParam, lParam);
}

// --- notification-area icon ---

void WindowUnit::SetTrayIcon(HICON icon, const char* tip) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = Handle();
  data.uID = kTrayIconId;
  if (!icon) {
    if (trayIcon_) {
      NotifyIcon(NIM_DELETE, &data);
      DestroyIcon(trayIcon_);
      trayIcon_ = nullptr;
    }
    return;
  }
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon;
  const std::string cut = CutGbk(tip, kTrayTipLimit);
  std::memcpy(data.szTip, cut.c_str(), cut.size() + 1);
  if (!trayIcon_ || !NotifyIcon(NIM_MODIFY, &data)) NotifyIcon(NIM_ADD, &data);
  if (trayIcon_ && trayIcon_ != icon) DestroyIcon(trayIcon_);
  trayIcon_ = icon;
}

void WindowUnit::OnTrayCallback(LPARAM lParam) {
  if (!trayIcon_) return;
  uint32_t argument = 0;
  switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONUP: argument = 1; break;
    case WM_LBUTTONDBLCLK: argument = 2; break;
    case WM_RBUTTONUP: case WM_CONTEXTMENU: argument = 3; break;
    default: return;
  }
  RaiseUnitEvent(windowId, 0, kWindowTrayIcon, {argument});
}

void SetNotifyIconCall(NotifyIconCall call) { g_notifyIcon = call; }

// --- bars ---

void WindowUnit::LayoutBars() {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!unitsReady_ || !w) return;
  std::vector<HWND> topBars, bottomBars;
  for (uint32_t i = 1; i < w->live.count; ++i) {
    const DataTypeRecord* type = TypeAt(i);
    Wnd* unit = UnitAt(i);
    if (!type || !(type->flags & kTypeBar) || !IsLive(unit)) continue;
    SendMessageA(unit->Handle(), kBarRecomputeMessage, 0, 0);
    const DWORD dock = static_cast<DWORD>(GetWindowLongA(unit->Handle(), GWL_STYLE)) & 3;
    if (dock == 1) topBars.push_back(unit->Handle());
    if (dock == 3) bottomBars.push_back(unit->Handle());
  }
  RECT client;
  GetClientRect(Handle(), &client);
  auto place = [](HWND bar, const RECT& r, int y) {
    if (r.top == y) return;
    SetWindowPos(bar, nullptr, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(bar, nullptr, TRUE);
  };
  int y = client.top;
  for (size_t k = topBars.size(); k-- > 0;) {
    const RECT r = RectInParent(topBars[k]);
    place(topBars[k], r, y);
    y += r.bottom - r.top;
  }
  y = client.bottom;
  for (size_t k = bottomBars.size(); k-- > 0;) {
    const RECT r = RectInParent(bottomBars[k]);
    y -= r.bottom - r.top;
    place(bottomBars[k], r, y);
  }
}

// --- the window's units ---

Wnd* WindowUnit::UnitAt(uint32_t index) const {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  return w ? ObjectAt(w->live, index) : nullptr;
}

const DataTypeRecord* WindowUnit::TypeAt(uint32_t index) const {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || index >= w->live.count || IsMenuItem(w->live, index)) return nullptr;
  return UnitTypeOf(UnitRecordAt(w->live, index));
}

int32_t WindowUnit::TabOrderAt(uint32_t index) const {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  UnitRecordLayout l;
  if (!w || !RecordOf(w->live, index, &l)) return INT32_MAX;
  return static_cast<int32_t>(LoadWord(UnitRecordAt(w->live, index) + l.tabOrder));
}

// The unit whose window is hwnd, else the nearest one holding it; -1 for
// neither (or a unit of another window).
int32_t WindowUnit::UnitIndexOf(HWND hwnd) const {
  if (!hwnd) return -1;
  if (hwnd == Handle()) return 0;
  UnitLocation at;
  if (!UnitRecordOfHandle(hwnd, &at, HandleMatch::kUnitOrInside) || at.windowId != windowId || at.index == 0)
    return -1;
  return static_cast<int32_t>(at.index);
}

bool WindowUnit::CanTakeFocus(uint32_t index) const {
  const DataTypeRecord* type = TypeAt(index);
  Wnd* unit = UnitAt(index);
  if (!type || !IsLive(unit) || (type->flags & (kTypeNotVisible | kTypeNeverFocused))) return false;
  HWND hwnd = unit->Handle();
  return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && (GetWindowLongA(hwnd, GWL_STYLE) & WS_TABSTOP);
}

// From the last entry down, a strictly lower tab order wins: among equal
// ones the unit latest in the table keeps the focus.
uint32_t WindowUnit::InitialFocus() const {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w) return 0;
  uint32_t best = 0;
  int32_t bestOrder = INT32_MAX;
  for (uint32_t i = w->live.count; i-- > 1;) {
    if (!CanTakeFocus(i)) continue;
    const int32_t order = TabOrderAt(i);
    if (best == 0 || order < bestOrder) {
      best = i;
      bestOrder = order;
    }
  }
  return best;
}

// Tab walks the units by tab order, table order among equal ones.
std::vector<uint32_t> WindowUnit::TabSequence() const {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  std::vector<uint32_t> sequence;
  for (uint32_t i = 1; w && i < w->live.count; ++i)
    if (CanTakeFocus(i)) sequence.push_back(i);
  std::stable_sort(sequence.begin(), sequence.end(),
                   [this](uint32_t a, uint32_t b) { return TabOrderAt(a) < TabOrderAt(b); });
  return sequence;
}

bool WindowUnit::IsDefaultButton(uint32_t index) const {
  Wnd* unit = UnitAt(index);
  auto query = reinterpret_cast<IsDefaultButtonFn>(UnitEntry(TypeAt(index), kEntryIsDefaultButton));
  return query && IsLive(unit) && query(unit) != 0;
}

// --- keyboard ---

bool WindowUnit::MoveFocus(bool forward) {
  const std::vector<uint32_t> sequence = TabSequence();
  if (sequence.empty()) return false;
  const int32_t focused = UnitIndexOf(GetFocus());
  auto at = std::find(sequence.begin(), sequence.end(), static_cast<uint32_t>(focused));
  size_t next;
  if (at == sequence.end()) {
    next = forward ? 0 : sequence.size() - 1;
  } else {
    const size_t here = static_cast<size_t>(at - sequence.begin());
    next = forward ? (here + 1) % sequence.size() : (here + sequence.size() - 1) % sequence.size();
  }
  SetFocus(UnitAt(sequence[next])->Handle());
  return true;
}

// The group is what the system's dialog navigation calls one: siblings up
// to the next WS_GROUP.
bool WindowUnit::MoveInGroup(int32_t focused, bool forward) {
  HWND unit = UnitAt(static_cast<uint32_t>(focused))->Handle();
  HWND next = GetNextDlgGroupItem(GetParent(unit), unit, forward ? FALSE : TRUE);
  if (!next || next == unit) return true;
  SetFocus(next);
  return true;
}

bool WindowUnit::HandleEnter(int32_t focused) {
  if (focused > 0) {
    const DataTypeRecord* type = TypeAt(static_cast<uint32_t>(focused));
    if (type && (type->flags & kTypeDefaultCapable) && IsDefaultButton(static_cast<uint32_t>(focused))) {
      SendMessageA(UnitAt(static_cast<uint32_t>(focused))->Handle(), BM_CLICK, 0, 0);
      return true;
    }
  }
  if (props_.enterMovesFocus) return MoveFocus(true);
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  for (uint32_t i = 1; w && i < w->live.count; ++i) {
    Wnd* unit = UnitAt(i);
    // A hidden or disabled default button cannot be pressed, so Enter
    // does not press it either.
    if (!IsLive(unit) || !IsWindowVisible(unit->Handle()) || !IsWindowEnabled(unit->Handle())) continue;
    if (!IsDefaultButton(i)) continue;
    RaiseUnitEvent(windowId, UnitIdAt(w->live, i), 0);
    return true;
  }
  return false;
}

std::string WindowUnit::HelpFileName() const {
  if (!props_.helpFile.empty()) return props_.helpFile.text();
  const RuntimeApp& app = RuntimeApp::Get();
  std::string name = app.programFileName;
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return app.runDirectory + "\\" + name + ".hlp";
}

bool WindowUnit::OpenHelp() {
  const std::string file = HelpFileName();
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (props_.helpContext != 0)
    WinHelpA(Handle(), file.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(props_.helpContext));
  else
    WinHelpA(Handle(), file.c_str(), HELP_CONTENTS, 0);
  helpOpened_ = true;
  return true;
}

// Alt with a letter or digit: the first unit whose text marks it with "&".
bool WindowUnit::HandleMnemonic(MSG* msg) {
  const auto key = static_cast<char>(msg->wParam);
  if (!((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) return false;
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  for (uint32_t i = 1; w && i < w->live.count; ++i) {
    const DataTypeRecord* type = TypeAt(i);
    Wnd* unit = UnitAt(i);
    if (!type || !(type->flags & kTypeMnemonicMask) || !IsLive(unit)) continue;
    HWND hwnd = unit->Handle();
    if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) continue;
    char text[512] = {};  // ends in a NUL even when the read fails
    GetWindowTextA(hwnd, text, sizeof text);
    const char* amp = text;
    bool marked = false;
    while ((amp = std::strchr(amp, '&')) && amp[1]) {
      if (amp[1] == '&') {
        amp += 2;
        continue;
      }
      if (CharUpperA(reinterpret_cast<char*>(static_cast<uintptr_t>(static_cast<uint8_t>(amp[1])))) ==
          reinterpret_cast<char*>(static_cast<uintptr_t>(static_cast<uint8_t>(key)))) {
        marked = true;
        break;
      }
      ++amp;
    }
    if (!marked) continue;
    if (type->flags & kButtonLike) {
      if (type->flags & kTypeCheckLike) {
        const LRESULT checked = SendMessageA(hwnd, BM_GETCHECK, 0, 0);
        SendMessageA(hwnd, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
      } else if (type->flags & kTypeRadioLike) {
        for (HWND other = GetNextDlgGroupItem(GetParent(hwnd), hwnd, FALSE); other && other != hwnd;
             other = GetNextDlgGroupItem(GetParent(hwnd), other, FALSE))
          SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
      }
      RaiseUnitEvent(windowId, UnitIdAt(w->live, i), 0);
    } else if (type->flags & kTypeLabelLike) {
      const std::vector<uint32_t> sequence = TabSequence();
      auto next = std::find_if(sequence.begin(), sequence.end(), [i](uint32_t k) { return k > i; });
      if (next != sequence.end()) SetFocus(UnitAt(*next)->Handle());
    } else {
      SetFocus(hwnd);
    }
    return true;
  }
  return false;
}

// The window's own keys; true when one was handled (no common event then).
bool WindowUnit::HandleKey(MSG* msg) {
  const auto key = static_cast<uint32_t>(msg->wParam);
  const uint32_t modifiers = Modifiers();
  const int32_t focused = UnitIndexOf(GetFocus());
  if (focused > 0) {
    auto wants = reinterpret_cast<WantsKeyFn>(UnitEntry(TypeAt(uint32_t(focused)), kEntryWantsKey));
    if (wants && wants(UnitAt(uint32_t(focused)), key | modifiers << 16)) return false;
  }
  if (msg->message == WM_SYSKEYDOWN) {
    if ((modifiers & 3) || !(modifiers & 4 || msg->lParam & (1 << 29))) return false;
    return HandleMnemonic(msg);
  }
  if (msg->message != WM_KEYDOWN) return false;
  switch (key) {
    case VK_TAB:
      if (modifiers & 1) return false;
      return MoveFocus(!(modifiers & 2));
    case VK_RETURN: return HandleEnter(focused);
    case VK_ESCAPE:
      if (!props_.escCloses) return false;
      PostMessageA(Handle(), WM_CLOSE, 0, 0);
      return true;
    case VK_F1: return props_.f1Help && OpenHelp();
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: {
      const DataTypeRecord* type = focused > 0 ? TypeAt(uint32_t(focused)) : nullptr;
      if (!type || !(type->flags & kTypeRadioLike)) return false;
      return MoveInGroup(focused, key == VK_RIGHT || key == VK_DOWN);
    }
    default: return false;
  }
}

BOOL WindowUnit::PreTranslateMessage(MSG* msg) {
  if (childMode) return FALSE;
  HWND hwnd = Handle();
  const UINT message = msg->message;
  const bool isKey = message >= WM_KEYFIRST && message <= WM_KEYLAST;
  if (isKey && !IsWindowEnabled(hwnd)) return FALSE;
  if (isKey && accelerators && TranslateAcceleratorA(hwnd, accelerators, msg)) return TRUE;
  UnitLocation other;
  if (msg->hwnd != hwnd && UnitRecordOfHandle(msg->hwnd, &other) && other.index == 0) return FALSE;
  const int32_t target = UnitIndexOf(msg->hwnd);
  if (target > 0) {
    const DataTypeRecord* type = TypeAt(uint32_t(target));
    auto own = reinterpret_cast<UnitPreTranslateFn>(
        type && (type->flags & kTypeHasPreTranslate) ? UnitEntry(type, kEntryPreTranslate) : nullptr);
    if (own && own(UnitAt(uint32_t(target)), msg)) return TRUE;
  }
  if (message == WM_LBUTTONDOWN && props_.dragAnywhere && target >= 0) {
    const DataTypeRecord* type = target > 0 ? TypeAt(uint32_t(target)) : nullptr;
    if ((target == 0 && msg->hwnd == hwnd) || (type && (type->flags & kTypeDragsWindow))) {
      ReleaseCapture();
      SendMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(msg->pt.x, msg->pt.y));
      return TRUE;
    }
  }
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && target >= 0 && HandleKey(msg)) return TRUE;
  // HandleKey may have closed nothing yet (Esc posts), so the object lives.
  return RaiseInputEventsFor(msg, windowId) ? TRUE : FALSE;
}

// --- the window procedure ---

LRESULT WindowUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = Handle();
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      PaintBackground(dc, paint.rcPaint);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the background
    case kPaintBackgroundMessage:
      if (wParam && lParam) PaintBackground(reinterpret_cast<HDC>(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE: RequestClose(); return 0;
    case WM_QUERYENDSESSION: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      return Refuses(kWindowQueryClose) ? FALSE : result;
    }
    case WM_DESTROY: OnDestroy(); return DefaultProc(message, wParam, lParam);
    case WM_ACTIVATE: return OnActivate(wParam, lParam);
    case WM_NCACTIVATE:
      // KeepTitleActive: the title keeps its active look unless disabled.
      if (!wParam && props_.keepTitleActive && IsWindowEnabled(hwnd))
        return DefaultProc(message, TRUE, lParam);
      return DefaultProc(message, wParam, lParam);
    case WM_SETFOCUS: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      OnSetFocus();
      return result;
    }
    case WM_KILLFOCUS: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      RaiseUnitEvent(windowId, 0, kEventFocusLost);
      return result;
    }
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
    case WM_MOVE: RaiseUnitEvent(windowId, 0, kWindowMoved); return 0;
    case WM_SIZE:
      ApplyShape();
      LayoutBars();
      RaiseUnitEvent(windowId, 0, kWindowResized);
      return 0;
    case WM_SHOWWINDOW:
      RaiseUnitEvent(windowId, 0, wParam ? kWindowShowing : kWindowHiding);
      return StillBound(this, hwnd) ? DefaultProc(message, wParam, lParam) : 0;
    case WM_COMMAND:
      if (lParam == 0 && LOWORD(wParam) >= kMenuCommandBase) {
        RaiseMenuCommand(windowId, LOWORD(wParam));
        return 0;
      }
      return DefaultProc(message, wParam, lParam);
    case kUnitsReadyNotice:
      unitsReady_ = true;
      LayoutBars();
      return 0;
    case kTrayCallbackMessage: OnTrayCallback(lParam); return 0;
    case kDeferredDestroyMessage:
      if (reloadPending) {
        if (isModal) RestoreDisabledOwners();
        DestroyWindow();
      }
      return 0;
    case kMessageFindObject: return reinterpret_cast<LRESULT>(static_cast<Wnd*>(this));
    case MM_MCINOTIFY: sound_.OnMciNotify(wParam, lParam); return 0;
    default: return DefaultProc(message, wParam, lParam);
  }
}

// --- the type ---

namespace {

Wnd* __stdcall CreateWindowUnit(const uint8_t* block, uint32_t length, uint32_t style, HWND owner,
                                uint32_t, HMENU menu, int32_t left, int32_t top, int32_t width,
                                int32_t height, uint32_t windowId, uint32_t unitId, uint32_t childMode,
                                uint32_t) {
  auto* window = new WindowUnit();
  window->windowId = windowId;
  window->unitId = unitId;
  window->childMode = childMode;
  if (!window->Create(block, length, style, owner, menu, left, top, width, height)) {
    delete window;
    return nullptr;
  }
  return window;
}

int32_t __stdcall WindowPropertyWritten(Wnd* unit, int32_t index, const PropertyValue* value, uint32_t) {
  if (WindowUnit* window = AsWindow(unit); window && value) window->WriteOwnProperty(index, *value);
  return 0;  // a window is never re-created
}

void* __stdcall SaveWindowUnit(Wnd* unit) {
  WindowUnit* window = AsWindow(unit);
  if (!window) return nullptr;
  return SavedBlockByteSet(SaveWindowProperties(window->Properties()));
}

int32_t __stdcall ReadWindowProperty(Wnd* unit, int32_t index, PropertyValue* value) {
  WindowUnit* window = AsWindow(unit);
  return window && value && window->ReadOwnProperty(index, value) ? 1 : 0;
}

// 7 (designer) and 9 (text visiting) have no caller at run time.
void* __stdcall WindowEntry(int32_t kind) {
  static constexpr UnitEntries kEntries{.create = &CreateWindowUnit,
                                        .written = &WindowPropertyWritten,
                                        .save = &SaveWindowUnit,
                                        .read = &ReadWindowProperty};
  return UnitEntryOf(kEntries, kind);
}

// Declared types of properties 0-31; the first eight are the common ones.
constexpr std::array<uint32_t, kWindowPropertyCount> kPropertyTypes = {
    1001, 1001, 1001, 1001, 1005, 1003, 1003, 1011,  // 0-7
    1005, 1006, 1017, 1009, 1006, 1012, 1006, 1003,  // 8-15
    1003, 1003, 1006, 1003, 1010, 1003, 1003, 1003,  // 16-23
    1016, 1001, 1003, 1003, 1006, 1003, 1003, 1005,  // 24-31
};
static_assert(kPropertyTypes.size() == 32);

const std::array<PropertyDescriptor, kWindowPropertyCount>& Descriptors() {
  static const std::array<PropertyDescriptor, kWindowPropertyCount> table = [] {
    std::array<PropertyDescriptor, kWindowPropertyCount> t{};
    for (uint32_t i = 0; i < kWindowPropertyCount; ++i)
      t[i] = {0, 0, 0, kPropertyTypes[i], i < 8 ? 0xE000u : 0x8000u};
    return t;
  }();
  return table;
}

}  // namespace

DataTypeRecord WindowDataType() {
  return MakeUnitDataType("窗口", "window", kWindowTypeFlags, kWindowPropertyCount,
                          Descriptors().data(), &WindowEntry);
}
