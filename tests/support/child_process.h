// Runs a test program as a child process: its exit code, the lines it
// traced, and the message boxes it showed (read and closed from here, so
// nothing waits on them).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct MessageBoxSeen {
  std::string title;
  std::string text;
};

struct ChildResult {
  uint32_t exitCode = 0;
  bool timedOut = false;
  std::string trace;  // what the child wrote through Trace()
  std::vector<MessageBoxSeen> boxes;
};

// program: a file name beside the test executable. The child sees the trace
// file's path in the TEST_TRACE environment variable.
ChildResult RunChild(const std::string& program, const std::string& arguments,
                     uint32_t timeoutMs = 30000);

// For children (and DLLs they load): appends text and a newline to the
// trace file.
void Trace(const std::string& line);

std::string ProgramDirectory();
