// Texts, byte-sets and arrays on the runtime heap. Pure code.
#pragma once
#include <cstdint>

#include "runtime/typed_value.h"

// Null or empty source gives null: the runtime never makes an empty text.
char* MakeTextCopy(const char* text);
// Length 0 gives null; otherwise a block of (1, length, bytes).
void* MakeByteSet(const void* bytes, uint32_t length);

// 4 * (d + 1) + width * (product of the d sizes); false on overflow.
bool ArrayBlockSize(const void* array, uint32_t elementWidth, uint32_t* size);
uint32_t ArrayElementCount(const void* array);
// If the array held in *word lies in the constants segment, replaces it by
// a heap copy.
void MakeArrayWritable(uint32_t elementWidth, uint32_t* word);

// Byte zero-extended, short sign-extended, long by its low word, single and
// double truncated toward zero. False for any other tag.
bool TryToInteger(const TypedValue& value, int32_t* result);
