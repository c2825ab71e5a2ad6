#include "tests/commands/commands_test_support.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "commands/core_library.h"
#include "commands/shell_ui_library.h"
#include "commands/threading_library.h"
#include "tests/support/child_process.h"

namespace {

TemplateWindow PlainWindow(uint32_t windowId, uint32_t unitId) {
  TemplateWindow w;
  w.id = windowId;
  w.units.push_back(TestWindowUnit(unitId));
  return w;
}

LibraryInfo LibraryWith(const LibraryRecord& record) {
  LibraryInfo info{};
  info.format = kLibraryFormatWord;
  info.notify = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record.notify));
  return info;
}

LibraryInfo g_core, g_shellUi, g_threading;

// Runs a program and waits for it; its exit code, or -1.
int32_t RunAndWait(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int32_t>(code);
}

std::string UnixPath(const std::string& path) {
  using UnixName = char*(__cdecl*)(const wchar_t*);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return {};
  std::wstring wide(path.begin(), path.end());
  char* name = unixName(wide.c_str());
  std::string result = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::string DosDevices() {
  std::string c = UnixPath("C:\\");  // .../dosdevices/c:/
  return c.size() > 3 ? c.substr(0, c.size() - 3) : std::string();
}

// A Unix program run from Wine is not waited for: poll for the effect.
bool Until(bool (*done)(const std::string&), const std::string& path) {
  for (int i = 0; i < 100; ++i) {
    if (done(path)) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

void CommandTest::StartRuntime() {
  g_core = LibraryWith(CoreLibraryRecord());
  g_shellUi = LibraryWith(ShellUiLibraryRecord());
  g_threading = LibraryWith(ThreadingLibraryRecord());
  // The test unit library stays library 1: its type codes say so.
  ASSERT_TRUE(WriteTemplate({{PlainWindow(kMainWindow, kMainUnit), PlainWindow(kOtherWindow, kOtherUnit),
                              PlainWindow(kThirdWindow, kThirdUnit), PlainWindow(kFourthWindow, kFourthUnit)}},
                            &segment_));
  program_.AddLibrary(TestLibrary());
  for (const LibraryInfo* info : {&g_core, &g_shellUi, &g_threading}) program_.AddLibrary(info);
  program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
  app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
  app_->InitialiseRuntime();
  ClearLog();
}

void CommandTest::TearDown() {
  FormTest::TearDown();
  if (!scratch_.empty()) RemoveTree(scratch_);
}

const std::string& CommandTest::Scratch() {
  if (scratch_.empty()) {
    // Short and in the drive root: Wine's folder dialog finds neither long
    // names nor the user's Temp.
    static int serial = 0;
    scratch_ = "C:\\cmdtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    RemoveTree(scratch_);
    CreateDirectoryA(scratch_.c_str(), nullptr);
  }
  return scratch_;
}

TypedValue Text(const char* text) { return {Address(text), 0, kTagText}; }
TypedValue Integer(int32_t value) { return {static_cast<uint32_t>(value), 0, kTagInt}; }
TypedValue Boolean(bool value) { return {value ? 1u : 0u, 0, kTagBool}; }
TypedValue IntegerVariable(int32_t* variable) { return {Address(variable), 0, kTagInt}; }
TypedValue ByteSet(const std::vector<uint8_t>& block) { return {Address(block.data()), 0, kTagBytes}; }
TypedValue WindowValue(uint32_t windowId, uint32_t unitId) { return {windowId, unitId, 0x00010001}; }

std::vector<uint8_t> ByteSetBlock(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> block(8 + bytes.size());
  const uint32_t header[2] = {1, static_cast<uint32_t>(bytes.size())};
  std::memcpy(block.data(), header, sizeof header);
  if (!bytes.empty()) std::memcpy(block.data() + 8, bytes.data(), bytes.size());
  return block;
}

TextSeen TakeText(const TypedValue& result) {
  TextSeen seen;
  char* text = At<char>(result.low);
  if (!text) return seen;
  seen.absent = false;
  seen.text = text;
  seen.blockSize = HeapSize(RuntimeApp::Get().heap ? RuntimeApp::Get().heap : GetProcessHeap(), 0, text);
  FreeMemory(text);
  return seen;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& path) {
  if (Exists(path)) RunAndWait("cmd /c rmdir /s /q \"" + path + "\"");
}

bool MapDrive(char letter, const std::string& directory) {
  const std::string devices = DosDevices();
  if (devices.empty()) return false;
  const std::string root = std::string(1, letter) + ":\\";
  const std::string link = devices + static_cast<char>(letter | 0x20) + ":";
  RunAndWait("/bin/ln -sfn " + UnixPath(directory) + " " + link);
  return Until([](const std::string& r) { return Exists(r); }, root);
}

bool UnmapDrive(char letter) {
  const std::string devices = DosDevices();
  if (devices.empty()) return false;
  RunAndWait("/bin/rm -f " + devices + static_cast<char>(letter | 0x20) + ":");
  return Until([](const std::string& r) { return !Exists(r); }, std::string(1, letter) + ":\\");
}

bool MakeDirectoryLink(const std::string& target, const std::string& linkPath) {
  const std::string unixTarget = UnixPath(target), unixLink = UnixPath(linkPath);
  if (unixTarget.empty() || unixLink.empty()) return false;
  RunAndWait("/bin/ln -s " + unixTarget + " " + unixLink);
  return Until([](const std::string& p) { return Exists(p); }, linkPath);
}

void RemoveLink(const std::string& linkPath) {
  RunAndWait("/bin/rm -f " + UnixPath(linkPath));
  Until([](const std::string& p) { return !Exists(p); }, linkPath);
}

std::string ProbePath() { return ProgramDirectory() + "command_probe.exe"; }
