// The subroutines the window template binds to events of MainWindow.
#include "app/compiled_code.h"
#include "app/subroutines.h"
#include "app/upgrade_checks.h"
#include "app/upgrader_commands.h"

using namespace app;
namespace pi = program_image;

namespace {

// Writes a payload constant to the run directory + name, replacing the file.
void WritePayload(uint32_t nameConstant, uint32_t payloadConstant) {
  char* runDirectory = GetRunDirectory();
  char* path = Join(OrEmpty(runDirectory), ConstantText(nameConstant));
  FreeText(runDirectory);
  WriteToFile(path, payloadConstant);
  FreeText(path);
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

// Nothing on the drive is touched here: the worker tests the archive first
// and deletes the old tool set only when the test passed.
extern "C" void __cdecl OnUpgradeClicked() {
  if (ReadBoolProperty(pi::kMainWindow, pi::kUpgradeButton, kPropertyDisabled)) return;
  SetButtonsDisabled(true);
  char* target = ReadTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent);
  const bool ready = CheckBeforeUpgrade(target);
  FreeText(target);
  if (!ready) {
    SetButtonsDisabled(false);
    return;
  }
  WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, true);
  int32_t handle = 0;
  if (!StartThread(Address(reinterpret_cast<const void*>(&UpgradeWorkerEntry)), &handle)) {
    WriteBoolProperty(pi::kMainWindow, pi::kStatusLabel, kPropertyVisible, false);
    SetButtonsDisabled(false);
  }
}
