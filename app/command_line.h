// The tool's command line (pure): pe_upgrader.exe [target] [/silent [/yes]]
// or /?. Quotes group words; a backslash is only a backslash, so "E:\"
// names E:\ as a user means it.
#pragma once
#include <string>
#include <string_view>

namespace app {

struct CommandLine {
  bool valid = true;    // false: an unknown switch, two targets, /silent without a target
  bool usage = false;   // /? was given
  bool silent = false;  // upgrade with nothing on screen, the target given
  bool yes = false;     // a silent run answers Yes to every question
  std::string target;   // empty when none was given
  std::string fault;    // what made it invalid, as given
};

// The whole command line as Windows gives it, program name first.
CommandLine ParseCommandLine(std::string_view text);

}  // namespace app
