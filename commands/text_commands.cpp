// Texts and paths: the run directory and a text of spaces.
#include <cstring>

#include "commands/core_library.h"

void __cdecl GetRunDirectory(TypedValue* result, int32_t, const TypedValue*) {
  const LibraryHost& host = CoreHost();
  // The runtime's own text: copied, never freed or changed.
  const char* runDirectory = AddressOf<const char>(static_cast<uint32_t>(host.Call(kHostRunDirectory)));
  SetWord(result, TextResult(host, runDirectory));
}

void __cdecl SpaceText(TypedValue* result, int32_t count, const TypedValue* args) {
  const int32_t n = static_cast<int32_t>(WordAt(count, args, 0));
  if (n <= 0) return;
  // n + 1 cannot overflow: n is at most INT32_MAX.
  char* block = AddressOf<char>(static_cast<uint32_t>(
      CoreHost().Call(kHostAllocate, static_cast<int32_t>(static_cast<uint32_t>(n) + 1), 0)));
  if (!block) return;
  std::memset(block, ' ', static_cast<size_t>(n));
  block[n] = '\0';
  SetWord(result, WordOf(block));
}
