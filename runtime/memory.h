// The one heap that the program, the runtime and every library share.
// Pure header: the Windows build serves it from the process heap, the native
// build from malloc (with failure injection for tests).
#pragma once
#include <cstdint>

// Never returns null: a failed request ends the program through the error
// reporter ("分配 %d 字节内存失败!"). Pure code must not call these two.
void* AllocateMemory(uint32_t size);
void* ResizeMemory(void* block, uint32_t size);

// May return null; reports nothing. Pure code allocates only with this.
void* AllocateRaw(uint32_t size);
// Null and addresses inside the constants segment are ignored.
void FreeMemory(void* block);

// Whether the address lies in the constants segment [start, end).
bool IsConstant(const void* address);
