// The application's compiled subroutines.
#pragma once
#include <cstdint>

extern "C" {
// The code segment (code_segment.S): a 0-returning routine, then codeBase.
extern const uint8_t g_codeSegment[];
extern const uint8_t g_codeBase[];

int __cdecl ProgramEntry();
void __cdecl OnMainWindowCreated();
void __cdecl OnBrowseClicked();
void __cdecl OnUpgradeClicked();
// The wait window's 取消, and its close request (Esc, Alt+F4), which means
// 取消 too; result: the handler's answer (false keeps the window).
void __cdecl OnCancelClicked();
struct HandlerResult {
  uint32_t given, low, high;
};
void __cdecl OnWaitWindowClosing(HandlerResult* result);
// The thread procedure StartThread is given, with the target's full path
// (a heap string it takes over) as its parameter; it calls UpgradeWorker.
uint32_t __stdcall UpgradeWorkerEntry(uint32_t parameter);
// 1 on 64-bit Windows, else 0.
int32_t __cdecl IsSystem64Bit();
// Calls a Windows API function with up to five 32-bit arguments, first
// first; an omitted one (its flag 0) is passed as 0. Any callee convention
// that leaves EBX, ESI, EDI and EBP alone is fine: the stack is restored.
uint32_t __cdecl CallFunctionPointer(uint32_t address, uint32_t a1, int32_t given1, uint32_t a2,
                                     int32_t given2, uint32_t a3, int32_t given3, uint32_t a4,
                                     int32_t given4, uint32_t a5, int32_t given5);
}
