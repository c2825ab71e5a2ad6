// The import slots of the system functions that nothing needs before the
// first window shows (the spinner and tooltip classes, sounds, the folder
// dialog, the tray icon, sockets' clean-up). Each slot starts at a stub
// that loads the DLL, points the slot at the real function and calls it, so
// the DLL is loaded at the first call instead of at every start. GNU ld's
// own delay-load imports do not work for calls through dllimport slots on
// i386, which is how every caller here reaches these functions.
//
// The build links this library ahead of the system import libraries
// (cmake/late_imports.cmake); any other function of these DLLs still comes
// through its ordinary import.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winsock2.h>

namespace {

// The function, or null when its DLL or the export is missing.
template <typename Fn>
Fn Bind(const char* dll, const char* name) {
  HMODULE module = LoadLibraryA(dll);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <typename Fn>
struct ResultOf;
template <typename R, typename... Args>
struct ResultOf<R(WINAPI*)(Args...)> {
  using type = R;
};

}  // namespace

// One slot and its stub. The slot's name is the one the import library
// gives it (stdcall decoration included); a missing function answers
// `failure`.
#define LATE_IMPORT(dll, function, decorated, failure, params, args)                                    \
  namespace {                                                                                          \
  using function##Fn = decltype(&function);                                                            \
  ResultOf<function##Fn>::type WINAPI Late##function params;                                           \
  }                                                                                                    \
  extern "C" {                                                                                         \
  __attribute__((used)) function##Fn late_##function __asm__("__imp__" decorated) = &Late##function;   \
  }                                                                                                    \
  namespace {                                                                                          \
  ResultOf<function##Fn>::type WINAPI Late##function params {                                          \
    const function##Fn bound = Bind<function##Fn>(dll, #function);                                     \
    if (!bound) return failure;                                                                        \
    late_##function = bound;                                                                           \
    return bound args;                                                                                 \
  }                                                                                                    \
  }

LATE_IMPORT("comctl32.dll", InitCommonControlsEx, "InitCommonControlsEx@4", FALSE,
            (const INITCOMMONCONTROLSEX* controls), (controls))
LATE_IMPORT("shell32.dll", SHBrowseForFolderA, "SHBrowseForFolderA@4", nullptr, (LPBROWSEINFOA info), (info))
LATE_IMPORT("shell32.dll", SHGetMalloc, "SHGetMalloc@4", E_FAIL, (IMalloc** allocator), (allocator))
LATE_IMPORT("shell32.dll", SHGetPathFromIDListA, "SHGetPathFromIDListA@8", FALSE, (PCIDLIST_ABSOLUTE items, LPSTR path),
            (items, path))
LATE_IMPORT("shell32.dll", Shell_NotifyIconA, "Shell_NotifyIconA@8", FALSE, (DWORD message, PNOTIFYICONDATAA data),
            (message, data))
LATE_IMPORT("winmm.dll", PlaySoundA, "PlaySoundA@12", FALSE, (LPCSTR sound, HMODULE module, DWORD flags),
            (sound, module, flags))
LATE_IMPORT("winmm.dll", mciSendStringA, "mciSendStringA@16", MCIERR_DEVICE_NOT_INSTALLED,
            (LPCSTR command, LPSTR reply, UINT length, HWND notify), (command, reply, length, notify))
LATE_IMPORT("winmm.dll", mciGetDeviceIDA, "mciGetDeviceIDA@4", 0, (LPCSTR device), (device))
LATE_IMPORT("ws2_32.dll", WSACleanup, "WSACleanup@0", SOCKET_ERROR, (), ())
