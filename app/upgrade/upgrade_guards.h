// The guards an upgrade passes before anything on the drive is touched,
// on the text the user gave: each refusal says what is wrong and what to
// do, and changes nothing.
#pragma once
#include <cstdint>
#include <string>

namespace app {

// The target's full path when every guard passed (and the machine's one
// upgrade is claimed), else empty with *exitCode the refusal's code.
std::string GuardTarget(const char* text, int32_t* exitCode);

// The machine's one upgrade: claimed by the guards, given back when the
// upgrade ends without ending the tool.
void ReleaseTheMachine();

}  // namespace app
