// A window object bound to a window handle, the thin layer units stand on.
// One static window procedure; the handle-to-object map is filled on the
// first message a window receives while it is being created.
#pragma once
#include <windows.h>

class Wnd {
 public:
  Wnd() = default;
  Wnd(const Wnd&) = delete;
  Wnd& operator=(const Wnd&) = delete;
  virtual ~Wnd();

  // Attributes
  HWND Handle() const { return hwnd_; }
  bool IsWindow() const { return hwnd_ && ::IsWindow(hwnd_); }
  // The object bound to a handle on the calling thread, or null.
  static Wnd* FromHandlePermanent(HWND hwnd);

  // Operations
  // Registers nothing: the class must exist. Binds the object to the new window.
  HWND CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menu);
  bool Attach(HWND hwnd);  // bind without subclassing
  HWND Detach();
  // Routes an existing window's messages (e.g. a standard control) through
  // this object; the previous procedure still gets what we pass on.
  bool Subclass(HWND hwnd);
  bool DestroyWindow();
  // The procedure that window classes meant for Wnd objects register.
  static LRESULT CALLBACK ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The arrow cursor those classes show, looked up once: under Wine every
  // LoadCursorA is a round trip to the server.
  static HCURSOR ArrowCursor();

  // Overridables
  // Returns true when the message was taken; non-zero reflection results
  // mean handled as well.
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // A child's notification (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM,
  // scroll) reflected back to the child's own object; true when handled.
  virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Called after the window is gone; the object may delete itself here.
  virtual void OnFinalMessage() {}

 protected:
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void Bind(HWND hwnd);
  void Unbind();

  HWND hwnd_ = nullptr;
  WNDPROC previousProc_ = nullptr;
};
