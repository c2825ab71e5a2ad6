// The threading library: StartThread, its notification entry and its
// record for the application's library table.
#pragma once
#include "commands/library_host.h"
#include "runtime/library_record.h"

LibraryHost& ThreadingHost();
int32_t __stdcall ThreadingLibraryNotify(int32_t code, int32_t argument1, int32_t argument2);
const LibraryRecord& ThreadingLibraryRecord();

// thread_commands.cpp
void __cdecl StartThread(TypedValue* result, int32_t count, const TypedValue* args);
// Critical sections the library's synchronisation commands make live on a
// list that the end of program releases (thread_commands.cpp).
void ReleaseThreadLocks();
