#include "runtime/host_service.h"

#include <cstring>

#include "runtime/address_word.h"
#include "runtime/error_reporter.h"
#include "runtime/form_seam.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"

namespace {

PictureToBitmapFn g_pictureToBitmap = nullptr;

// The fixed description of core type 0x00010030 (code 2036).
constexpr uint32_t kCoreTypeRecord[4] = {0x00010030, 0, 0, 0};

int32_t LoadDefaultIcons(RuntimeApp& app, uint32_t* out) {
  if (!app.defaultIcon) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    app.defaultIcon = static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON),
                                                    GetSystemMetrics(SM_CYICON), 0));
    app.defaultSmallIcon = static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), 0));
  }
  out[0] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(app.defaultIcon));
  out[1] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(app.defaultSmallIcon));
  return 0;
}

void CopyPathText(const RuntimeApp& app, int32_t selector, char* buffer) {
  std::string text;
  if (selector == 1 || selector == 2001) text = app.runDirectory + "\\";
  else if (selector == 2002) text = app.programFileName;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
}

// Frees an array of texts or byte-sets with its elements.
void FreeArray(uint32_t tag, void* array) {
  if (!array) return;
  tag &= ~static_cast<uint32_t>(kTagArrayFlag);
  if (tag != kTagText && tag != kTagBytes) return;
  const uint32_t count = ArrayElementCount(array);
  const int32_t dimensions = *static_cast<const int32_t*>(array);
  auto* elements = static_cast<uint32_t*>(array) + 1 + dimensions;
  for (uint32_t i = 0; i < count; ++i) FreeMemory(reinterpret_cast<void*>(static_cast<uintptr_t>(elements[i])));
  FreeMemory(array);
}

int32_t DescribeDataType(RuntimeApp& app, uint32_t code, void* out) {
  if (code == 0x00010030) {
    std::memcpy(out, kCoreTypeRecord, sizeof kCoreTypeRecord);
    return 1;
  }
  if (ClassifyTypeCode(code) != TypeClass::Library) return 0;
  const int32_t library = LibraryIndexOf(code);
  const LibraryInfo* info = library >= 0 ? app.Library(static_cast<uint32_t>(library)) : nullptr;
  if (!info || !info->notify) return 0;
  auto notify = reinterpret_cast<int32_t(__stdcall*)(int32_t, int32_t, int32_t)>(info->notify);
  return notify(8, TypeIndexOf(code), AddressWord(out));
}

int32_t TypeFlagsAnswer(const RuntimeApp& app, uint32_t code) {
  const DataTypeRecord* record = app.FindDataTypeRecord(code);
  if (!record) return 0;
  if (record->flags & 0x4) return 2;
  if (record->flags & 0x40) return 1;
  return 0;
}

int32_t FrameworkObjectService(int32_t code, int32_t argument1, int32_t argument2) {
  switch (code) {
    case 1007: {
      HWND hwnd = AtAddress<HWND__>(argument1);
      if (!hwnd) return 0;
      Wnd* object = new Wnd();
      if (!object->Attach(hwnd)) {
        delete object;
        return 0;
      }
      return AddressWord(object);
    }
    case 1008: delete AtAddress<Wnd>(argument1); return 0;
    case 1009: return argument1 ? AddressWord(AtAddress<Wnd>(argument1)->Detach()) : 0;
    case 1010: return argument1 ? AddressWord(AtAddress<Wnd>(argument1)->Handle()) : 0;
    case 1011: {
      HWND hwnd = AtAddress<HWND__>(argument1);
      Wnd* object = AtAddress<Wnd>(argument2);
      if (!hwnd || !object || object->Handle() || Wnd::FromHandlePermanent(hwnd)) return 0;
      return object->Attach(hwnd) ? 1 : 0;
    }
  }
  return 0;
}

}  // namespace

void SetPictureToBitmap(PictureToBitmapFn function) { g_pictureToBitmap = function; }

int32_t ToInteger(const TypedValue& value) {
  int32_t result = 0;
  if (!TryToInteger(value, &result)) ReportError("欲转换数据类型不是数值", 0, 0, 0);
  return result;
}

extern "C" int32_t __stdcall HostService(int32_t code, int32_t argument1, int32_t argument2) {
  const bool known = (code >= 1000 && code <= 1014) || (code >= 2000 && code <= 2040);
  if (!known || code == 2002) return 0;
  RuntimeApp& app = RuntimeApp::Get();
  switch (code) {
    case 1000: return LoadDefaultIcons(app, AtAddress<uint32_t>(argument1));
    case 1002: return AddressWord(app.FindDataTypeRecord(static_cast<uint32_t>(argument1)));
    case 1003:
      return g_pictureToBitmap ? static_cast<int32_t>(g_pictureToBitmap(AtAddress<uint8_t>(argument1), argument2, 0xFFFFFF)) : 0;
    case 1004: return 1;
    case 1005: return 0x00070005;
    case 1006: CopyPathText(app, argument1, AtAddress<char>(argument2)); return 0;
    case 1007: case 1008: case 1009: case 1010: case 1011:
      return FrameworkObjectService(code, argument1, argument2);
    case 1012: {
      const uint32_t* record = AtAddress<uint32_t>(argument1);
      app.AddIdleCallback(reinterpret_cast<HWND>(static_cast<uintptr_t>(record[0])), record[1], record[2]);
      return 0;
    }
    case 1013: app.RemoveIdleCallback(AtAddress<HWND__>(argument1)); return 0;
    case 2001: return ToInteger(*AtAddress<TypedValue>(argument1));
    case 2003: return AddressWord(app.runDirectory.c_str());
    case 2004: return AddressWord(app.programFileName.c_str());
    case 2009: app.PumpWaiting(); InterlockedIncrement(&app.suppressDepth); return 0;
    case 2010:
      app.PumpWaiting();
      if (app.suppressDepth > 0) InterlockedDecrement(&app.suppressDepth);
      return 0;
    case 2023: FreeArray(static_cast<uint32_t>(argument1), AtAddress<void>(argument2)); return 0;
    case 2024:
      return AddressWord(argument2 ? AllocateRaw(static_cast<uint32_t>(argument1))
                            : AllocateMemory(static_cast<uint32_t>(argument1)));
    case 2025: FreeMemory(AtAddress<void>(argument1)); return 0;
    case 2026: return AddressWord(ResizeMemory(AtAddress<void>(argument1), static_cast<uint32_t>(argument2)));
    case 2027: ReportError(AtAddress<const char>(argument1), 0, 0, 0);
    case 2028: app.EndProgram(argument1);
    case 2029: return TypeFlagsAnswer(app, static_cast<uint32_t>(argument1));
    case 2030: return app.runMode;
    case 2036: return DescribeDataType(app, static_cast<uint32_t>(argument1), AtAddress<void>(argument2));
  }
  // What is left needs the window registry.
  if (app.forms && app.forms->hostService) {
    bool handled = false;
    const int32_t result = app.forms->hostService(code, argument1, argument2, &handled);
    if (handled) return result;
  }
  return 0;
}
