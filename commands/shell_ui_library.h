// The shell-UI library: BrowseForFolder, its notification entry and its
// record for the application's library table.
#pragma once
#include <windows.h>

#include <vector>

#include "commands/library_host.h"
#include "runtime/library_record.h"

LibraryHost& ShellUiHost();
int32_t __stdcall ShellUiLibraryNotify(int32_t code, int32_t argument1, int32_t argument2);
const LibraryRecord& ShellUiLibraryRecord();

// folder_browser.cpp
void __cdecl BrowseForFolder(TypedValue* result, int32_t count, const TypedValue* args);

// Makes a dialog modal to every top-level window of the runtime: entering
// disables them all, leaving gives each its previous state back and
// restores the foreground and active windows.
class ModalOwnerGuard {
 public:
  explicit ModalOwnerGuard(const LibraryHost& host) : host_(host) {}
  ~ModalOwnerGuard() { Leave(); }
  ModalOwnerGuard(const ModalOwnerGuard&) = delete;
  ModalOwnerGuard& operator=(const ModalOwnerGuard&) = delete;

  // Returns the dialog's owner: the active window, or null.
  HWND Enter();
  void Leave();

 private:
  // The first pair is (active window, foreground window); each further
  // pair is (window, 1 if it was enabled).
  struct Pair {
    uint32_t first;
    uint32_t second;
  };
  const LibraryHost& host_;
  std::vector<Pair> pairs_;
};
