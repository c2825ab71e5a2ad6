// What the command line asks of this start: the usage, a silent upgrade,
// or a target for the edit box.
#pragma once
#include <string>

namespace app {

// Reads the command line. Ends the program for /?, a command line that
// cannot be understood, and a silent upgrade; otherwise returns and the
// window comes.
void TakeCommandLine();

// The target the command line gave for the edit box; empty when none.
const std::string& StartTarget();

}  // namespace app
