// The archiver the tool carries, written beside itself at start.
#pragma once

namespace app {

// Writes the 7z.exe and 7z.dll of this kind of Windows to data\PE, each
// only when the file there does not already hold it.
void WritePayloads();

}  // namespace app
