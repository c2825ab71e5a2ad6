// void CallWithRegisters(RegisterCall* call): calls call->target with EAX and
// EBX loaded, ESI, EDI, EBP, ECX and EDX set to sentinels and call->count argument words
// pushed, then records every register and how far ESP moved.
        .intel_syntax noprefix
        .data
record: .long 0
savedEsp: .long 0
preCallEsp: .long 0
resultEax: .long 0
target: .long 0
        .text
        .globl _CallWithRegisters
_CallWithRegisters:
        push ebp
        push ebx
        push esi
        push edi
        mov eax, [esp + 20]
        mov [record], eax
        mov [savedEsp], esp
        mov ecx, [eax + 12]
        jecxz 2f
1:
        push dword ptr [eax + 16 + 4 * ecx - 4]
        loop 1b
2:
        mov [preCallEsp], esp
        mov ecx, [eax]
        mov [target], ecx
        mov ebx, [eax + 8]
        mov esi, 0x51515151
        mov edi, 0xD1D1D1D1
        mov ebp, 0xB0B0B0B0
        mov ecx, 0xC0C0C0C0
        mov edx, 0xE0E0E0E0
        mov eax, [eax + 4]
        call dword ptr [target]
        mov [resultEax], eax
        mov eax, [record]
        mov [eax + 48], edx
        mov [eax + 52], ecx
        mov [eax + 56], ebx
        mov [eax + 60], esi
        mov [eax + 64], edi
        mov [eax + 68], ebp
        mov ecx, esp
        sub ecx, [preCallEsp]
        mov [eax + 72], ecx
        mov ecx, [resultEax]
        mov [eax + 44], ecx
        mov esp, [savedEsp]
        pop edi
        pop esi
        pop ebx
        pop ebp
        ret

// A routine that trashes every register compiled code may trash.
        .globl _ClobberRegisters
_ClobberRegisters:
        mov ebx, 0x0BADBAD1
        mov esi, 0x0BADBAD2
        mov edi, 0x0BADBAD3
        mov ecx, 0x0BADBAD4
        mov edx, 0x0BADBAD5
        mov eax, 0x600D
        ret
