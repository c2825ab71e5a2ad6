// The application object: process entry, one-message pump, idle hook.
#pragma once
#include <windows.h>

class WinApp {
 public:
  WinApp();
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;
  virtual ~WinApp();

  static WinApp* Current() { return current_; }

  // Overridables
  // Non-zero: the framework runs its own loop; zero: ExitInstance at once.
  virtual BOOL InitInstance() { return FALSE; }
  // Its result is the process exit code.
  virtual int ExitInstance() { return static_cast<int>(LastMessage().wParam); }
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Framework idle work; non-zero asks for more idle time.
  virtual BOOL OnIdle(LONG count);
  // Whether idle processing is due after this message.
  virtual BOOL IsIdleMessage(const MSG* msg);

  // Operations
  // Takes one message and dispatches it. False when it was WM_QUIT.
  BOOL PumpMessage();
  int Run();
  // What PumpMessage last took on the calling thread: every thread that
  // pumps (a worker's modal loop, a pump around window creation) keeps its
  // own, so one never sees another's message.
  const MSG& LastMessage() const;

 private:
  static WinApp* current_;
};

// What the process entry runs: InitInstance, then Run or ExitInstance.
int RunApplication();
