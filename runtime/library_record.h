// What each library hands the program image: its notification entry and the
// commands the program calls in it. The image copies them into the library's
// LibraryInfo (notify entry, command count, packed command array).
#pragma once
#include <cstdint>

#include "runtime/typed_value.h"

// (code, argument 1, argument 2); -1 for codes the library does not handle.
using LibraryNotify = int32_t(__stdcall*)(int32_t code, int32_t argument1, int32_t argument2);
// (result record, argument count, first argument record).
using LibraryCommand = void(__cdecl*)(TypedValue* result, int32_t count, const TypedValue* arguments);

struct LibraryRecord {
  LibraryNotify notify = nullptr;  // null: the library takes no notices
  uint32_t commandCount = 0;
  const LibraryCommand* commands = nullptr;  // commandCount entries, in the program's order
};
