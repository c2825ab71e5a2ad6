// The application's program header, library table and DLL command table.
// The constants and window template segments come from program.desc.
#include "app/program_image.h"

#include <array>
#include <cstring>
#include <vector>

#include "app/subroutines.h"
#include "forms/window_unit.h"
#include "program_image_layout.h"
#include "runtime/address_word.h"
#include "units/edit_box.h"
#include "units/label.h"
#include "units/super_button.h"
#include "units/trans_label.h"

namespace {

uint32_t Constant(uint32_t offset) { return AddressWord(g_constantsSegment + offset); }

// --- data types: unit types the windows use; unused slots stay zero ---

constexpr int kCoreTypeCount = 51;
constexpr int kExtendedUi2TypeCount = 1;
constexpr int kExtendedUi1TypeCount = 5;

std::array<DataTypeRecord, kCoreTypeCount> g_coreTypes{};
std::array<DataTypeRecord, kExtendedUi2TypeCount> g_extendedUi2Types{};
std::array<DataTypeRecord, kExtendedUi1TypeCount> g_extendedUi1Types{};

// --- libraries, in the order compiled code numbers them ---

LibraryInfo MakeLibrary(const char* identifier, std::array<uint32_t, 3> version,
                        std::array<uint32_t, 4> numbers, const char* displayName, uint32_t flags,
                        uint32_t typeCount, const DataTypeRecord* types) {
  LibraryInfo info{};
  info.format = kLibraryFormatWord;
  info.identifier = AddressWord(identifier);
  for (int i = 0; i < 3; ++i) info.version[i] = version[i];
  for (int i = 0; i < 4; ++i) info.numbers[i] = numbers[i];
  info.displayName = AddressWord(displayName);
  info.one = 1;
  info.flags = flags;
  info.dataTypeCount = typeCount;
  info.dataTypes = typeCount ? AddressWord(types) : 0;
  return info;
}

LibraryInfo g_libraries[kLibraryCount];
std::vector<uint8_t> g_libraryNames[kLibraryCount];  // display name, then the command array

// The display name with the library's command entry addresses packed right
// after its terminator, unaligned, as the image lays them out.
void PlaceLibraryRecord(LibraryInfo* info, std::vector<uint8_t>* storage, const char* displayName,
                        const LibraryRecord& record) {
  const size_t nameBytes = std::strlen(displayName) + 1;
  storage->assign(displayName, displayName + nameBytes);
  for (uint32_t i = 0; i < record.commandCount; ++i) {
    const uint32_t entry = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record.commands[i]));
    const auto* bytes = reinterpret_cast<const uint8_t*>(&entry);
    storage->insert(storage->end(), bytes, bytes + 4);
  }
  info->displayName = AddressWord(storage->data());
  info->commandCount = record.commandCount;
  info->commands = record.commandCount ? AddressWord(storage->data() + nameBytes) : 0;
  info->notify = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record.notify));
}

uint32_t g_libraryTable[kLibraryCount];
uint32_t g_dllLibraryNames[program_image::kDllCommandCount];
uint32_t g_dllFunctionNames[program_image::kDllCommandCount];

}  // namespace

ProgramImage g_programImage;

const ProgramImage* BuildProgramImage() {
  g_coreTypes[0] = WindowDataType();
  g_coreTypes[4] = EditBoxDataType();
  g_coreTypes[9] = LabelDataType();
  g_extendedUi2Types[0] = SuperBtnDataType();
  g_extendedUi1Types[4] = TransLabelDataType();

  g_libraries[kCoreLibrary] = MakeLibrary("5b8a1c7e3d2f4e6a9c0b1d2e3f4a5b6c", {5, 7, 64}, {3, 7, 3, 7},
                                          "系统核心支持库", 0xC0000001, kCoreTypeCount, g_coreTypes.data());
  g_libraries[kExtendedUi2Library] = MakeLibrary("6c9b2d8f4e3a5f7b0d1c2e3f4a5b6c7d", {2, 0, 2}, {},
                                                 "扩展界面支持库二", 0, kExtendedUi2TypeCount,
                                                 g_extendedUi2Types.data());
  g_libraries[kExtendedUi1Library] = MakeLibrary("7d0c3e9a5f4b6a8c1e2d3f4a5b6c7d8e", {2, 0, 3}, {},
                                                 "扩展界面支持库一", 0, kExtendedUi1TypeCount,
                                                 g_extendedUi1Types.data());
  g_libraries[kShellUiLibrary] = MakeLibrary("8e1d4f0b6a5c7b9d2f3e4a5b6c7d8e9f", {3, 0, 0}, {},
                                             "操作系统界面功能支持库", 0, 0, nullptr);
  g_libraries[kThreadingLibrary] = MakeLibrary("9f2e5a1c7b6d8cae3a4f5b6c7d8e9fa0", {2, 0, 3}, {},
                                               "多线程支持库", 0xC0000000, 0, nullptr);
  for (int i = 0; i < kLibraryCount; ++i) {
    PlaceLibraryRecord(&g_libraries[i], &g_libraryNames[i],
                       reinterpret_cast<const char*>(static_cast<uintptr_t>(g_libraries[i].displayName)),
                       LibraryRecordOf(i));
    g_libraryTable[i] = AddressWord(&g_libraries[i]);
  }

  for (uint32_t i = 0; i < program_image::kDllCommandCount; ++i) {
    g_dllLibraryNames[i] = Constant(program_image::kDllLibraryNames[i]);
    g_dllFunctionNames[i] = Constant(program_image::kDllFunctionNames[i]);
  }

  g_programImage = ProgramImage{
      3,  // runMode
      0,
      program_image::kLastSerial,
      AddressWord(g_codeBase),
      AddressWord(g_constantsSegment),
      program_image::kConstantsSize,
      AddressWord(g_templateSegment),
      program_image::kTemplateSize,
      kLibraryCount,
      AddressWord(g_libraryTable),
      program_image::kDllCommandCount,
      AddressWord(g_dllLibraryNames),
      AddressWord(g_dllFunctionNames),
  };
  return &g_programImage;
}
