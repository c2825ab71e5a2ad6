// The text-joining routine that the compiled application carries and calls
// directly (not a library command).
#pragma once
#include <cstdint>

extern "C" {
// Joins count texts (count >= 1, the first piece first) into one new heap
// block; an absent piece counts as empty. Never returns null. The pieces
// stay the caller's.
char* __cdecl ConcatTexts(int32_t count, ...);
}
