// Stands in for 7z.exe: appends its command line to starts.log beside
// itself and ends with the number in exit-code.txt beside itself, or with
// 0xFFFFFFFF, as a program that really ran may.
#include <windows.h>

#include <cstdlib>
#include <string>

int main() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  folder = folder.substr(0, folder.rfind('\\') + 1);
  HANDLE file = CreateFileA((folder + "starts.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  const std::string line = std::string(GetCommandLineA()) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  char code[16] = {};
  HANDLE given = CreateFileA((folder + "exit-code.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (given == INVALID_HANDLE_VALUE) return -1;
  DWORD read = 0;
  ReadFile(given, code, sizeof code - 1, &read, nullptr);
  CloseHandle(given);
  return std::atoi(code);
}
