// The texts of the runtime error box. Pure code: all bytes are GBK.
#pragma once
#include <cstdint>
#include <string>

// Bits 24-27 equal to 2 mark a position id that is a WindowId.
constexpr bool IsWindowPosition(uint32_t position) {
  return (position & 0x0F000000u) == 0x02000000u;
}

// What the window registry says about a position that is a WindowId.
struct ErrorSubject {
  bool windowFound = false;
  std::string windowName;
  bool unitFound = false;  // false also for an id of class 0x26
  std::string unitName;
};

// "\r\n<position>, <line>", the name lines, and a closing "\r\n".
// subject is read only when the position is a non-zero WindowId.
std::string ErrorDetailText(uint32_t position, uint32_t line, const ErrorSubject& subject);

// The box: the heading, the code line (code != 0), the message line
// (message non-empty), then the detail text.
std::string ErrorBoxText(const char* message, int32_t code, const std::string& detail);
