// Cursors made from units' mouse-pointer data.
#pragma once
#include <windows.h>

#include <cstdint>

// The runtime's own hand cursor resource.
constexpr int kHandCursorResource = 0x408;

// Null for empty data, code 0, identifiers outside the table and files that
// cannot be read. The hand comes from the program's resources (the system
// hand when the program carries none). Shared cursors are never destroyed
// by DestroyUnitCursor, so every result may be passed to it.
HCURSOR MakeUnitCursor(const uint8_t* data, uint32_t length);
void DestroyUnitCursor(HCURSOR cursor);
// A cursor from cursor- (or icon-) file contents, or null.
HCURSOR CursorFromFile(const uint8_t* file, uint32_t length);
