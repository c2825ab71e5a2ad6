#include "framework/wnd.h"

#include <unordered_map>

namespace {

// Handles and their objects live per thread, as windows do.
thread_local std::unordered_map<HWND, Wnd*>* t_map = nullptr;
thread_local Wnd* t_creating = nullptr;

std::unordered_map<HWND, Wnd*>& Map() {
  if (!t_map) t_map = new std::unordered_map<HWND, Wnd*>();
  return *t_map;
}

}  // namespace

Wnd::~Wnd() {
  if (hwnd_) Unbind();
}

Wnd* Wnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd || !t_map) return nullptr;
  auto it = t_map->find(hwnd);
  return it == t_map->end() ? nullptr : it->second;
}

void Wnd::Bind(HWND hwnd) {
  hwnd_ = hwnd;
  Map()[hwnd] = this;
}

void Wnd::Unbind() {
  if (t_map) {
    auto it = t_map->find(hwnd_);
    if (it != t_map->end() && it->second == this) t_map->erase(it);
  }
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

