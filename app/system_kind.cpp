// IsSystem64Bit: a 32-bit process on 64-bit Windows has a WOW64 system
// directory; 32-bit Windows lacks the export or answers 0.
#include "app/compiled_code.h"
#include "app/subroutines.h"
#include "app/upgrader_commands.h"

using namespace app;

extern "C" int32_t __cdecl IsSystem64Bit() {
  const uint32_t module = Dll(pi::kDllGetModuleHandleA, {ConstantAddress(pi::kKernel32Name)});
  const uint32_t function = Dll(pi::kDllGetProcAddress, {module, ConstantAddress(pi::kWow64DirectoryName)});
  if (function == 0) return 0;
  char* buffer = SpaceText(255);
  // lstrcpyn copying nothing answers its first argument: the buffer's address.
  const uint32_t address = Dll(pi::kDllLstrcpyn, {Address(buffer), Address(buffer), 0});
  const uint32_t length = CallFunctionPointer(function, address, 1, 255, 1, 0, 0, 0, 0, 0, 0);
  FreeText(buffer);
  return static_cast<int32_t>(length) > 0 ? 1 : 0;
}
