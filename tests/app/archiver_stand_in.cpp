// Stands in for 7z.exe: appends its command line to starts.log beside
// itself and ends with 0xFFFFFFFF, as a program that really ran may.
#include <windows.h>

#include <string>

int main() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string log = path;
  log = log.substr(0, log.rfind('\\') + 1) + "starts.log";
  HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  const std::string line = std::string(GetCommandLineA()) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return -1;
}
