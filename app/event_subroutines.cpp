// The subroutines the window template binds to events of MainWindow.
#include <cstring>
#include <string>

#include "app/compiled_code.h"
#include "app/dll_commands.h"
#include "app/subroutines.h"
#include "app/upgrade_guards.h"
#include "app/upgrade_log.h"
#include "app/upgrader_commands.h"

using namespace app;

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

// Writes a payload constant to the run directory + name, unless the file
// there already holds it: a tool on read-only media keeps working.
void WritePayload(uint32_t nameConstant, uint32_t payloadConstant) {
  const std::string path = RunDirectoryText() + ConstantText(nameConstant);
  if (!FileHolds(path, payloadConstant)) WriteToFile(path.c_str(), payloadConstant);
}

void SetButtonsDisabled(bool disabled) {
  WriteBoolProperty(pi::kMainWindow, pi::kBrowseButton, kPropertyDisabled, disabled);
  WriteBoolProperty(pi::kMainWindow, pi::kUpgradeButton, kPropertyDisabled, disabled);
}

}  // namespace

// The archiver and its library must be of one kind: a 64-bit 7z.exe does
// not load a 32-bit 7z.dll.
extern "C" void __cdecl OnMainWindowCreated() {
  if (IsSystem64Bit() == 1) {
    WritePayload(pi::kArchiverFileName, pi::kPayloadX64);
    WritePayload(pi::kArchiverLibraryName, pi::kLibraryPayloadX64);
  } else {
    WritePayload(pi::kArchiverFileName, pi::kPayloadX86);
    WritePayload(pi::kArchiverLibraryName, pi::kLibraryPayloadX86);
  }
}

// A cancelled dialog empties the edit box.
extern "C" void __cdecl OnBrowseClicked() {
  char* path = BrowseForFolder(ConstantText(pi::kOpenTitle), true);
  WriteTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent, path);
  FreeText(path);
}

// The edit box is read once: the guards judge that text made a full path,
// and the worker is handed the very path they judged.
extern "C" void __cdecl OnUpgradeClicked() {
  if (ReadBoolProperty(pi::kMainWindow, pi::kUpgradeButton, kPropertyDisabled)) return;
  SetButtonsDisabled(true);
  char* text = ReadTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent);
  Log().Begin(RunDirectoryText());
  Log().Line(std::string("目标（输入）：") + OrEmpty(text));
  int32_t refusal = 0;
  const std::string target = GuardTarget(text, &refusal);
  FreeText(text);
  if (target.empty()) {
    Log().End("未升级，退出码 " + std::to_string(refusal));
    SetButtonsDisabled(false);
    return;
  }
  WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, true);
  auto* job = new std::string(target);
  int32_t handle = 0;
  if (!StartThread(Address(reinterpret_cast<const void*>(&UpgradeWorkerEntry)), Address(job), &handle)) {
    delete job;
    ReleaseTheMachine();
    Log().End("无法启动升级线程");
    WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, false);
    SetButtonsDisabled(false);
  }
}
