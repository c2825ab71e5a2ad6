// The one application object of the process: start-up, the message loop and
// the end of the program.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/win_app.h"
#include "framework/wnd.h"
#include "runtime/program_image.h"

struct FormSeam;

// Private messages.
constexpr UINT kMessageFindObject = 0x8002;  // answer: the window's Wnd*
constexpr UINT kMessageEndProgram = 0x83E7;  // wParam: exit code

// Invisible tool window that owns ownerless windows and takes end requests
// from other threads.
class HiddenOwnerWindow : public Wnd {
 public:
  static constexpr const char* kClassName = "_NX_HideOwner";
  bool Create();
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Three routines through which the runtime reaches an optional module.
struct OptionalModuleSlot {
  uint32_t open;
  uint32_t find;
  uint32_t release;
};

class RuntimeApp : public WinApp {
 public:
  // entry: the application's entry subroutine; forms: null for none.
  RuntimeApp(const ProgramImage* image, uint32_t entry, const FormSeam* forms);
  ~RuntimeApp() override;

  static RuntimeApp& Get() { return *static_cast<RuntimeApp*>(WinApp::Current()); }
  static bool Exists() { return WinApp::Current() != nullptr; }

  // Overrides
  BOOL InitInstance() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnIdle(LONG count) override;
  int ExitInstance() override;

  // Operations
  void InitialiseRuntime();
  void LoadStartupWindow(uint32_t windowId);
  void RunMessageLoop();
  // Nested loop until the window's destruction notice clears modalWindowId.
  void RunModal(uint32_t windowId);
  [[noreturn]] void EndProgram(int32_t code);
  // End-of-program cleanup; safe to run again. Returns on the main thread.
  void Cleanup(int32_t code);
  void RegisterEndHandler(uint32_t subroutine);
  void AddIdleCallback(HWND hwnd, uint32_t callback, uint32_t parameter);
  void RemoveIdleCallback(HWND hwnd);
  // Pumps waiting messages; true when it stopped at a waiting WM_QUIT.
  bool PumpWaiting();
  // After a runtime window is destroyed: ends the loop when none is left.
  void CheckLastWindowClosed();
  // Idle callbacks and idle events belong to the main thread.
  bool OnMainThread() const;
  // Library i's LibraryInfo, or null.
  const LibraryInfo* Library(uint32_t index) const;
  const DataTypeRecord* FindDataTypeRecord(uint32_t code) const;

  // State (read and written by the services)
  const ProgramImage* image;
  const FormSeam* forms;
  uint32_t entrySubroutine;
  int32_t runMode = 0;
  int32_t reserved = 0;
  int32_t serialCounter = 0;
  std::string runDirectory;          // no trailing backslash
  std::string programFileName;
  std::string runDirectoryWithSlash;
  std::vector<uint32_t> libraries;      // LibraryInfo addresses
  std::vector<uint32_t> libraryWords;   // one zeroed word each
  std::vector<uint32_t> dllLibraryNames;
  std::vector<uint32_t> dllFunctionNames;
  std::vector<uint32_t> dllModules;
  std::vector<uint32_t> dllAddresses;
  HMODULE dllOverrideModule = nullptr;
  std::string dllOverrideName;
  std::string dllExtraDirectory;
  uintptr_t constantsStart = 0;
  uintptr_t constantsEnd = 0;
  HANDLE heap = nullptr;
  DWORD mainThreadId = 0;
  HiddenOwnerWindow hiddenOwner;
  bool oleInitialised = false;
  volatile LONG suppressDepth = 0;
  bool messageLoopEntered = false;
  volatile uint32_t modalWindowId = 0;
  volatile bool ending = false;
  std::vector<uint32_t> endHandlers;
  std::vector<HWND> idleWindows;
  std::vector<uint32_t> idleCallbacks;
  std::vector<uint32_t> idleParameters;
  int (__cdecl* errorHook)(int32_t code, const char* text) = nullptr;
  volatile bool errorHookRunning = false;
  OptionalModuleSlot moduleSlots[3]{};
  std::vector<HMODULE> extraLibraries;
  std::vector<std::string> extraLibraryNames;
  HICON defaultIcon = nullptr;
  HICON defaultSmallIcon = nullptr;
  bool socketsStarted = false;
  CRITICAL_SECTION soundLock;

 private:
  void RunLoop(bool nested);
  void RunIdleCallbacks();
  void NotifyLibraries(int32_t code, bool passWord);
  void ReleaseDllModules();

  DWORD idleStartTick_ = 0;
  bool frameworkIdle_ = false;
  std::vector<int> idleFinished_;
};
