// Where each library's record comes from. A library without commands or a
// notify entry of its own keeps the empty record.
#include "app/program_image.h"
#include "commands/core_library.h"
#include "commands/shell_ui_library.h"
#include "commands/threading_library.h"

LibraryRecord LibraryRecordOf(int library) {
  switch (library) {
    case kCoreLibrary: return CoreLibraryRecord();
    case kShellUiLibrary: return ShellUiLibraryRecord();
    case kThreadingLibrary: return ThreadingLibraryRecord();
    default: return {};
  }
}
