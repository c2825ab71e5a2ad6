// The application's program image.
#pragma once
#include "runtime/library_record.h"
#include "runtime/program_image.h"

// Library indexes as compiled code uses them.
enum : int {
  kCoreLibrary = 0,
  kExtendedUi2Library = 1,
  kExtendedUi1Library = 2,
  kShellUiLibrary = 3,
  kThreadingLibrary = 4,
  kLibraryCount = 5,
};

// Fills the header and its tables; call once before the runtime starts.
const ProgramImage* BuildProgramImage();
extern ProgramImage g_programImage;

// Library i's notify entry and commands (app/library_records.cpp).
LibraryRecord LibraryRecordOf(int library);
