// Loading a further window of the template at run time.
#include "commands/core_library.h"

namespace {

// HostService 2005's record, word by word.
struct LoadRequest {
  uint32_t windowId;
  uint32_t ownerObject;  // the owner window's own unit object, or 0
  uint32_t modal;
};
static_assert(sizeof(LoadRequest) == 12);

}  // namespace

// Arguments: window value, owner window value (optional), modal flag.
void __cdecl LoadWindowCommand(TypedValue* result, int32_t count, const TypedValue* args) {
  const LibraryHost& host = CoreHost();
  uint32_t ownerObject = 0;
  if (const TypedValue* owner = GivenArgument(count, args, 1)) {
    ownerObject = static_cast<uint32_t>(host.Call(kHostFindUnitObject, static_cast<int32_t>(owner->low), 0));
    if (ownerObject == 0) return;
  }
  LoadRequest request{WordAt(count, args, 0), ownerObject, WordAt(count, args, 2) != 0 ? 1u : 0u};
  if (host.Call(kHostLoadWindow, static_cast<int32_t>(WordOf(&request)), 0) == 0) SetWord(result, 1);
}
