#include "units/edit_box_positions.h"

namespace {

// Length of the character at `at`; a lead byte at the very end stands alone.
size_t CharacterLength(const std::string& text, size_t at) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

}  // namespace

size_t GbkCharactersBefore(const std::string& text, size_t offset) {
  size_t count = 0;
  for (size_t at = 0; at < text.size();) {
    at += CharacterLength(text, at);
    if (at > offset) break;
    ++count;
  }
  return count;
}

size_t GbkByteOffset(const std::string& text, size_t index) {
  size_t at = 0;
  for (size_t i = 0; i < index && at < text.size(); ++i) at += CharacterLength(text, at);
  return at;
}

size_t GbkFittingBytes(const std::string& text, size_t limit) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t next = at + CharacterLength(text, at);
    if (next > limit) break;
    at = next;
  }
  return at;
}
