// The upgrade itself, on its own thread: test the archive, delete the old
// tool set, unpack the new one, and end with the archiver's verdict.
#include "app/compiled_code.h"
#include "app/subroutines.h"
#include "app/upgrade_checks.h"
#include "app/upgrader_commands.h"

using namespace app;
namespace pi = program_image;

namespace {

// Tells the user what the archiver said and ends with its exit code.
[[noreturn]] void FailWith(int32_t exitCode, uint32_t textConstant, uint32_t hintConstant) {
  char* reason = DescribeArchiverFailure(exitCode);
  char* text = Join(ConstantText(textConstant), reason, ConstantText(hintConstant));
  FreeText(reason);
  ShowMessage(pi::kFailureTitle, text);
  FreeText(text);
  ServiceEndProgram(exitCode);
}

int32_t TestArchive() {
  char* runDirectory = GetRunDirectory();
  const char* r = OrEmpty(runDirectory);
  char* command = Join(r, ConstantText(pi::kArchiveTestCommand), r, ConstantText(pi::kArchiveName));
  FreeText(runDirectory);
  const int32_t exitCode = RunHiddenAndWait(command);
  FreeText(command);
  return exitCode;
}

void DeleteOldToolSet(const char* target) {
  char* doomed = Join(OrEmpty(target), ConstantText(pi::kZedovavDirectory));
  DeleteDirectory(doomed);
  FreeText(doomed);
}

int32_t Unpack(const char* target) {
  char* r1 = GetRunDirectory();
  char* r2 = GetRunDirectory();
  char* command = Join(OrEmpty(r1), ConstantText(pi::kArchiverCommand), OrEmpty(r2),
                        ConstantText(pi::kArchiveSwitch), OrEmpty(target), ConstantText(pi::kQuoteSpace));
  FreeText(r1);
  FreeText(r2);
  const int32_t exitCode = RunHiddenAndWait(command);
  FreeText(command);
  return exitCode;
}

}  // namespace

extern "C" void __cdecl UpgradeWorker() {
  LoadWindowCommand(pi::kWaitWindow, pi::kWaitWindowUnit);
  WriteBoolProperty(pi::kMainWindow, pi::kMainWindowUnit, kPropertyVisible, false);

  const int32_t tested = TestArchive();
  if (tested != 0) FailWith(tested, pi::kTestFailedText, pi::kTestFailedHint);

  char* target = ReadTextProperty(pi::kMainWindow, pi::kTargetEditBox, kPropertyContent);
  DeleteOldToolSet(target);
  const int32_t unpacked = Unpack(target);
  FreeText(target);
  if (unpacked != 0) FailWith(unpacked, pi::kUnpackFailedText, pi::kUnpackFailedHint);
  ServiceEndProgram(0);
}

extern "C" uint32_t __stdcall UpgradeWorkerEntry(uint32_t) {
  UpgradeWorker();
}
