// upgrader_bench UPGRADER BARE TOOL_FOLDER [start-up]: times, under one
// Wine, (1) the start-up to the main window on screen against a bare Win32
// program that opens a window of the same size, and (2) a whole upgrade of
// E:\ against the archiver alone unpacking the same archive onto it.
// TOOL_FOLDER holds the program, data\PE\ and PE\ZEDOVAV.7z; E: is an empty
// folder.
// upgrader_bench upgrade UPGRADER TARGET and
// upgrader_bench unpack ARCHIVER ARCHIVE TARGET time one run each, for a
// script that sets the drive up between runs (tools/bench-stick.sh).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/app_driver.h"

using namespace app_driver;

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The upgrader starts detached, as from a double-click, so the archiver it
// runs gets a hidden console of its own; the archiver alone is started
// into such a console too, so both runs write to the same kind of console.
PROCESS_INFORMATION Start(const std::string& commandLine, bool hiddenConsole) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (hiddenConsole) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                      hiddenConsole ? CREATE_NEW_CONSOLE : DETACHED_PROCESS, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "bench: cannot start %s\n", commandLine.c_str());
    std::exit(2);
  }
  return process;
}

DWORD Finish(PROCESS_INFORMATION& process) {
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Milliseconds from the start to a visible 350 x 187 window of the process.
double TimeToWindow(const std::string& program, HWND* window, PROCESS_INFORMATION* out) {
  const double start = Now();
  PROCESS_INFORMATION process = Start("\"" + program + "\"", false);
  HWND found = nullptr;
  while (!(found = FindTopWindow(process.dwProcessId, 350, 187))) Sleep(1);
  const double elapsed = Now() - start;
  if (window) *window = found;
  if (out) {
    *out = process;
  } else {
    TerminateProcess(process.hProcess, 0);
    Finish(process);
  }
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full); else DeleteFileA(full.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

double TimeCommand(const std::string& commandLine, DWORD* code) {
  const double start = Now();
  PROCESS_INFORMATION process = Start(commandLine, true);
  *code = Finish(process);
  return Now() - start;
}

// The archiver alone unpacking ARCHIVE into TARGET.
double TimeUnpack(const std::string& archiver, const std::string& archive, const std::string& target, DWORD* code) {
  return TimeCommand("\"" + archiver + "\" -aoa x \"" + archive + "\" -o\"" + target + "\\\" ", code);
}

// The whole upgrade, every safety step in it, from the press of the button
// to its closing box, whose title and text go to *said.
double TimeUpgrade(const std::string& upgrader, const std::string& target, DWORD* code, std::string* said) {
  HWND main = nullptr;
  PROCESS_INFORMATION process{};
  TimeToWindow(upgrader, &main, &process);
  SetText(FindChildByClass(main, "Edit"), target.c_str());
  Sleep(200);
  const double start = Now();
  Click(FindChildByText(main, "升级"));
  HWND box = nullptr;
  while (!(box = FindMessageBox(process.dwProcessId)) && WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
  }
  const double elapsed = Now() - start;
  const BoxSeen seen = box ? ReadMessageBox(box) : BoxSeen{};
  *said = seen.title + ": " + seen.text;
  if (box) CloseMessageBox(box);
  // A refusal keeps the window open: that run is ended here.
  if (WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
  *code = Finish(process);
  if (*code == 0 && seen.title != "升级完成") *code = 1;
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  // One timed run for a script that sets the drive up between runs:
  // prints the milliseconds and the exit code.
  DWORD code = 0;
  std::string said;
  if (argc == 4 && std::string(argv[1]) == "upgrade") {
    const double ms = TimeUpgrade(argv[2], argv[3], &code, &said);
    std::printf("%.0f %lu\n", ms, static_cast<unsigned long>(code));
    if (code != 0) std::fprintf(stderr, "bench: the upgrade ended with %lu: %s\n", static_cast<unsigned long>(code),
                                said.c_str());
    return 0;
  }
  if (argc == 5 && std::string(argv[1]) == "unpack") {
    const double ms = TimeUnpack(argv[2], argv[3], argv[4], &code);
    std::printf("%.0f %lu\n", ms, static_cast<unsigned long>(code));
    return 0;
  }
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: upgrader_bench UPGRADER BARE TOOL_FOLDER [start-up]\n"
                         "       upgrader_bench upgrade UPGRADER TARGET\n"
                         "       upgrader_bench unpack ARCHIVER ARCHIVE TARGET\n");
    return 2;
  }
  const std::string upgrader = argv[1], bare = argv[2], tool = argv[3];

  // Start-up, alternating the two programs; the first of each warms caches.
  std::vector<double> ours, theirs;
  for (int i = 0; i < 8; ++i) {
    const double a = TimeToWindow(upgrader, nullptr, nullptr);
    const double b = TimeToWindow(bare, nullptr, nullptr);
    if (i == 0) continue;
    ours.push_back(a);
    theirs.push_back(b);
  }
  const double ourStart = Median(ours), bareStart = Median(theirs);
  const double ourFastest = *std::min_element(ours.begin(), ours.end());
  const double bareFastest = *std::min_element(theirs.begin(), theirs.end());
  std::printf("start-up to the main window, median of 7 (fastest): upgrader %.0f ms (%.0f), bare Win32 window"
              " %.0f ms (%.0f), ratio %.2f (%.2f)\n",
              ourStart, ourFastest, bareStart, bareFastest, ourStart / bareStart, ourFastest / bareFastest);
  if (argc == 5) return 0;  // the start-up alone

  const std::string archiver = tool + "\\data\\PE\\7z.exe", archive = tool + "\\PE\\ZEDOVAV.7z";
  std::vector<double> upgrades, archiverAlone;
  for (int i = 0; i < 3; ++i) {
    RemoveTree("E:\\ZEDOVAV");
    upgrades.push_back(TimeUpgrade(upgrader, "E:\\", &code, &said));
    if (code != 0) {
      std::fprintf(stderr, "bench: the upgrade ended with %lu: %s\n", static_cast<unsigned long>(code), said.c_str());
      return 1;
    }
    RemoveTree("E:\\ZEDOVAV");
    archiverAlone.push_back(TimeUnpack(archiver, archive, "E:", &code));
    if (code != 0) {
      std::fprintf(stderr, "bench: the archiver failed (%lu)\n", static_cast<unsigned long>(code));
      return 1;
    }
  }
  // Other work on the machine only ever adds time: the fastest of the runs
  // is the figure, the others are shown beside it.
  auto runs = [](const std::vector<double>& values) {
    std::string text;
    for (double v : values) text += (text.empty() ? "" : ", ") + std::to_string(static_cast<int>(v));
    return text;
  };
  const double upgrade = *std::min_element(upgrades.begin(), upgrades.end());
  const double alone = *std::min_element(archiverAlone.begin(), archiverAlone.end());
  std::printf("upgrade of a 10,000-file tool set, fastest of 3 (runs in ms): whole upgrade %.0f (%s);"
              " the archiver alone unpacking the same archive %.0f (%s); ratio %.3f\n",
              upgrade, runs(upgrades).c_str(), alone, runs(archiverAlone).c_str(), upgrade / alone);
  return 0;
}
