// The runtime's call-back entry for libraries: (code, argument 1, argument 2).
#pragma once
#include <cstdint>

#include "runtime/typed_value.h"

extern "C" int32_t __stdcall HostService(int32_t code, int32_t argument1, int32_t argument2);

// The integer a value converts to; any other tag is a runtime error.
int32_t ToInteger(const TypedValue& value);

// Pictures come from the picture front-end (code 1003) once it is linked.
using PictureToBitmapFn = uint32_t (*)(const uint8_t* bytes, int32_t length, uint32_t background);
void SetPictureToBitmap(PictureToBitmapFn function);
