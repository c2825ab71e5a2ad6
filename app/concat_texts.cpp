#include "app/concat_texts.h"

#include <cstdarg>
#include <cstring>
#include <vector>

#include "runtime/compiled_calls.h"

extern "C" char* __cdecl ConcatTexts(int32_t count, ...) {
  std::vector<const char*> pieces;
  std::vector<size_t> lengths;
  uint64_t total = 0;
  va_list list;
  va_start(list, count);
  for (int32_t i = 0; i < count; ++i) {
    const char* piece = va_arg(list, const char*);
    pieces.push_back(piece);
    lengths.push_back(piece ? std::strlen(piece) : 0);
    total += lengths.back();
  }
  va_end(list);
  // Beyond 32 bits the allocation service refuses and reports the failure.
  const uint32_t size = total + 1 > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total + 1);
  char* block = static_cast<char*>(ServiceAllocateMemory(size));
  char* end = block;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (lengths[i]) std::memcpy(end, pieces[i], lengths[i]);
    end += lengths[i];
  }
  *end = '\0';
  return block;
}
