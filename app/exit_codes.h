// How the tool ends: 0 when the upgrade is done, the archiver's own codes
// (1 warning, 2 fatal error, 7 command line, 8 memory, 255 stopped) when
// it failed, and codes of its own, apart from the archiver's, for each
// kind of refusal and failure.
#pragma once
#include <cstdint>

namespace app {

enum ExitCode : int32_t {
  kExitDone = 0,
  kExitTargetRefused = 10,     // no such folder, not a full path, the Windows drive, a ZEDOVAV folder, the tool inside
  kExitArchiveRefused = 11,    // no archive or archiver, encrypted, not one ZEDOVAV folder
  kExitRoomRefused = 12,       // the drive is too small, or a file too large for FAT
  kExitAnotherUpgrade = 13,    // another copy is upgrading
  kExitNotConfirmed = 14,      // a question answered No (in a silent run: no /yes)
  kExitSwapFailed = 15,        // the new set could not be put in place (the box says what stays)
  kExitArchiverNotStarted = 16,
  kExitCancelled = 17,         // 取消 before the swap: the old set as it was
  kExitDriveGone = 18,         // the drive is write-protected, was pulled or can no longer be written
  kExitReadBackDiffers = 19,   // what was written reads back differently: the old set as it was
  kExitBadCommandLine = 64,
};

}  // namespace app
