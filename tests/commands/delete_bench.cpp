// DeleteDirectory against the shell's own `rmdir /s /q`, on the same tree
// (10,000 files in 100 directories) under the same Wine, in one run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/core_library.h"

namespace {

void MakeTree(const std::string& root) {
  CreateDirectoryA(root.c_str(), nullptr);
  const char content[64] = "delete me";
  for (int d = 0; d < 100; ++d) {
    const std::string dir = root + "\\dir" + std::to_string(d);
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int f = 0; f < 100; ++f) {
      HANDLE file = CreateFileA((dir + "\\file" + std::to_string(f) + ".txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD written = 0;
      WriteFile(file, content, sizeof content, &written, nullptr);
      CloseHandle(file);
    }
  }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeOurs(const std::string& root) {
  TypedValue result{};
  const TypedValue path{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root.c_str())), 0, kTagText};
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  DeleteDirectory(&result, 1, &path);
  QueryPerformanceCounter(&to);
  if (result.low != 1) std::printf("DeleteDirectory left the tree behind\n");
  return Seconds(from, to);
}

double TimeShell(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  QueryPerformanceCounter(&to);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return Seconds(from, to);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

// Argument: the number of rounds (default 1); each round deletes the tree
// once each way and the medians are compared.
int main(int argc, char** argv) {
  const int rounds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 1;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string root = std::string(temp) + "delete_bench_tree";
  std::vector<double> ours, shell, start;
  for (int round = 0; round < rounds; ++round) {
    MakeTree(root);
    ours.push_back(TimeOurs(root));
    MakeTree(root);
    shell.push_back(TimeShell("cmd /c rmdir /s /q \"" + root + "\""));
    if (GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) std::printf("rmdir left the tree behind\n");
    start.push_back(TimeShell("cmd /c rem"));
  }
  const double o = Median(ours), s = Median(shell), c = Median(start);
  std::printf("delete 10000 files in 100 directories (median of %d):\n", rounds);
  std::printf("  DeleteDirectory       %.3f s\n", o);
  std::printf("  cmd /c rmdir /s /q    %.3f s  (of which cmd start-up %.3f s)\n", s, c);
  std::printf("  ratio ours/rmdir      %.2f  (against rmdir without start-up: %.2f)\n", o / s, o / (s - c));
  return 0;
}
