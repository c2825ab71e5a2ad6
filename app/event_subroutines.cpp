// The subroutines the window template binds to events. The upgrader's own
// work (writing the archiver, browsing, upgrading) lands with the library
// commands it calls; until then these only mark the binding targets.
#include "app/subroutines.h"

extern "C" void __cdecl OnMainWindowCreated() {}
extern "C" void __cdecl OnBrowseClicked() {}
extern "C" void __cdecl OnUpgradeClicked() {}
