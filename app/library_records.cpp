// Where each library's record comes from. A library without commands or a
// notify entry of its own keeps the empty record.
#include "app/program_image.h"

LibraryRecord LibraryRecordOf(int library) {
  switch (library) {
    default: return {};
  }
}
