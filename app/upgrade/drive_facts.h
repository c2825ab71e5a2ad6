// What the upgrade must know of the target's drive and of folders: the
// drive's kind, file system, clusters and free room, whether it holds
// Windows, and a folder's identity whatever name reaches it.
#pragma once
#include <cstdint>
#include <string>

namespace app {

enum : uint32_t { kDriveRemovable = 2, kDriveFixed = 3, kDriveRemote = 4, kDriveCdRom = 5, kDriveRamDisk = 6 };

struct DriveFacts {
  std::string volume;       // the volume's root: "E:\", or a mount folder
  uint32_t type = 0;        // GetDriveType's answer for it
  std::string fileSystem;   // empty when the volume does not say
  uint32_t clusterBytes = 0;
  uint64_t freeBytes = 0;   // for this user
  bool freeKnown = false;
};

DriveFacts ReadDriveFacts(const std::string& target);

// A folder as the file system knows it: volume serial and file index, the
// same through any drive letter, short name or link to it.
struct FolderIdentity {
  uint32_t volume = 0, indexHigh = 0, indexLow = 0;
  bool operator==(const FolderIdentity&) const = default;
};
// False when the folder cannot be opened or asked.
bool ReadIdentity(const std::string& path, FolderIdentity* identity);
// The folder's path with every link on the way resolved ("E:\x", or
// "\\server\share\x"); empty when it cannot be told.
std::string FinalPathOf(const std::string& path);

// The target lies on the volume that holds the Windows directory.
bool HoldsWindows(const DriveFacts& drive);

// The root ("E:\\") of the one removable drive that holds a ZEDOVAV folder;
// empty when none or more than one does. Fixed disks are never offered.
std::string TheOneStickWithAToolSet();

// The bytes a folder's files take on disk, rounded up to whole clusters,
// and how many files it holds.
uint64_t FolderBytesOnDisk(const std::string& folder, uint32_t clusterBytes, uint32_t* files = nullptr);

// Whether the drive takes a change now: a probe file is created and
// deleted beside ZEDOVAV. A write-protect switch answers ERROR_WRITE_PROTECT
// (under Wine ERROR_ACCESS_DENIED); a drive pulled or failing answers
// anything else, or not at all.
enum class DriveAnswer { Writable, WriteProtected, Gone };
DriveAnswer ProbeWriting(const std::string& target);

}  // namespace app
