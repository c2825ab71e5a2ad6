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
}
