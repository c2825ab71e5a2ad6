#include "app/upgrade_checks.h"

#include "app/compiled_code.h"
#include "app/upgrader_commands.h"

namespace app {
namespace {

namespace pi = program_image;

constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;
constexpr uint32_t kDirectoryAttribute = 0x10;
constexpr uint32_t kBoxIconError = 0x10;
constexpr uint32_t kPathBuffer = 520;

uint32_t Attributes(const char* path) { return Dll(pi::kDllGetFileAttributesA, {Address(OrEmpty(path))}); }

bool IsDirectory(const char* path) {
  const uint32_t attributes = Attributes(path);
  return attributes != kInvalidAttributes && (attributes & kDirectoryAttribute);
}

bool IsFile(const char* path) {
  const uint32_t attributes = Attributes(path);
  return attributes != kInvalidAttributes && !(attributes & kDirectoryAttribute);
}

bool IsBlank(const char* text) {
  for (; text && *text; ++text)
    if (*text != ' ' && *text != '\t') return false;
  return true;
}

// The full path of a file under the run directory exists as a file.
bool ToolFileExists(uint32_t nameConstant) {
  char* runDirectory = GetRunDirectory();
  char* path = Join(OrEmpty(runDirectory), ConstantText(nameConstant));
  const bool exists = IsFile(path);
  FreeText(path);
  FreeText(runDirectory);
  return exists;
}

// path made absolute, with one trailing backslash; false when too long.
bool FullDirectoryPath(const char* path, char* out) {
  const uint32_t length =
      Dll(pi::kDllGetFullPathNameA, {Address(OrEmpty(path)), kPathBuffer - 2, Address(out), 0});
  if (length == 0 || length >= kPathBuffer - 2) return false;
  if (out[length - 1] != '\\') {
    out[length] = '\\';
    out[length + 1] = 0;
  }
  return true;
}

uint32_t TextLength(const char* text) {
  uint32_t n = 0;
  while (text[n]) ++n;
  return n;
}

// Deleting target\ZEDOVAV would take the tool, its archive and archiver.
bool ToolLiesInside(const char* target) {
  char* runDirectory = GetRunDirectory();
  char* doomed = Join(OrEmpty(target), ConstantText(pi::kZedovavDirectory));
  char tool[kPathBuffer], zedovav[kPathBuffer], head[kPathBuffer];
  bool inside = false;
  if (FullDirectoryPath(runDirectory, tool) && FullDirectoryPath(doomed, zedovav)) {
    const uint32_t length = TextLength(zedovav);
    if (TextLength(tool) >= length) {
      Dll(pi::kDllLstrcpyn, {Address(head), Address(tool), length + 1});
      inside = Dll(pi::kDllLstrcmpiA, {Address(head), Address(zedovav)}) == 0;
    }
  }
  FreeText(doomed);
  FreeText(runDirectory);
  return inside;
}

void Refuse(uint32_t textConstant) { ShowMessage(pi::kCheckTitle, ConstantText(textConstant)); }

}  // namespace

// The runtime window of the calling thread: MainWindow on the main thread,
// WaitWindow on the worker. The active window would do but for a program
// that has not been activated (started in the background), which has none.
uint32_t ThreadWindow() {
  const uint32_t thread = Dll(pi::kDllGetCurrentThreadId, {});
  uint32_t window = 0;
  while ((window = Dll(pi::kDllFindWindowExA, {0, window, ConstantAddress(pi::kWindowClassName), 0})) != 0) {
    if (Dll(pi::kDllGetWindowThreadProcessId, {window, 0}) == thread) return window;
  }
  return 0;
}

void ShowMessage(uint32_t titleConstant, const char* text) {
  const uint32_t owner = ThreadWindow();
  Dll(pi::kDllMessageBoxA, {owner, Address(OrEmpty(text)), ConstantAddress(titleConstant), kBoxIconError});
}

bool CheckBeforeUpgrade(const char* target) {
  if (IsBlank(target)) {
    Refuse(pi::kTargetEmptyText);
    return false;
  }
  if (!IsDirectory(target)) {
    char* text = Join(ConstantText(pi::kTargetMissingText), target, ConstantText(pi::kTargetMissingHint));
    ShowMessage(pi::kCheckTitle, text);
    FreeText(text);
    return false;
  }
  if (ToolLiesInside(target)) {
    Refuse(pi::kToolInsideText);
    return false;
  }
  if (!ToolFileExists(pi::kArchiveName)) {
    Refuse(pi::kArchiveMissingText);
    return false;
  }
  if (!ToolFileExists(pi::kArchiverFileName) || !ToolFileExists(pi::kArchiverLibraryName)) {
    Refuse(pi::kArchiverMissingText);
    return false;
  }
  return true;
}

char* DescribeArchiverFailure(int32_t exitCode) {
  uint32_t reason = pi::kReasonUnknown;
  switch (exitCode) {
    case 1: reason = pi::kReasonWarning; break;
    case 2: reason = pi::kReasonFatal; break;
    case 7: reason = pi::kReasonCommandLine; break;
    case 8: reason = pi::kReasonMemory; break;
    case 255: reason = pi::kReasonStopped; break;
    case -1: reason = pi::kReasonNotStarted; break;
    default: break;
  }
  if (exitCode == -1) return Join(ConstantText(reason));
  // The code in decimal, for the user to quote.
  char digits[12];
  char* at = digits + sizeof digits - 1;
  *at = 0;
  uint32_t value = static_cast<uint32_t>(exitCode);
  do {
    *--at = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value);
  return Join(ConstantText(reason), ConstantText(pi::kExitCodeText), at);
}

}  // namespace app
