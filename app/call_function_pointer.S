// CallFunctionPointer(address, a1, given1, ..., a5, given5): pushes all five
// slots (omitted ones as 0, the fifth first), calls, then resets ESP from
// the frame, so a callee that takes fewer arguments leaves no mess.
        .intel_syntax noprefix
#include "runtime/asm_frames.inc"
        .text
        .globl _CallFunctionPointer
_CallFunctionPointer:
        ENTER_SAVED
        mov ecx, 5
1:
        // slot i: value at [ebp + 4 + 8 * i], flag at [ebp + 8 + 8 * i]
        mov eax, [ebp + 4 + 8 * ecx]
        cmp dword ptr [ebp + 8 + 8 * ecx], 0
        jne 2f
        xor eax, eax
2:
        push eax
        loop 1b
        call dword ptr [ebp + 8]
        LEAVE_SAVED
