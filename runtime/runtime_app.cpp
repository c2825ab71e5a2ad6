#include "runtime/runtime_app.h"

#include <ole2.h>
#include <winsock2.h>

#include <algorithm>

#include "runtime/address_word.h"
#include "runtime/error_reporter.h"
#include "runtime/form_seam.h"
#include "runtime/host_service.h"
#include "runtime/services.h"

namespace {

// Routines inside the runtime that serve the first optional-module slot:
// no module is built in, so each reports that nothing is there.
uint32_t __cdecl NoModuleOpen() { return 0; }
uint32_t __cdecl NoModuleFind() { return 0; }
void __cdecl NoModuleRelease() {}

}  // namespace

// --- HiddenOwnerWindow ---

bool HiddenOwnerWindow::Create() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Wnd::ClassProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = Wnd::ArrowCursor();
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);  // already registered is fine
  return CreateEx(WS_EX_TOOLWINDOW, kClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr) != nullptr;
}

LRESULT HiddenOwnerWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMessageEndProgram) RuntimeApp::Get().EndProgram(static_cast<int32_t>(wParam));
  return DefaultProc(message, wParam, lParam);
}

// --- RuntimeApp ---

RuntimeApp::RuntimeApp(const ProgramImage* image, uint32_t entry, const FormSeam* forms)
    : image(image), forms(forms), entrySubroutine(entry) {
  InitializeCriticalSection(&soundLock);
}

RuntimeApp::~RuntimeApp() {
  Cleanup(0);
  DeleteCriticalSection(&soundLock);
}

static std::string ModuleDirectory(bool withSlash, std::string* fileName) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full = path;
  const size_t slash = full.rfind('\\');
  if (slash == std::string::npos) {
    if (fileName) *fileName = full;
    return "";
  }
  if (fileName) *fileName = full.substr(slash + 1);
  return full.substr(0, withSlash ? slash + 1 : slash);
}

// An absent module's slot: the code segment's 0-returning routine (just
// before codeBase) for open and find, its bare return for release.
static OptionalModuleSlot AbsentModuleSlot(const ProgramImage* image) {
  if (!image || !image->codeBase) return {};
  const uint32_t returnZero = image->codeBase - 4, bareReturn = image->codeBase - 2;
  return {returnZero, returnZero, bareReturn};
}

BOOL RuntimeApp::InitInstance() {
  runDirectoryWithSlash = ModuleDirectory(true, nullptr);
  moduleSlots[1] = AbsentModuleSlot(image);
  if (!entrySubroutine) return FALSE;
  return static_cast<BOOL>(CallSaved0(entrySubroutine));
}

void RuntimeApp::InitialiseRuntime() {
  heap = GetProcessHeap();
  runMode = static_cast<int32_t>(image->runMode);
  reserved = static_cast<int32_t>(image->reserved);
  serialCounter = static_cast<int32_t>(image->lastSerial) + 1;
  if (!oleInitialised && SUCCEEDED(OleInitialize(nullptr))) oleInitialised = true;

  runDirectory = ModuleDirectory(false, &programFileName);
  SetCurrentDirectoryA(runDirectory.c_str());

  moduleSlots[0] = {reinterpret_cast<uint32_t>(&NoModuleOpen), reinterpret_cast<uint32_t>(&NoModuleFind),
                    reinterpret_cast<uint32_t>(&NoModuleRelease)};
  moduleSlots[1] = moduleSlots[2] = AbsentModuleSlot(image);

  hiddenOwner.Create();
  mainThreadId = GetCurrentThreadId();
  if (image->constantsSize != 0) {
    constantsStart = image->constantsAddress;
    constantsEnd = constantsStart + image->constantsSize;
  }

  const uint32_t dllCount = image->dllCommandCount;
  if (static_cast<int32_t>(dllCount) > 0) {
    const uint32_t* names = AtAddress<uint32_t>(image->dllLibraryNames);
    const uint32_t* functions = AtAddress<uint32_t>(image->dllFunctionNames);
    dllLibraryNames.assign(names, names + dllCount);
    dllFunctionNames.assign(functions, functions + dllCount);
    dllModules.assign(dllCount, 0);
    dllAddresses.assign(dllCount, 0);
  }

  const uint32_t* table = AtAddress<uint32_t>(image->libraryTable);
  if (table) libraries.assign(table, table + image->libraryCount);
  for (uint32_t address : libraries) {
    const LibraryInfo* info = AtAddress<LibraryInfo>(address);
    if (info && info->notify) {
      auto notify = reinterpret_cast<int32_t(__stdcall*)(int32_t, int32_t, int32_t)>(info->notify);
      notify(1, static_cast<int32_t>(reinterpret_cast<uintptr_t>(&HostService)), 0);
    }
  }
  libraryWords.assign(libraries.size(), 0);

  if (image->templateSize != 0) {
    const bool loaded = forms && forms->loadTemplate &&
                        forms->loadTemplate(AtAddress<uint8_t>(image->templateAddress), image->templateSize,
                                            image->codeBase);
    if (!loaded) ReportError("载入窗口模板数据段出错!", 0, 0, 0);
  }
}

const LibraryInfo* RuntimeApp::Library(uint32_t index) const {
  return index < libraries.size() ? AtAddress<LibraryInfo>(libraries[index]) : nullptr;
}

const DataTypeRecord* RuntimeApp::FindDataTypeRecord(uint32_t code) const {
  return FindDataTypeRecordIn(reinterpret_cast<const LibraryInfo* const*>(libraries.data()),
                              static_cast<uint32_t>(libraries.size()), code);
}

void RuntimeApp::LoadStartupWindow(uint32_t windowId) {
  const bool shown = forms && forms->loadWindow && forms->loadWindow(windowId, 1, false, nullptr);
  if (!shown) ReportError("载入启动窗口失败", 0, windowId, 0);
}

static bool AnyWindowLive(const FormSeam* forms) {
  return forms && forms->anyWindowLive && forms->anyWindowLive();
}

void RuntimeApp::RunMessageLoop() {
  messageLoopEntered = true;
  if (!AnyWindowLive(forms)) return;
  RunLoop(false);
}

void RuntimeApp::RunModal(uint32_t windowId) {
  const uint32_t saved = modalWindowId;
  modalWindowId = windowId;
  RunLoop(true);
  modalWindowId = saved;
}

void RuntimeApp::RunLoop(bool nested) {
  bool idle = true;
  LONG idleCount = 0;
  MSG peek{};
  for (;;) {
    while (idle) {
      if (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) break;
      if (OnMainThread()) {
        RunIdleCallbacks();
        if (!OnIdle(idleCount++)) idle = false;
      } else {
        idle = false;  // a worker's modal loop only waits for messages
      }
      if (nested && modalWindowId == 0) return;
    }
    do {
      if (nested && (peek.message == WM_QUIT || modalWindowId == 0)) return;
      if (!PumpMessage()) {
        // A quit taken while waiting is the main loop's too: queue it again.
        if (nested) PostQuitMessage(static_cast<int>(LastMessage().wParam));
        return;
      }
      if (IsIdleMessage(&LastMessage())) {
        idle = true;
        idleCount = 0;
      }
    } while (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
  }
}

bool RuntimeApp::OnMainThread() const { return !mainThreadId || GetCurrentThreadId() == mainThreadId; }

void RuntimeApp::RunIdleCallbacks() {
  // Last to first, so a callback may remove its own entry.
  for (size_t i = idleWindows.size(); i-- > 0;) {
    if (i >= idleWindows.size()) continue;
    if (IsWindow(idleWindows[i])) {
      CallSaved1(idleCallbacks[i], idleParameters[i]);
    } else {
      idleWindows.erase(idleWindows.begin() + static_cast<ptrdiff_t>(i));
      idleCallbacks.erase(idleCallbacks.begin() + static_cast<ptrdiff_t>(i));
      idleParameters.erase(idleParameters.begin() + static_cast<ptrdiff_t>(i));
    }
  }
}

BOOL RuntimeApp::OnIdle(LONG count) {
  if (count == 0) {
    idleStartTick_ = GetTickCount();
    idleFinished_.clear();
    frameworkIdle_ = true;
  }
  if (frameworkIdle_) {
    frameworkIdle_ = WinApp::OnIdle(count) != FALSE;
    return TRUE;
  }
  if (count == 1) return TRUE;
  if (!forms || !forms->windowCount || !forms->raiseIdleEvent) return FALSE;
  bool more = false;
  const uint32_t elapsed = GetTickCount() - idleStartTick_;
  for (int i = 0, n = forms->windowCount(); i < n; ++i) {
    if (std::find(idleFinished_.begin(), idleFinished_.end(), i) != idleFinished_.end()) continue;
    bool exists = false;
    if (forms->raiseIdleEvent(i, elapsed, &exists)) more = true;
    else if (exists) idleFinished_.push_back(i);
  }
  return more;
}

BOOL RuntimeApp::PreTranslateMessage(MSG* msg) {
  if (!msg->hwnd && WinApp::PreTranslateMessage(msg)) return TRUE;
  for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
    Wnd* object = Wnd::FromHandlePermanent(hwnd);
    if (!object) object = reinterpret_cast<Wnd*>(SendMessageA(hwnd, kMessageFindObject, 0, 0));
    if (object && object->PreTranslateMessage(msg)) return TRUE;
  }
  return FALSE;
}

bool RuntimeApp::PumpWaiting() {
  MSG peek;
  while (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
    if (peek.message == WM_QUIT) return true;
    PumpMessage();
  }
  return false;
}

void RuntimeApp::CheckLastWindowClosed() {
  if (!messageLoopEntered || AnyWindowLive(forms)) return;
  // The quit belongs in the main loop's queue, whichever thread's window
  // was the last.
  if (mainThreadId && GetCurrentThreadId() != mainThreadId)
    PostThreadMessageA(mainThreadId, WM_QUIT, 0, 0);
  else
    PostQuitMessage(0);
}

void RuntimeApp::RegisterEndHandler(uint32_t subroutine) {
  if (std::find(endHandlers.begin(), endHandlers.end(), subroutine) == endHandlers.end())
    endHandlers.push_back(subroutine);
}

void RuntimeApp::AddIdleCallback(HWND hwnd, uint32_t callback, uint32_t parameter) {
  if (!hwnd || !IsWindow(hwnd) || !callback) return;
  if (std::find(idleWindows.begin(), idleWindows.end(), hwnd) != idleWindows.end()) return;
  idleWindows.push_back(hwnd);
  idleCallbacks.push_back(callback);
  idleParameters.push_back(parameter);
}

void RuntimeApp::RemoveIdleCallback(HWND hwnd) {
  auto it = std::find(idleWindows.begin(), idleWindows.end(), hwnd);
  if (it == idleWindows.end()) return;
  const auto i = it - idleWindows.begin();
  idleWindows.erase(it);
  idleCallbacks.erase(idleCallbacks.begin() + i);
  idleParameters.erase(idleParameters.begin() + i);
}

int RuntimeApp::ExitInstance() {
  Cleanup(0);
  return WinApp::ExitInstance();
}

void RuntimeApp::EndProgram(int32_t code) {
  Cleanup(code);
  ExitProcess(static_cast<UINT>(code));
}

void RuntimeApp::NotifyLibraries(int32_t code, bool passWord) {
  for (size_t i = 0; i < libraries.size(); ++i) {
    const LibraryInfo* info = AtAddress<LibraryInfo>(libraries[i]);
    if (!info || !info->notify) continue;
    auto notify = reinterpret_cast<int32_t(__stdcall*)(int32_t, int32_t, int32_t)>(info->notify);
    notify(code, passWord && i < libraryWords.size() ? static_cast<int32_t>(libraryWords[i]) : 0, 0);
  }
}

void RuntimeApp::ReleaseDllModules() {
  for (uint32_t module : dllModules)
    if (module) FreeLibrary(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(module)));
  dllLibraryNames.clear();
  dllFunctionNames.clear();
  dllModules.clear();
  dllAddresses.clear();
}

void RuntimeApp::Cleanup(int32_t code) {
  InterlockedIncrement(&suppressDepth);
  if (mainThreadId && GetCurrentThreadId() != mainThreadId) {
    // Only the main thread cleans up; this thread waits for it to end us.
    if (hiddenOwner.Handle()) SendMessageA(hiddenOwner.Handle(), kMessageEndProgram, static_cast<WPARAM>(code), 0);
    if (!ending) ExitProcess(static_cast<UINT>(code));
    return;
  }
  ending = true;
  idleWindows.clear();
  idleCallbacks.clear();
  idleParameters.clear();
  if (forms && forms->discardRegistry) forms->discardRegistry();

  // Each handler is taken off the list before it runs, so one that ends
  // the program again does not run the handlers a second time. Handlers
  // may register more; take them in order until none is left.
  while (!endHandlers.empty()) {
    const uint32_t handler = endHandlers.front();
    endHandlers.erase(endHandlers.begin());
    CallSaved0(handler);
  }

  NotifyLibraries(6, true);
  libraries.clear();
  libraryWords.clear();
  ReleaseDllModules();

  for (HMODULE module : extraLibraries) FreeLibrary(module);
  extraLibraries.clear();
  extraLibraryNames.clear();

  dllOverrideModule = nullptr;
  dllOverrideName.clear();
  dllExtraDirectory.clear();
  constantsStart = constantsEnd = 0;
  if (defaultIcon) DestroyIcon(defaultIcon);
  if (defaultSmallIcon) DestroyIcon(defaultSmallIcon);
  defaultIcon = defaultSmallIcon = nullptr;

  if (hiddenOwner.IsWindow()) hiddenOwner.DestroyWindow();
  if (socketsStarted) {
    WSACleanup();
    socketsStarted = false;
  }
  if (oleInitialised) {
    OleUninitialize();
    oleInitialised = false;
  }
}
