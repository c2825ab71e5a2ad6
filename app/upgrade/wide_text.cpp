#include "app/upgrade/wide_text.h"

#include "app/dll_commands.h"

namespace app {

std::wstring WideOf(const std::string& text, unsigned codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const uint32_t needed =
      Dll(pi::kDllMultiByteToWideChar, {codePage, 0, Address(text.data()), uint32_t(length), 0, 0});
  std::wstring wide(needed, L'\0');
  Dll(pi::kDllMultiByteToWideChar,
      {codePage, 0, Address(text.data()), uint32_t(length), Address(wide.data()), needed});
  return wide;
}

std::string NarrowOf(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return {};
  const uint32_t length = static_cast<uint32_t>(text.size());
  const uint32_t needed = Dll(pi::kDllWideCharToMultiByte, {codePage, 0, Address(text.data()), length, 0, 0, 0, 0});
  std::string narrow(needed, '\0');
  Dll(pi::kDllWideCharToMultiByte,
      {codePage, 0, Address(text.data()), length, Address(narrow.data()), needed, 0, 0});
  return narrow;
}

std::string GbkOfUtf8(const std::string& text) { return NarrowOf(WideOf(text, kCodePageUtf8), kCodePageGbk); }

std::wstring LongPath(const std::string& fullPath) {
  std::wstring wide = WideOf(fullPath, kCodePageGbk);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

}  // namespace app
