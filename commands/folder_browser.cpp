// The shell's folder dialog, modal to every window of the runtime.
#include <objbase.h>
#include <shlobj.h>

#include "commands/shell_ui_library.h"

namespace {

HWND WindowOf(uint32_t word) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(word)); }

// The item list belongs to the shell's allocator.
void FreeItemList(LPITEMIDLIST items) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return;
  allocator->Free(items);
  allocator->Release();
}

}  // namespace

HWND ModalOwnerGuard::Enter() {
  HWND active = GetActiveWindow();
  if (!IsWindow(active)) active = nullptr;
  pairs_.push_back({WordOf(active), WordOf(GetForegroundWindow())});
  const int32_t count = host_.Call(kHostWindowCount);
  for (int32_t i = 0; i < count; ++i) {
    HWND window = WindowOf(static_cast<uint32_t>(host_.Call(kHostWindowHandle, i)));
    if (!window || GetParent(window)) continue;
    pairs_.push_back({WordOf(window), IsWindowEnabled(window) ? 1u : 0u});
    EnableWindow(window, FALSE);
  }
  return active;
}

void ModalOwnerGuard::Leave() {
  if (pairs_.empty()) return;
  for (size_t i = 1; i < pairs_.size(); ++i) EnableWindow(WindowOf(pairs_[i].first), pairs_[i].second != 0);
  HWND foreground = WindowOf(pairs_[0].second);
  HWND active = WindowOf(pairs_[0].first);
  if (foreground && IsWindow(foreground)) SetForegroundWindow(foreground);
  if (active && IsWindow(active)) SetActiveWindow(active);
  pairs_.clear();
}

// Arguments: title text, include files (optional boolean).
void __cdecl BrowseForFolder(TypedValue* result, int32_t count, const TypedValue* args) {
  char buffer[MAX_PATH] = "";
  const TypedValue* includeFiles = GivenArgument(count, args, 1);
  BROWSEINFOA info{};
  info.pszDisplayName = buffer;
  info.lpszTitle = AddressOf<const char>(WordAt(count, args, 0));
  info.ulFlags = BIF_EDITBOX | (includeFiles && includeFiles->low ? BIF_BROWSEINCLUDEFILES : 0);

  // The shell dialog needs COM on this thread; a worker may not have it yet.
  const bool comStarted = SUCCEEDED(CoInitialize(nullptr));
  LPITEMIDLIST items = nullptr;
  {
    ModalOwnerGuard guard(ShellUiHost());
    info.hwndOwner = guard.Enter();
    items = SHBrowseForFolderA(&info);
  }
  if (items) {
    buffer[0] = '\0';
    if (SHGetPathFromIDListA(items, buffer)) SetWord(result, TextResult(ShellUiHost(), buffer));
    FreeItemList(items);
  }
  if (comStarted) CoUninitialize();
}
