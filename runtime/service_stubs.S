// Stubs and dispatchers with register contracts that C++ cannot express.
// Compiled code calls a stub; the stub jumps through the service table.
        .intel_syntax noprefix
#include "runtime/asm_frames.inc"
        .text

        .macro STUB name, index
        .globl _\name
        .def _\name; .scl 2; .type 32; .endef
_\name:
        jmp dword ptr [_g_runtimeServices + 4 * \index]
        .endm

        STUB ServiceReportRuntimeError, 0
        STUB ServiceCallDllCommand, 1
        STUB ServiceCallLibraryCommand, 2
        STUB ServiceCallCoreCommand, 3
        STUB ServiceReadUnitProperty, 4
        STUB ServiceWriteUnitProperty, 5
        STUB ServiceAllocateMemory, 6
        STUB ServiceResizeMemory, 7
        STUB ServiceFreeMemory, 8
        STUB ServiceEndProgram, 9
        STUB ServiceRunMessageLoop, 10
        STUB ServiceLoadStartupWindow, 11
        STUB ServiceCallUtilityService, 12

// Service 1. EAX = DLL command index; the function's own arguments are on
// the stack. Resolve, then jump so the function returns to our caller.
        .globl _CallDllCommandEntry
_CallDllCommandEntry:
        push ecx
        push edx
        push eax
        call _ResolveDllCommand
        add esp, 4
        pop edx
        pop ecx
        jmp eax

// Services 2 and 3. EBX = command entry; stack: return, count, argument
// records. Calls entry(&result, count, &first) with a zeroed result record
// and returns its three words in EAX, EDX, ECX. The frame pointer restores
// ESP whether the command removed its arguments or not.
        .globl _CallLibraryCommandEntry
        .globl _CallCoreCommandEntry
_CallLibraryCommandEntry:
_CallCoreCommandEntry:
        push ebp
        mov ebp, esp
        push esi
        push edi
        sub esp, 12
        xor eax, eax
        mov [esp], eax
        mov [esp + 4], eax
        mov [esp + 8], eax
        mov esi, esp
        lea eax, [ebp + 12]
        push eax
        push dword ptr [ebp + 8]
        push esi
        call ebx
        mov eax, [ebp - 20]
        mov edx, [ebp - 16]
        mov ecx, [ebp - 12]
        lea esp, [ebp - 8]
        pop edi
        pop esi
        pop ebp
        ret

// Service 12. EAX = utility code; the utility sees the caller's arguments.
        .globl _CallUtilityServiceEntry
_CallUtilityServiceEntry:
        jmp dword ptr [_g_utilityServices + 4 * eax]

// uint32_t CallSaved(address, count, words): calls compiled code with
// words[0..count) as its arguments, every general register but EAX (the
// result) saved around it. Restores ESP itself, so the callee may or may not
// remove its arguments.
        .globl _CallSaved
_CallSaved:
        ENTER_SAVED
        push ecx
        push edx
        PUSH_WORDS [ebp + 12], [ebp + 16]
        call dword ptr [ebp + 8]
        mov edx, [ebp - 20]
        mov ecx, [ebp - 16]
        LEAVE_SAVED
