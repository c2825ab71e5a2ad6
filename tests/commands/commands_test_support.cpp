#include "tests/commands/commands_test_support.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "commands/core_library.h"
#include "commands/shell_ui_library.h"
#include "commands/threading_library.h"

namespace {

TemplateWindow PlainWindow(uint32_t windowId, uint32_t unitId) {
  TemplateWindow w;
  w.id = windowId;
  w.units.push_back(TestWindowUnit(unitId));
  return w;
}

LibraryInfo g_libraries[3];

}  // namespace

void CommandTest::SetUp() {
  const LibraryRecord records[3] = {CoreLibraryRecord(), ShellUiLibraryRecord(), ThreadingLibraryRecord()};
  ASSERT_TRUE(WriteTemplate({{PlainWindow(kMainWindow, kMainUnit), PlainWindow(kOtherWindow, kOtherUnit),
                              PlainWindow(kThirdWindow, kThirdUnit), PlainWindow(kFourthWindow, kFourthUnit)}},
                            &segment_));
  // The test unit library stays library 1: its type codes say so. The
  // runtime hands each library its HostService as it starts.
  program_.AddLibrary(TestLibrary());
  for (int i = 0; i < 3; ++i) {
    g_libraries[i] = LibraryInfo{};
    g_libraries[i].format = kLibraryFormatWord;
    g_libraries[i].notify = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(records[i].notify));
    program_.AddLibrary(&g_libraries[i]);
  }
  program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
  app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
  app_->InitialiseRuntime();
  ClearLog();
}

void CommandTest::TearDown() {
  FormTest::TearDown();
  if (!scratch_.empty()) RunAndWait("cmd /c rmdir /s /q " + scratch_);
}

const std::string& CommandTest::Scratch() {
  // Short and in the drive root: Wine's folder dialog finds neither long
  // names nor the user's Temp.
  static int serial = 0;
  if (scratch_.empty()) {
    scratch_ = "C:\\cmdtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    CreateDirectoryA(scratch_.c_str(), nullptr);
  }
  return scratch_;
}

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
  seen = {false, text, HeapSize(RuntimeApp::Get().heap, 0, text)};
  FreeMemory(text);
  return seen;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
  char* name = unixName ? unixName(std::wstring(path.begin(), path.end()).c_str()) : nullptr;
  std::string result = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::string DosDevices() {
  const std::string c = UnixPath("C:\\");  // .../dosdevices/c:/
  return c.substr(0, c.size() - 3);
}

bool RunUnix(const std::string& command, const std::string& path, bool exists) {
  RunAndWait(command);
  for (int i = 0; i < 100; ++i, Sleep(50))
    if (Exists(path) == exists) return true;
  return false;
}
