#include "framework/win_app.h"

#include "framework/wnd.h"

namespace {

struct PumpState {
  MSG last;
  POINT mousePoint;
  UINT mouseMessage;
};
thread_local PumpState t_pump{{}, {-1, -1}, 0};

}  // namespace

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
    if (msg->message == t_pump.mouseMessage && msg->pt.x == t_pump.mousePoint.x &&
        msg->pt.y == t_pump.mousePoint.y)
      return FALSE;
    t_pump.mousePoint = msg->pt;
    t_pump.mouseMessage = msg->message;
    return TRUE;
  }
  return msg->message != WM_PAINT && msg->message != 0x0118;  // WM_SYSTIMER
}

const MSG& WinApp::LastMessage() const { return t_pump.last; }

BOOL WinApp::PumpMessage() {
  // Dispatch from a copy: a handler that pumps again on this thread must
  // not change the message being dispatched.
  MSG msg;
  const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  t_pump.last = msg;
  if (!got) return FALSE;
  if (!PreTranslateMessage(&msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  t_pump.last = msg;  // a nested pump meanwhile took its own
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
      if (IsIdleMessage(&LastMessage())) {
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
