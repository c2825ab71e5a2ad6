// Texts between the program's GBK, the archiver's UTF-8 and the wide
// characters that reach every name on a drive, through the system's own
// conversions.
#pragma once
#include <string>

namespace app {

enum : unsigned { kCodePageGbk = 936, kCodePageUtf8 = 65001 };

std::wstring WideOf(const std::string& text, unsigned codePage);
// Characters the code page has no room for become '?'.
std::string NarrowOf(const std::wstring& text, unsigned codePage);
// A UTF-8 name for a GBK message.
std::string GbkOfUtf8(const std::string& text);
// "\\?\E:\path" (or "\\?\UNC\server\share\path") for a full GBK path:
// past the 260-character limit, and untouched by the short-name rules.
std::wstring LongPath(const std::string& fullPath);

}  // namespace app
