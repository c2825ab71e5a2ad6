// The application's code segment: a routine that returns 0 (its third byte
// a bare return), then codeBase, where the window template's handler
// offsets point. Each bound offset holds a jump to its subroutine.
        .intel_syntax noprefix
        .text
        .globl _g_codeSegment
        .globl _g_codeBase
_g_codeSegment:
        xor eax, eax
        ret
        nop
_g_codeBase:
        jmp _OnBrowseClicked
        .org _g_codeBase + 0x44A - _g_codeSegment, 0xCC
        jmp _OnMainWindowCreated
        .org _g_codeBase + 0x72E - _g_codeSegment, 0xCC
        jmp _OnUpgradeClicked
        .org _g_codeBase + 0x800 - _g_codeSegment, 0xCC
        jmp _OnCancelClicked
        .org _g_codeBase + 0x810 - _g_codeSegment, 0xCC
        jmp _OnWaitWindowClosing
