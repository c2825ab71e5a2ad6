#include "framework/win_app.h"

#include "framework/wnd.h"

WinApp* WinApp::current_ = nullptr;

WinApp::WinApp() { current_ = this; }

WinApp::~WinApp() {
  if (current_ == this) current_ = nullptr;
}

BOOL WinApp::PreTranslateMessage(MSG* msg) {
  for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
    Wnd* object = Wnd::FromHandlePermanent(hwnd);
    if (object && object->PreTranslateMessage(msg)) return TRUE;
  }
  return FALSE;
}

BOOL WinApp::OnIdle(LONG count) { return count <= 0; }

BOOL WinApp::IsIdleMessage(const MSG* msg) {
  // Mouse moves that do not move and the paint and caret timers do not
  // start a new idle period; otherwise idle work would never settle.
  if (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) {
    if (msg->message == lastMouseMessage_ && msg->pt.x == lastMousePoint_.x &&
        msg->pt.y == lastMousePoint_.y)
      return FALSE;
    lastMousePoint_ = msg->pt;
    lastMouseMessage_ = msg->message;
    return TRUE;
  }
  return msg->message != WM_PAINT && msg->message != 0x0118;  // WM_SYSTIMER
}

BOOL WinApp::PumpMessage() {
  if (!GetMessageA(&lastMessage_, nullptr, 0, 0)) return FALSE;
  if (!PreTranslateMessage(&lastMessage_)) {
    TranslateMessage(&lastMessage_);
    DispatchMessageA(&lastMessage_);
  }
  return TRUE;
}

int WinApp::Run() {
  LONG idleCount = 0;
  bool idle = true;
  for (;;) {
    MSG peek;
    while (idle && !PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      if (IsIdleMessage(&lastMessage_)) {
        idle = true;
        idleCount = 0;
      }
    } while (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
  }
}

int RunApplication() {
  WinApp* app = WinApp::Current();
  if (!app) return -1;
  if (app->InitInstance()) return app->Run();
  return app->ExitInstance();
}
