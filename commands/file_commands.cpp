// Files and directories: writing byte-sets to a file, deleting a tree.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/core_library.h"
#include "commands/path_rules.h"
#include "commands/thread_messages.h"
#include "runtime/services.h"

namespace {

bool WriteAll(HANDLE file, const uint8_t* bytes, uint32_t length) {
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, length, &written, nullptr) || written == 0) return false;
    bytes += written;
    length -= written;
  }
  return true;
}

enum class EntryKind { File, Directory, Link };

struct ListingEntry {
  std::string path;
  EntryKind kind;
};

// Every entry of directory, listed in full before anything is deleted.
// Names that begin with a full stop (., .. and hidden-by-name entries) are
// left out.
std::vector<ListingEntry> ListDirectory(const std::string& directory) {
  std::vector<ListingEntry> listing;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return listing;
  do {
    if (found.cFileName[0] == '.') continue;
    EntryKind kind = EntryKind::File;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or directory link is removed itself: its target is
      // somebody else's tree.
      kind = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::Link : EntryKind::Directory;
    }
    listing.push_back({directory + "\\" + found.cFileName, kind});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return listing;
}

// A long deletion tells the caller how far it got, and keeps the calling
// thread's windows painted and answering, at most every few ticks.
class DeleteProgress {
 public:
  DeleteProgress(uint32_t reader, uint32_t parameter)
      : reader_(reader), parameter_(parameter), serve_(ThreadHasWindows()), last_(GetTickCount()) {}
  void Removed(bool removed) {
    if (removed) ++removed_;
    if (!reader_ && !serve_) return;
    const DWORD now = GetTickCount();
    if (now - last_ < kIntervalMs) return;
    last_ = now;
    Report();
  }
  void Report() {
    if (serve_) ServePaintAndSent();
    if (!reader_) return;
    const uint32_t words[2] = {parameter_, removed_};
    CallSaved(reader_, 2, words);
  }

 private:
  static constexpr DWORD kIntervalMs = 100;
  uint32_t reader_, parameter_;
  bool serve_;
  DWORD last_;
  uint32_t removed_ = 0;
};

void DeleteContents(const std::string& directory, DeleteProgress& progress) {
  for (const ListingEntry& entry : ListDirectory(directory)) {
    switch (entry.kind) {
      case EntryKind::Directory:
        DeleteContents(entry.path, progress);
        progress.Removed(RemoveDirectoryA(entry.path.c_str()) != 0);
        break;
      case EntryKind::Link: progress.Removed(RemoveDirectoryA(entry.path.c_str()) != 0); break;
      case EntryKind::File: progress.Removed(DeleteFileA(entry.path.c_str()) != 0); break;
    }
  }
}

// The thorough deletion, in wide characters under \\?\: names that begin
// with a full stop, read-only, hidden and system entries, paths beyond 260
// characters and names outside the code page all go. Links are removed,
// never followed.
std::wstring LongPathOf(const std::string& path) {
  const int needed = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), needed);
  wide.resize(static_cast<size_t>(needed - 1));
  const DWORD fullNeeded = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (fullNeeded == 0) return {};
  std::wstring full(fullNeeded, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), fullNeeded, full.data(), nullptr);
  if (length == 0 || length >= fullNeeded) return {};
  full.resize(length);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  if (full.rfind(L"\\\\?\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool RemoveWide(const std::wstring& path, bool folder) {
  if (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return true;
  // Read-only (or system) entries refuse until their attributes are plain.
  if (!SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return false;
  return folder ? RemoveDirectoryW(path.c_str()) != 0 : DeleteFileW(path.c_str()) != 0;
}

void DeleteContentsWhole(const std::wstring& directory, DeleteProgress& progress) {
  struct Entry {
    std::wstring path;
    DWORD attributes;
  };
  std::vector<Entry> listing;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* name = found.cFileName;
    if (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]))) continue;
    listing.push_back({directory + L"\\" + name, found.dwFileAttributes});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const Entry& entry : listing) {
    const bool folder = entry.attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) DeleteContentsWhole(entry.path, progress);
    progress.Removed(RemoveWide(entry.path, folder));
  }
}

// Whether path reaches the root of a volume, however it is spelt (E:\., E:/,
// \\?\E:\, a share, a mounted folder): its full path is its own volume path.
// A full path shaped as a drive or share root counts too: Wine names no
// volume for a share, and Windows names a substituted drive's host volume.
bool IsVolumeRoot(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return true;  // no full path: nothing is known to be safe
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return true;
  full.resize(length);
  const std::string fullText = RootComparisonText(full);
  if (IsDriveOrShareRoot(fullText)) return true;
  std::string volume(full.size() + 2, '\0');
  if (!GetVolumePathNameA(full.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) return false;
  volume.resize(std::strlen(volume.c_str()));
  return lstrcmpiA(RootComparisonText(volume).c_str(), fullText.c_str()) == 0;
}

}  // namespace

void __cdecl WriteToFile(TypedValue* result, int32_t count, const TypedValue* args) {
  const char* name = AddressOf<const char>(WordAt(count, args, 0));
  if (!name || !*name) return;
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  bool written = true;
  for (int32_t i = 1; i < count && written; ++i) {
    const void* bytes = AddressOf<const void>(args[i].low);
    const uint32_t length = ByteSetLength(bytes);
    if (length > 0) written = WriteAll(file, ByteSetData(bytes), length);
  }
  // A failed write still releases the handle; what was written stays.
  const bool closed = CloseHandle(file) != 0;
  SetWord(result, written && closed ? 1 : 0);
}

// Arguments: directory path; optionally a reader subroutine, called as
// reader(parameter, entries removed so far) while the deletion goes on,
// and its parameter; optionally a boolean: delete thoroughly (every entry,
// whatever its name, attributes or path length).
void __cdecl DeleteDirectory(TypedValue* result, int32_t count, const TypedValue* args) {
  const char* text = AddressOf<const char>(WordAt(count, args, 0));
  const TypedValue* reader = GivenArgument(count, args, 1);
  const TypedValue* parameter = GivenArgument(count, args, 2);
  const TypedValue* whole = GivenArgument(count, args, 3);
  const std::string path = PathAfterLeadingSpaces(text);
  // "E:" alone is the current directory of drive E:, refused all the same.
  if (path.empty() || IsDriveOrDriveRoot(path) || IsVolumeRoot(path)) return;
  DeleteProgress progress(reader ? reader->low : 0, parameter ? parameter->low : 0);
  // Named through a link: remove the link, never what it points at.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  bool removed = false;
  if (whole && whole->low) {
    const std::wstring wide = LongPathOf(path);
    if (wide.empty()) return;
    if (!link) DeleteContentsWhole(wide, progress);
    removed = RemoveWide(wide, true);
  } else {
    if (!link) DeleteContents(path, progress);
    removed = RemoveDirectoryA(path.c_str()) != 0;
  }
  progress.Removed(removed);
  progress.Report();
  SetWord(result, removed ? 1 : 0);
}
