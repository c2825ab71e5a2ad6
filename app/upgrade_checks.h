// What the upgrader checks and tells the user, on top of the commands.
#pragma once
#include <cstdint>

namespace app {

// Checks, before anything on the drive is touched, that an upgrade of
// target can succeed: target names an existing directory, the tool does not
// live inside target\ZEDOVAV, the archive and both archiver files are there.
// A failed check shows why over the active window and answers false.
bool CheckBeforeUpgrade(const char* target);

// A modal box over the calling thread's runtime window; texts are GBK.
void ShowMessage(uint32_t titleConstant, const char* text);

// The archiver's exit code in its own terms, for a failure box: a new text.
char* DescribeArchiverFailure(int32_t exitCode);

}  // namespace app
