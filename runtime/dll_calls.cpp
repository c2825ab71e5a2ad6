// Service 1: declared DLL functions, resolved on first call and cached.
#include <string>

#include "runtime/dll_names.h"
#include "runtime/error_reporter.h"
#include "runtime/runtime_app.h"
#include "runtime/services.h"

namespace {

// The order in which a command without a library name is looked for.
constexpr const char* kSystemLibraries[] = {"Kernel32.dll", "Gdi32.dll",   "User32.dll",
                                            "Advapi32.dll", "Mpr.dll",     "Shell32.dll"};

FARPROC FindExport(HMODULE module, const char* name) {
  uint16_t ordinal = 0;
  if (ParseOrdinalName(name, &ordinal)) return GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
  return GetProcAddress(module, name);
}

const char* Text(uint32_t address) {
  const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
  return text ? text : "";
}

[[noreturn]] void NotFound(const char* library, const char* function) {
  std::string message;
  if (*library) {
    message = std::string("无法找到指定DLL库文件“") + library + "”中的输出命令“" + function + "”";
  } else {
    message = std::string("无法找到指定DLL库文件中的输出命令“") + function + "”";
  }
  ReportError(message.c_str(), 0, 0, 0);
}

uint32_t ResolveOverride(RuntimeApp& app, const char* declared) {
  const std::string name = app.dllOverrideName.empty() ? declared : app.dllOverrideName;
  FARPROC address = FindExport(app.dllOverrideModule, name.c_str());
  if (!address) NotFound("", name.c_str());
  app.dllOverrideModule = nullptr;
  app.dllOverrideName.clear();
  return reinterpret_cast<uint32_t>(address);
}

HMODULE LoadDeclaredLibrary(const RuntimeApp& app, const std::string& library) {
  if (library.find(':') == std::string::npos) {
    std::string candidates[3];
    if (!app.dllExtraDirectory.empty()) candidates[0] = app.dllExtraDirectory + library;
    candidates[1] = app.runDirectory + "\\" + library;
    if (!app.runDirectoryWithSlash.empty()) candidates[2] = app.runDirectoryWithSlash + library;
    for (const std::string& path : candidates) {
      if (path.empty()) continue;
      if (HMODULE module = LoadLibraryA(path.c_str())) return module;
    }
  }
  return LoadLibraryA(library.c_str());
}

}  // namespace

// Resolving loads libraries, and a failed candidate sets the thread's last
// error: a call made only to read GetLastError must still see the error of
// the call before it.
class KeepLastError {
 public:
  KeepLastError() : error_(GetLastError()) {}
  ~KeepLastError() { SetLastError(error_); }

 private:
  DWORD error_;
};

extern "C" uint32_t __cdecl ResolveDllCommand(int32_t index) {
  KeepLastError keep;
  RuntimeApp& app = RuntimeApp::Get();
  const bool inTable = index >= 0 && static_cast<size_t>(index) < app.dllAddresses.size();
  const char* function = inTable ? Text(app.dllFunctionNames[index]) : "";
  const char* library = inTable ? Text(app.dllLibraryNames[index]) : "";

  if (app.dllOverrideModule) return ResolveOverride(app, function);
  if (inTable && app.dllAddresses[index]) return app.dllAddresses[index];

  HMODULE module = nullptr;
  FARPROC address = nullptr;
  if (!*library) {
    for (const char* name : kSystemLibraries) {
      module = LoadLibraryA(name);
      if (!module) continue;
      address = FindExport(module, function);
      if (address) break;
      FreeLibrary(module);
      module = nullptr;
    }
  } else {
    module = LoadDeclaredLibrary(app, library);
    if (module) address = FindExport(module, function);
  }

  if (!address) {
    if (module) FreeLibrary(module);
    NotFound(library, function);
  }
  if (inTable) {
    app.dllAddresses[index] = reinterpret_cast<uint32_t>(address);
    app.dllModules[index] = reinterpret_cast<uint32_t>(module);
  }
  return reinterpret_cast<uint32_t>(address);
}
