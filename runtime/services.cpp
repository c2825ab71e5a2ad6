// The service table and the plain C-convention services behind it.
#include "runtime/services.h"

#include <windows.h>

#include <cstring>

#include "runtime/error_reporter.h"
#include "runtime/form_seam.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"

namespace {

[[noreturn]] void NotLoaded(uint32_t windowId, uint32_t unitId) {
  ReportError("指定窗口或窗口组件不存在或尚未载入", 0, windowId, unitId);
}

const FormSeam* Forms() { return RuntimeApp::Get().forms; }

template <typename F>
ServiceEntry Entry(F* function) {
  return reinterpret_cast<ServiceEntry>(function);
}

}  // namespace

extern "C" {

static uint64_t __cdecl ReadUnitPropertyService(uint32_t windowId, uint32_t unitId, int32_t index,
                                                int32_t member) {
  const FormSeam* forms = Forms();
  if (!forms || !forms->readUnitProperty) NotLoaded(windowId, unitId);
  return forms->readUnitProperty(windowId, unitId, index, member);
}

static void __cdecl WriteUnitPropertyService(uint32_t windowId, uint32_t unitId, int32_t index,
                                             int32_t member, uint32_t low, uint32_t high) {
  const FormSeam* forms = Forms();
  if (!forms || !forms->writeUnitProperty) NotLoaded(windowId, unitId);
  forms->writeUnitProperty(windowId, unitId, index, member, low, high);
}

static void* __cdecl AllocateMemoryService(uint32_t size) { return AllocateMemory(size); }
static void* __cdecl ResizeMemoryService(void* block, uint32_t size) { return ResizeMemory(block, size); }
static void __cdecl FreeMemoryService(void* block) { FreeMemory(block); }
static void __cdecl EndProgramService(int32_t code) { RuntimeApp::Get().EndProgram(code); }
static void __cdecl RunMessageLoopService() { RuntimeApp::Get().RunMessageLoop(); }
static void __cdecl LoadStartupWindowService(uint32_t windowId) {
  RuntimeApp::Get().LoadStartupWindow(windowId);
}

// --- utility services ---

static char* __cdecl FindFileNext(const char* pattern, uint32_t attributes, int32_t anyFile,
                                  uint32_t* handleWord) {
  const uint32_t filter = anyFile ? 0xFFFFFFFFu : (attributes & 0x37);
  HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(*handleWord));
  WIN32_FIND_DATAA entry;
  bool found;
  if (pattern && *pattern) {
    if (handle) FindClose(handle);
    handle = FindFirstFileA(pattern, &entry);
    if (handle == INVALID_HANDLE_VALUE) handle = nullptr;
    found = handle != nullptr;
  } else {
    if (!handle) return nullptr;
    found = FindNextFileA(handle, &entry);
  }
  for (; found; found = FindNextFileA(handle, &entry)) {
    const uint32_t a = entry.dwFileAttributes;
    const bool accept = filter == 0xFFFFFFFFu ? !(a & FILE_ATTRIBUTE_DIRECTORY)
                        : filter == 0         ? a == 0
                                              : (a & filter) != 0;
    if (accept) {
      *handleWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
      return MakeTextCopy(entry.cFileName);
    }
  }
  if (handle) FindClose(handle);
  *handleWord = 0;
  return nullptr;
}

static void __cdecl CloseFind(uint32_t handle) {
  if (handle) FindClose(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)));
}

static void __cdecl MakeArrayWritableService(uint32_t elementWidth, uint32_t* word) {
  MakeArrayWritable(elementWidth, word);
}

static void __cdecl RegisterEndHandlerService(uint32_t subroutine) {
  RuntimeApp::Get().RegisterEndHandler(subroutine);
}

static uint64_t __cdecl ReadTypedUnitProperty(uint32_t typeCode, uint32_t object, int32_t index,
                                              int32_t member) {
  const FormSeam* forms = Forms();
  if (!forms || !forms->readTypedProperty) NotLoaded(0, 0);
  return forms->readTypedProperty(typeCode, object, index, member);
}

static void __cdecl WriteTypedUnitProperty(uint32_t typeCode, uint32_t object, int32_t index,
                                           int32_t member, uint32_t low, uint32_t high) {
  const FormSeam* forms = Forms();
  if (!forms || !forms->writeTypedProperty) NotLoaded(0, 0);
  forms->writeTypedProperty(typeCode, object, index, member, low, high);
}

static void __cdecl InitialiseRuntimeService() { RuntimeApp::Get().InitialiseRuntime(); }

// ORDER: ServiceIndex.
const ServiceEntry g_runtimeServices[kServiceCount] = {
    Entry(&ReportRuntimeError),       Entry(&CallDllCommandEntry),
    Entry(&CallLibraryCommandEntry),  Entry(&CallCoreCommandEntry),
    Entry(&ReadUnitPropertyService),  Entry(&WriteUnitPropertyService),
    Entry(&AllocateMemoryService),    Entry(&ResizeMemoryService),
    Entry(&FreeMemoryService),        Entry(&EndProgramService),
    Entry(&RunMessageLoopService),    Entry(&LoadStartupWindowService),
    Entry(&CallUtilityServiceEntry),
};

// ORDER: UtilityCode.
const ServiceEntry g_utilityServices[kUtilityCount] = {
    Entry(&FindFileNext),          Entry(&CloseFind),
    Entry(&MakeArrayWritableService), Entry(&RegisterEndHandlerService),
    Entry(&ReadTypedUnitProperty), Entry(&WriteTypedUnitProperty),
    Entry(&InitialiseRuntimeService),
};

void ServiceReportRuntimeError();
void ServiceCallDllCommand();
void ServiceCallLibraryCommand();
void ServiceCallCoreCommand();
void ServiceReadUnitProperty();
void ServiceWriteUnitProperty();
void ServiceAllocateMemory();
void ServiceResizeMemory();
void ServiceFreeMemory();
void ServiceEndProgram();
void ServiceRunMessageLoop();
void ServiceLoadStartupWindow();
void ServiceCallUtilityService();

// ORDER: ServiceIndex.
const ServiceEntry g_serviceStubs[kServiceCount] = {
    &ServiceReportRuntimeError, &ServiceCallDllCommand,    &ServiceCallLibraryCommand,
    &ServiceCallCoreCommand,    &ServiceReadUnitProperty,  &ServiceWriteUnitProperty,
    &ServiceAllocateMemory,     &ServiceResizeMemory,      &ServiceFreeMemory,
    &ServiceEndProgram,         &ServiceRunMessageLoop,    &ServiceLoadStartupWindow,
    &ServiceCallUtilityService,
};

}  // extern "C"
