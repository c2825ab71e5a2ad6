// The TransLabel unit (透明标签, type 5 of the extended-UI library 1): only
// its text is drawn; whatever lies beneath shows through. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>

#include "runtime/program_image.h"

constexpr uint32_t kTransLabelTypeFlags = 0x12040;
constexpr uint32_t kTransLabelPropertyCount = 15;

DataTypeRecord TransLabelDataType();
void* __stdcall TransLabelTypeEntry(int32_t kind);

// Repaints what lies under `label` (its ancestor up to the first popup or
// top-level window, then every visible window that meets it, lower ones
// first) and then the label itself, so that no trace of old text remains.
void RefreshBehind(HWND label);
