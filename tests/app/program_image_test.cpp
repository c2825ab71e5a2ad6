// The upgrader's program image as the runtime sees it at start-up.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/program_image.h"
#include "app/subroutines.h"
#include "app/version.h"
#include "program_image_layout.h"
#include "runtime/compiled_calls.h"
#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/typed_value.h"

// The libraries' records as this test hands them to the image: the core
// library with three commands, the threading library with one, both with a
// notify entry that logs what it is told.
std::vector<std::string> g_notices;

template <int kLibrary>
int32_t __stdcall LogNotice(int32_t code, int32_t argument1, int32_t argument2) {
  const bool host = argument1 == static_cast<int32_t>(reinterpret_cast<uintptr_t>(&HostService));
  char line[64];
  if (host) wsprintfA(line, "%d %d host %d", kLibrary, code, argument2);
  else wsprintfA(line, "%d %d %d %d", kLibrary, code, argument1, argument2);
  g_notices.push_back(line);
  return code == 6 ? 0 : -1;
}

template <uint32_t kResult>
void __cdecl Answer(TypedValue* result, int32_t count, const TypedValue*) {
  result->low = kResult + static_cast<uint32_t>(count);
  result->tag = static_cast<TypeTag>(0x80000301);
}

const LibraryCommand kCoreCommands[] = {&Answer<100>, &Answer<200>, &Answer<300>};
const LibraryCommand kThreadingCommands[] = {&Answer<400>};

LibraryRecord LibraryRecordOf(int library) {
  switch (library) {
    case kCoreLibrary: return {&LogNotice<kCoreLibrary>, 3, kCoreCommands};
    case kThreadingLibrary: return {&LogNotice<kThreadingLibrary>, 1, kThreadingCommands};
    default: return {};
  }
}

namespace {

class UpgraderImage : public ::testing::Test {
 protected:
  void SetUp() override {
    g_notices.clear();
    image_ = *BuildProgramImage();
    image_.templateSize = 0;  // the window registry is not under test here
    app_ = new RuntimeApp(&image_, 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  ProgramImage image_{};
  RuntimeApp* app_ = nullptr;
};

TEST_F(UpgraderImage, HeaderWords) {
  EXPECT_EQ(image_.runMode, 3u);
  EXPECT_EQ(image_.lastSerial, 106206u);
  EXPECT_EQ(app_->serialCounter, 106207);
  EXPECT_EQ(image_.libraryCount, 5u);
  EXPECT_EQ(image_.dllCommandCount, program_image::kDllCommandCount);
  EXPECT_EQ(image_.codeBase, reinterpret_cast<uint32_t>(g_codeBase));
  // The code segment starts with a routine returning 0 whose third byte is
  // a bare return, right before codeBase.
  EXPECT_EQ(g_codeBase - g_codeSegment, 4);
  EXPECT_EQ(g_codeSegment[2], 0xC3);
  EXPECT_EQ(reinterpret_cast<int (*)()>(const_cast<uint8_t*>(g_codeSegment))(), 0);
}

// Where a jmp rel32 at codeBase + offset lands, or null when none is there.
const void* JumpTarget(int32_t offset) {
  const uint8_t* at = g_codeBase + offset;
  if (at[0] != 0xE9) return nullptr;
  int32_t relative;
  std::memcpy(&relative, at + 1, 4);
  return at + 5 + relative;
}

TEST_F(UpgraderImage, BoundOffsetsJumpToTheirSubroutines) {
  // The template's handler offsets come from program.desc; the code segment
  // must place each subroutine's jump at the same offset.
  EXPECT_EQ(JumpTarget(program_image::kOnBrowseClicked), reinterpret_cast<const void*>(&OnBrowseClicked));
  EXPECT_EQ(JumpTarget(program_image::kOnMainWindowCreated),
            reinterpret_cast<const void*>(&OnMainWindowCreated));
  EXPECT_EQ(JumpTarget(program_image::kOnUpgradeClicked), reinterpret_cast<const void*>(&OnUpgradeClicked));
}

TEST_F(UpgraderImage, ConstantsRangeCoversExactlyTheSegment) {
  EXPECT_EQ(app_->constantsStart, reinterpret_cast<uintptr_t>(g_constantsSegment));
  EXPECT_EQ(app_->constantsEnd, reinterpret_cast<uintptr_t>(g_constantsSegmentEnd));
  EXPECT_EQ(app_->constantsEnd - app_->constantsStart, program_image::kConstantsSize);
  EXPECT_TRUE(IsConstant(g_constantsSegment));
  EXPECT_TRUE(IsConstant(g_constantsSegment + program_image::kConstantsSize - 1));
  EXPECT_FALSE(IsConstant(g_constantsSegmentEnd));
  FreeMemory(const_cast<uint8_t*>(g_constantsSegment + program_image::kPayloadX64));  // no-op
}

TEST_F(UpgraderImage, PayloadsAreByteSetConstants) {
  const uint8_t* x64 = g_constantsSegment + program_image::kPayloadX64;
  ByteSetHeader header;
  std::memcpy(&header, x64, sizeof header);
  EXPECT_EQ(header.dimensions, 1u);
  EXPECT_EQ(header.length, program_image::kPayloadX64Length);
  EXPECT_EQ(std::memcmp(x64 + 8, "MZ", 2), 0);
  EXPECT_EQ(g_constantsSegment[program_image::kEmptyText], 0);
}

TEST_F(UpgraderImage, LibrariesAndTheirUnitTypes) {
  const LibraryInfo* core = app_->Library(kCoreLibrary);
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(core->format, kLibraryFormatWord);
  EXPECT_STREQ(reinterpret_cast<const char*>(core->displayName), "系统核心支持库");
  EXPECT_EQ(core->dataTypeCount, 51u);
  struct Expected {
    uint32_t code;
    const char* englishName;
  };
  for (const Expected& e : {Expected{0x00010001, "window"}, Expected{0x00010005, "EditBox"},
                            Expected{0x0001000A, "Label"}, Expected{0x00020001, "SuperBtn"},
                            Expected{0x00030005, "TransLabel"}}) {
    const DataTypeRecord* record = app_->FindDataTypeRecord(e.code);
    ASSERT_NE(record, nullptr) << std::hex << e.code;
    EXPECT_STREQ(reinterpret_cast<const char*>(record->englishName), e.englishName);
  }
  const DataTypeRecord* editBox = app_->FindDataTypeRecord(0x00010005);
  EXPECT_EQ(editBox->flags, 0x80000040u);
  EXPECT_EQ(editBox->propertyCount, 29u);
  EXPECT_NE(editBox->entryLookup, 0u);
  EXPECT_EQ(app_->FindDataTypeRecord(0x00040001), nullptr);  // the shell-UI library has no types
  EXPECT_EQ(app_->FindDataTypeRecord(0x00060001), nullptr);  // past the library count
}

TEST_F(UpgraderImage, LibrariesCarryTheirNotifyEntriesAndPackedCommandArrays) {
  struct Expected {
    int library;
    const LibraryCommand* commands;
    uint32_t count;
    uint32_t firstResult;
  };
  for (const Expected& e : {Expected{kCoreLibrary, kCoreCommands, 3, 100},
                            Expected{kThreadingLibrary, kThreadingCommands, 1, 400},
                            Expected{kShellUiLibrary, nullptr, 0, 0}}) {
    const LibraryInfo* info = app_->Library(e.library);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->notify, e.count ? reinterpret_cast<uint32_t>(LibraryRecordOf(e.library).notify) : 0u);
    ASSERT_EQ(info->commandCount, e.count);
    if (e.count == 0) {
      EXPECT_EQ(info->commands, 0u);
      continue;
    }
    // The entries follow the display name's terminator, unaligned.
    const char* name = reinterpret_cast<const char*>(info->displayName);
    ASSERT_EQ(info->commands, info->displayName + std::strlen(name) + 1);
    for (uint32_t i = 0; i < e.count; ++i) {
      uint32_t entry;
      std::memcpy(&entry, reinterpret_cast<const uint8_t*>(info->commands) + 4 * i, 4);
      EXPECT_EQ(entry, reinterpret_cast<uint32_t>(e.commands[i]));
      const TypedValue result = CommandCall(e.library == kCoreLibrary,
                                            reinterpret_cast<LibraryCommandFn>(entry), {TypedValue{}});
      EXPECT_EQ(result.low, e.firstResult + 100 * i + 1);
    }
  }
  // Told the HostService at start (in SetUp) and code 6 at the end, in
  // library order; libraries without an entry hear nothing.
  app_->Cleanup(0);
  const std::vector<std::string> expected = {"0 1 host 0", "4 1 host 0", "0 6 0 0", "4 6 0 0"};
  EXPECT_EQ(g_notices, expected);
}

// The shell shows an executable's first icon group: it must be the
// runtime's own DEFAULT_ICON (its pixels are checked with HostService 1000).
BOOL CALLBACK FirstIconGroup(HMODULE, LPCSTR, LPSTR name, LONG_PTR first) {
  *reinterpret_cast<std::string*>(first) = IS_INTRESOURCE(name) ? "#" : name;
  return FALSE;
}

// The built program beside this test's build folder.
std::string ProgramFile() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string test = path;
  return test.substr(0, test.rfind('\\') + 1) + "..\\..\\app\\pe_upgrader.exe";
}

TEST_F(UpgraderImage, TheProgramsApplicationIconIsTheRuntimesDefaultIcon) {
  const std::string program = ProgramFile();
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << program;
  std::string first;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(14), &FirstIconGroup, reinterpret_cast<LONG_PTR>(&first));  // RT_GROUP_ICON
  FreeLibrary(module);
  EXPECT_EQ(first, "DEFAULT_ICON");
}

// Sections on pages of the file are mapped by Wine in place; others (the
// 4 MB of payload constants among them) are read whole at every start.
TEST_F(UpgraderImage, TheProgramsSectionsStartOnPagesOfTheFile) {
  char headers[4096] = {};
  HANDLE file = CreateFileA(ProgramFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD got = 0;
  ReadFile(file, headers, sizeof headers, &got, nullptr);
  CloseHandle(file);
  ASSERT_EQ(got, sizeof headers);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(headers);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(headers + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    EXPECT_EQ(section->SizeOfRawData ? section->PointerToRawData % 0x1000 : 0, 0u) << "section " << i;
  }
}

TEST_F(UpgraderImage, DeclaredDllCommandsResolve) {
  const uint32_t kernel32 = DllCall(program_image::kDllGetModuleHandleA,
                                    {reinterpret_cast<uint32_t>(g_constantsSegment + program_image::kKernel32Name)}, 0, 0);
  EXPECT_EQ(kernel32, reinterpret_cast<uint32_t>(GetModuleHandleA("kernel32.dll")));
  EXPECT_EQ(DllCall(program_image::kDllGetCurrentProcess, {}, 0, 0), 0xFFFFFFFFu);
}

}  // namespace

// The executable says what it is: a version in Chinese and English, and a
// manifest that asks for no elevation and names the Windows it supports.
TEST(UpgraderExecutable, CarriesItsVersionAndManifest) {
  const std::string program = ProgramFile();
  DWORD ignored = 0;
  std::vector<char> info(GetFileVersionInfoSizeA(program.c_str(), &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, info.size(), info.data()));
  auto value = [&](const char* block, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\") + block + "\\" + name;
    return VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length) && text
               ? std::string(text)
               : std::string("<none>");
  };
  EXPECT_EQ(value("080404B0", "ProductName"), "PE软件包升级工具");
  EXPECT_EQ(value("040904B0", "ProductName"), "PE Upgrader");
  EXPECT_EQ(value("080404B0", "FileVersion"), UPGRADER_VERSION_TEXT);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(0, 2)));

  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                             SizeofResource(module, found));
  FreeLibrary(module);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
}
