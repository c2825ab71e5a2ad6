// How compiled code calls the services whose contracts use registers.
// C++ that plays the part of compiled code (the application, tests) calls
// these; each goes through the service stub, as generated code would.
        .intel_syntax noprefix
#include "runtime/asm_frames.inc"
        .text

// uint64_t CompiledUtilityCall(code, count, words)
        .globl _CompiledUtilityCall
_CompiledUtilityCall:
        ENTER_SAVED
        PUSH_WORDS [ebp + 12], [ebp + 16]
        mov eax, [ebp + 8]
        call _ServiceCallUtilityService
        LEAVE_SAVED

// void CompiledCommandCall(service, entry, count, args, TypedValue* result)
// Pushes each record as tag, high, low (last first), then the count.
        .globl _CompiledCommandCall
_CompiledCommandCall:
        ENTER_SAVED
        mov ecx, [ebp + 16]
        mov esi, [ebp + 20]
        jecxz 2f
1:
        lea eax, [ecx + 2 * ecx]
        push dword ptr [esi + 4 * eax - 4]
        push dword ptr [esi + 4 * eax - 8]
        push dword ptr [esi + 4 * eax - 12]
        loop 1b
2:
        push dword ptr [ebp + 16]
        mov ebx, [ebp + 12]
        xor eax, eax
        cmp dword ptr [ebp + 8], 3
        je 3f
        call _ServiceCallLibraryCommand
        jmp 4f
3:
        call _ServiceCallCoreCommand
4:
        mov esi, [ebp + 24]
        mov [esi], eax
        mov [esi + 4], edx
        mov [esi + 8], ecx
        LEAVE_SAVED

// uint32_t CompiledDllCall(index, count, words, int32_t* stackLeft)
// Compares ESP after the call with ESP before the pushes: a function that
// did not remove its arguments leaves *stackLeft non-zero.
        .globl _CompiledDllCall
_CompiledDllCall:
        ENTER_SAVED
        mov edi, esp
        PUSH_WORDS [ebp + 12], [ebp + 16]
        mov eax, [ebp + 8]
        call _ServiceCallDllCommand
        mov ecx, edi
        sub ecx, esp
        mov edx, [ebp + 20]
        mov [edx], ecx
        LEAVE_SAVED
