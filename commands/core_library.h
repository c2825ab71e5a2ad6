// The core library: its commands (by command number, see
// command_numbers.h), its notification entry and its record for the
// application's library table.
#pragma once
#include "commands/library_host.h"
#include "runtime/library_record.h"

// The HostService the core library was handed.
LibraryHost& CoreHost();
int32_t __stdcall CoreLibraryNotify(int32_t code, int32_t argument1, int32_t argument2);
const LibraryRecord& CoreLibraryRecord();

// text_commands.cpp
void __cdecl GetRunDirectory(TypedValue* result, int32_t count, const TypedValue* args);
void __cdecl SpaceText(TypedValue* result, int32_t count, const TypedValue* args);
// file_commands.cpp
void __cdecl WriteToFile(TypedValue* result, int32_t count, const TypedValue* args);
void __cdecl DeleteDirectory(TypedValue* result, int32_t count, const TypedValue* args);
// process_commands.cpp
void __cdecl RunCommandLine(TypedValue* result, int32_t count, const TypedValue* args);
// process_output.cpp
void __cdecl RunAndReadOutput(TypedValue* result, int32_t count, const TypedValue* args);
// window_commands.cpp
void __cdecl LoadWindowCommand(TypedValue* result, int32_t count, const TypedValue* args);
