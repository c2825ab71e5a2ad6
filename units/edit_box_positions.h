// Positions in an EditBox's GBK text. The box counts them in bytes, as an
// ANSI edit control does on Windows; Wine's control counts characters, so
// the box translates between the two there. Pure code.
#pragma once
#include <cstddef>
#include <string>

// Characters that end at or before byte `offset`: an offset inside a
// double-byte character stands for that character's start.
size_t GbkCharactersBefore(const std::string& text, size_t offset);

// The byte offset at which character `index` starts; the text's length for
// an index at or past its end.
size_t GbkByteOffset(const std::string& text, size_t index);

// Bytes of the longest start of `text` that holds at most `limit` bytes
// without cutting a double-byte character in two.
size_t GbkFittingBytes(const std::string& text, size_t limit);

// Whether a byte opens a double-byte character.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
