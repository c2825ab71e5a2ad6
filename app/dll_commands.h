// The declared DLL commands the upgrade calls, typed: each is one call of
// service 1 with the words Windows expects. Records that Windows fills are
// plain byte layouts here.
#pragma once
#include <cstdint>
#include <string>

#include "app/compiled_code.h"
#include "app/upgrade/target_path.h"

namespace app {

constexpr uint32_t kInvalidHandle = 0xFFFFFFFF;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;
constexpr uint32_t kDirectoryAttribute = 0x10;
constexpr uint32_t kReparsePointAttribute = 0x400;
constexpr uint32_t kPathBuffer = 520;
enum : uint32_t { kErrorAccessDenied = 5, kErrorWriteProtect = 19, kErrorSharingViolation = 32 };

// BY_HANDLE_FILE_INFORMATION
struct FileInformation {
  uint32_t attributes;
  uint32_t times[6];
  uint32_t volumeSerial;
  uint32_t sizeHigh, sizeLow;
  uint32_t links;
  uint32_t indexHigh, indexLow;
};
static_assert(sizeof(FileInformation) == 52);

// WIN32_FIND_DATAA
struct FindData {
  uint32_t attributes;
  uint32_t times[6];
  uint32_t sizeHigh, sizeLow;
  uint32_t reserved[2];
  char name[260];
  char shortName[14];
};
static_assert(sizeof(FindData) == 320);

inline uint32_t FileAttributes(const char* path) { return Dll(pi::kDllGetFileAttributesA, {Address(path)}); }
inline bool PathExists(const std::string& path) { return FileAttributes(path.c_str()) != kInvalidAttributes; }
inline bool IsDirectory(const char* path) {
  const uint32_t attributes = FileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kDirectoryAttribute);
}
inline bool IsFile(const char* path) {
  const uint32_t attributes = FileAttributes(path);
  return attributes != kInvalidAttributes && !(attributes & kDirectoryAttribute);
}
inline bool RemoveEmptyFolder(const char* path) { return Dll(pi::kDllRemoveDirectoryA, {Address(path)}) != 0; }
inline uint32_t LastError() { return Dll(pi::kDllGetLastError, {}); }
inline uint32_t DriveType(const char* root) { return Dll(pi::kDllGetDriveTypeA, {Address(root)}); }
inline void CloseHandleWord(uint32_t handle) { Dll(pi::kDllCloseHandle, {handle}); }

// Opens a file or folder for its identity only; kInvalidHandle on failure.
inline uint32_t OpenForIdentity(const char* path) {
  constexpr uint32_t kShareAll = 7, kOpenExisting = 3, kBackupSemantics = 0x02000000;
  return Dll(pi::kDllCreateFileA, {Address(path), 0, kShareAll, 0, kOpenExisting, kBackupSemantics, 0});
}

// Calls visit(FindData&) for each entry of folder but . and ..
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
  const std::string pattern = JoinPath(folder, "*");
  FindData found{};
  const uint32_t search = Dll(pi::kDllFindFirstFileA, {Address(pattern.c_str()), Address(&found)});
  if (search == kInvalidHandle) return;
  do {
    const char* name = found.name;
    if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
    visit(found);
  } while (Dll(pi::kDllFindNextFileA, {search, Address(&found)}));
  Dll(pi::kDllFindClose, {search});
}

}  // namespace app
