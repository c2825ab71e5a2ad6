// Command numbers: each library's commands by their index in its command
// table, in the order the libraries number them. Compiled code calls a
// command by its entry address; these numbers pick the entry.
#pragma once

enum CoreCommand : int {
  kGetRunDirectory = 0,
  kSpaceText = 1,
  kWriteToFile = 2,
  kDeleteDirectory = 3,
  kRunCommandLine = 4,
  kLoadWindowCommand = 5,
  kRunAndReadOutput = 6,
  kCoreCommandCount = 7,
};

enum ShellUiCommand : int {
  kBrowseForFolder = 0,
  kShellUiCommandCount = 1,
};

enum ThreadingCommand : int {
  kStartThread = 0,
  kThreadingCommandCount = 1,
};
