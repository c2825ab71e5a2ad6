#include "commands/library_host.h"

#include <cstring>

uint32_t TextResult(const LibraryHost& host, const char* text) {
  if (!text || !*text) return 0;
  const size_t length = std::strlen(text);
  char* block = AddressOf<char>(static_cast<uint32_t>(host.Call(kHostAllocate, static_cast<int32_t>(length + 1), 0)));
  if (!block) return 0;
  std::memcpy(block, text, length + 1);
  return WordOf(block);
}
