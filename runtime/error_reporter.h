// The one place every unhandled failure ends: a message box, then exit -1.
#pragma once
#include <cstdint>

// message may be null. Never returns.
[[noreturn]] void ReportError(const char* message, int32_t code, uint32_t position, uint32_t line);

extern "C" {
// Service 0: the message comes from the error code table.
[[noreturn]] void __cdecl ReportRuntimeError(int32_t code, uint32_t position, uint32_t line);
}

// The table's message for a code, or null (code 0 and codes out of range).
const char* ErrorCodeMessage(int32_t code);
