#include "framework/wnd.h"

#include <unordered_map>

namespace {

// Handles and their objects, for every thread. A binding answers lookups on
// the thread that made it only (windows belong to threads), but any thread
// may end it: the end-of-program cleanup deletes objects that workers made.
struct Binding {
  Wnd* object;
  DWORD thread;
};
SRWLOCK g_mapLock = SRWLOCK_INIT;
std::unordered_map<HWND, Binding>* g_map = nullptr;  // never freed: threads may outlive statics
thread_local Wnd* t_creating = nullptr;

}  // namespace

Wnd::~Wnd() {
  if (hwnd_) Unbind();
}

Wnd* Wnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  Wnd* object = nullptr;
  AcquireSRWLockShared(&g_mapLock);
  if (g_map) {
    auto it = g_map->find(hwnd);
    if (it != g_map->end() && it->second.thread == GetCurrentThreadId()) object = it->second.object;
  }
  ReleaseSRWLockShared(&g_mapLock);
  return object;
}

void Wnd::Bind(HWND hwnd) {
  hwnd_ = hwnd;
  AcquireSRWLockExclusive(&g_mapLock);
  if (!g_map) g_map = new std::unordered_map<HWND, Binding>();
  (*g_map)[hwnd] = {this, GetCurrentThreadId()};
  ReleaseSRWLockExclusive(&g_mapLock);
}

void Wnd::Unbind() {
  AcquireSRWLockExclusive(&g_mapLock);
  if (g_map) {
    auto it = g_map->find(hwnd_);
    if (it != g_map->end() && it->second.object == this) g_map->erase(it);
  }
  ReleaseSRWLockExclusive(&g_mapLock);
  if (previousProc_ && ::IsWindow(hwnd_))
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  previousProc_ = nullptr;
  hwnd_ = nullptr;
}

HWND Wnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                   int y, int width, int height, HWND parent, HMENU menu) {
  Wnd* outer = t_creating;
  t_creating = this;
  HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                              GetModuleHandleA(nullptr), nullptr);
  t_creating = outer;
  if (hwnd && hwnd_ != hwnd) {
    // The class does not use WndClassProc: route it through us afterwards.
    Subclass(hwnd);
  }
  return hwnd;
}

bool Wnd::Attach(HWND hwnd) {
  if (!hwnd || hwnd_ || FromHandlePermanent(hwnd)) return false;
  Bind(hwnd);
  return true;
}

HWND Wnd::Detach() {
  HWND hwnd = hwnd_;
  if (hwnd) Unbind();
  return hwnd;
}

bool Wnd::Subclass(HWND hwnd) {
  if (!Attach(hwnd)) return false;
  previousProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClassProc)));
  return true;
}

bool Wnd::DestroyWindow() { return hwnd_ && ::DestroyWindow(hwnd_); }

BOOL Wnd::PreTranslateMessage(MSG*) { return FALSE; }

bool Wnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT Wnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultProc(message, wParam, lParam);
}

LRESULT Wnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (previousProc_) return CallWindowProcA(previousProc_, hwnd_, message, wParam, lParam);
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

// Finds the child a notification speaks of and offers it the message.
bool Wnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND child = nullptr;
  switch (message) {
    case WM_COMMAND: child = reinterpret_cast<HWND>(lParam); break;
    case WM_NOTIFY: child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom; break;
    case WM_DRAWITEM: child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem; break;
    case WM_HSCROLL:
    case WM_VSCROLL: child = reinterpret_cast<HWND>(lParam); break;
    case WM_CTLCOLORBTN: case WM_CTLCOLOREDIT: case WM_CTLCOLORDLG: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      child = reinterpret_cast<HWND>(lParam);
      break;
    default: return false;
  }
  Wnd* object = FromHandlePermanent(child);
  return object && object->OnReflectedMessage(message, wParam, lParam, result);
}

HCURSOR Wnd::ArrowCursor() {
  static const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  return arrow;
}

LRESULT CALLBACK Wnd::ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Wnd* self = FromHandlePermanent(hwnd);
  if (!self && t_creating && !t_creating->hwnd_) {
    self = t_creating;
    self->Bind(hwnd);
  }
  if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);

  LRESULT result = 0;
  if (ReflectToChild(message, wParam, lParam, &result)) return result;
  result = self->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->Unbind();
    self->OnFinalMessage();
  }
  return result;
}

