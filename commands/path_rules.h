// The small text rules the file and process commands follow (pure).
#pragma once
#include <cstdint>
#include <string>

// The path with its leading spaces (0x20 only) skipped; null gives "".
std::string PathAfterLeadingSpaces(const char* text);
// X: or X:\ : a drive or a drive root, which is never deleted.
bool IsDriveOrDriveRoot(const std::string& path);
// A full path as roots are compared: no \\?\ or \\.\ prefix (\\?\UNC\ read
// as \\), trailing separators and "." components dropped, one backslash added.
std::string RootComparisonText(const std::string& fullPath);
// X:\ or \\server\share\ (texts made by RootComparisonText).
bool IsDriveOrShareRoot(const std::string& comparisonText);
// The show state for a window style 1-6 (clamped); omitted gives 2.
uint16_t ShowStateForStyle(bool given, int32_t style);
