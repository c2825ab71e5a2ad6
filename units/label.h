// The Label unit (标签): owner-painted text over a colour, a picture or a
// gradient, with an optional gradient border and a display-only binding to
// a data-source unit. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>

#include "runtime/program_image.h"

// Private messages a Label answers.
constexpr UINT kLabelNotify = 0x8075;       // raises Notified(wParam, lParam)
constexpr UINT kUnitDataSourceOf = 0x8070;  // the data-source unit DataSource names

constexpr uint32_t kLabelTypeFlags = 0x84012040;
constexpr uint32_t kLabelPropertyCount = 29;

// The core library's record of the type, for the library table.
DataTypeRecord LabelDataType();
void* __stdcall LabelTypeEntry(int32_t kind);
