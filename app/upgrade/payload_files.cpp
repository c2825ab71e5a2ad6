#include "app/upgrade/payload_files.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/dll_commands.h"
#include "app/subroutines.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {

// Whether the file at path holds exactly the bytes of a byte-set constant.
bool FileHolds(const std::string& path, uint32_t byteSetConstant) {
  constexpr uint32_t kReadData = 0x80000000, kShareRead = 1, kOpenExisting = 3;
  const void* payload = reinterpret_cast<const void*>(ConstantAddress(byteSetConstant));
  const uint32_t length = ByteSetLength(payload);
  const uint8_t* bytes = ByteSetData(payload);
  const uint32_t file = Dll(pi::kDllCreateFileA, {Address(path.c_str()), kReadData, kShareRead, 0, kOpenExisting, 0, 0});
  if (file == kInvalidHandle) return false;
  uint32_t high = 0;
  bool same = Dll(pi::kDllGetFileSize, {file, Address(&high)}) == length && high == 0;
  static uint8_t buffer[1 << 16];
  for (uint32_t at = 0; same && at < length;) {
    uint32_t got = 0;
    const uint32_t want = std::min<uint32_t>(sizeof buffer, length - at);
    same = Dll(pi::kDllReadFile, {file, Address(buffer), want, Address(&got), 0}) && got == want &&
           std::memcmp(buffer, bytes + at, got) == 0;
    at += got;
  }
  CloseHandleWord(file);
  return same;
}

// A tool on read-only media that already holds the right files keeps
// working: nothing is written then.
void WritePayload(uint32_t nameConstant, uint32_t payloadConstant) {
  const std::string path = RunDirectoryText() + ConstantText(nameConstant);
  if (!FileHolds(path, payloadConstant)) WriteToFile(path.c_str(), payloadConstant);
}

}  // namespace

// The archiver and its library must be of one kind: a 64-bit 7z.exe does
// not load a 32-bit 7z.dll.
void WritePayloads() {
  if (IsSystem64Bit() == 1) {
    WritePayload(pi::kArchiverFileName, pi::kPayloadX64);
    WritePayload(pi::kArchiverLibraryName, pi::kLibraryPayloadX64);
  } else {
    WritePayload(pi::kArchiverFileName, pi::kPayloadX86);
    WritePayload(pi::kArchiverLibraryName, pi::kLibraryPayloadX86);
  }
}

}  // namespace app
