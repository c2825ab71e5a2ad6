#include "app/upgrade/drive_facts.h"

#include "app/dll_commands.h"
#include "app/upgrade/target_path.h"

namespace app {
namespace {

std::string TextOf(const char* buffer) { return std::string(buffer); }

std::string VolumeOf(const std::string& path) {
  char volume[kPathBuffer] = {};
  if (!Dll(pi::kDllGetVolumePathNameA, {Address(path.c_str()), Address(volume), kPathBuffer})) return {};
  return TextOf(volume);
}

}  // namespace

DriveFacts ReadDriveFacts(const std::string& target) {
  DriveFacts drive;
  drive.volume = VolumeOf(target);
  if (drive.volume.empty()) drive.volume = target;
  const char* root = drive.volume.c_str();
  drive.type = DriveType(root);
  char fileSystem[64] = {};
  uint32_t serial = 0, nameLength = 0, flags = 0;
  if (Dll(pi::kDllGetVolumeInformationA, {Address(root), 0, 0, Address(&serial), Address(&nameLength),
                                          Address(&flags), Address(fileSystem), sizeof fileSystem}))
    drive.fileSystem = TextOf(fileSystem);
  uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (Dll(pi::kDllGetDiskFreeSpaceA, {Address(root), Address(&sectorsPerCluster), Address(&bytesPerSector),
                                      Address(&freeClusters), Address(&clusters)}))
    drive.clusterBytes = sectorsPerCluster * bytesPerSector;
  uint64_t available = 0, total = 0, free = 0;
  // Asked of the target itself: quotas and mount folders apply there.
  drive.freeKnown = Dll(pi::kDllGetDiskFreeSpaceExA,
                        {Address(target.c_str()), Address(&available), Address(&total), Address(&free)}) != 0;
  drive.freeBytes = drive.freeKnown ? available : 0;
  return drive;
}

bool ReadIdentity(const std::string& path, FolderIdentity* identity) {
  const uint32_t handle = OpenForIdentity(path.c_str());
  if (handle == kInvalidHandle) return false;
  FileInformation information{};
  const bool read = Dll(pi::kDllGetFileInformationByHandle, {handle, Address(&information)}) != 0;
  CloseHandleWord(handle);
  if (!read) return false;
  *identity = {information.volumeSerial, information.indexHigh, information.indexLow};
  return true;
}

std::string FinalPathOf(const std::string& path) {
  const uint32_t handle = OpenForIdentity(path.c_str());
  if (handle == kInvalidHandle) return {};
  char buffer[kPathBuffer] = {};
  const uint32_t length = Dll(pi::kDllGetFinalPathNameByHandleA, {handle, Address(buffer), kPathBuffer, 0});
  CloseHandleWord(handle);
  if (length == 0 || length >= kPathBuffer) return {};
  std::string final(buffer, length);
  if (final.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + final.substr(8);
  if (final.rfind("\\\\?\\", 0) == 0) return final.substr(4);
  return final;
}

// By name and by identity: a substituted drive or a second letter for the
// same volume reaches the same root folder.
bool HoldsWindows(const DriveFacts& drive) {
  char windows[kPathBuffer] = {};
  if (!Dll(pi::kDllGetWindowsDirectoryA, {Address(windows), kPathBuffer})) return false;
  const std::string windowsVolume = VolumeOf(windows);
  if (windowsVolume.empty()) return false;
  if (SameName(windowsVolume, drive.volume)) return true;
  FolderIdentity a, b;
  return ReadIdentity(windowsVolume, &a) && ReadIdentity(drive.volume, &b) && a == b;
}

std::string TheOneStickWithAToolSet() {
  const uint32_t drives = Dll(pi::kDllGetLogicalDrives, {});
  std::string found;
  int count = 0;
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
    if (DriveType(root.c_str()) != kDriveRemovable || !IsDirectory((root + "ZEDOVAV").c_str())) continue;
    found = root;
    ++count;
  }
  return count == 1 ? found : std::string();
}

uint64_t FolderBytesOnDisk(const std::string& folder, uint32_t clusterBytes, uint32_t* files) {
  const uint64_t cluster = clusterBytes ? clusterBytes : 1;
  uint64_t total = cluster;  // the folder's own records
  ForEachEntry(folder, [&](const FindData& found) {
    // A junction or link is its own record, never what it points at (a
    // loop would recurse without end).
    if ((found.attributes & kDirectoryAttribute) && (found.attributes & kReparsePointAttribute)) {
      total += cluster;
    } else if (found.attributes & kDirectoryAttribute) {
      total += FolderBytesOnDisk(JoinPath(folder, found.name), clusterBytes, files);
    } else {
      const uint64_t size = uint64_t(found.sizeHigh) << 32 | found.sizeLow;
      total += (size + cluster - 1) / cluster * cluster;
      if (files) ++*files;
    }
  });
  return total;
}

DriveAnswer ProbeWriting(const std::string& target) {
  constexpr uint32_t kWrite = 0x40000000 | 0x10000, kCreateAlways = 2, kHidden = 2, kDeleteOnClose = 0x04000000;
  const std::string probe = JoinPath(target, "ZEDOVAV.upgrade-probe");
  const uint32_t file =
      Dll(pi::kDllCreateFileA, {Address(probe.c_str()), kWrite, 0, 0, kCreateAlways, kHidden | kDeleteOnClose, 0});
  if (file != kInvalidHandle) {
    CloseHandleWord(file);
    return DriveAnswer::Writable;
  }
  const uint32_t error = LastError();
  if (!IsDirectory(target.c_str())) return DriveAnswer::Gone;
  // Wine says "access denied" where Windows says "write-protected" (a
  // read-only file system); a stick has no rights of its own to deny.
  if (error == kErrorWriteProtect || error == kErrorAccessDenied) return DriveAnswer::WriteProtected;
  // A probe file some other program holds: not the drive's doing.
  if (error == kErrorSharingViolation) return DriveAnswer::Writable;
  return DriveAnswer::Gone;
}

}  // namespace app
