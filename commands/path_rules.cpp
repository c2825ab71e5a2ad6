#include "commands/path_rules.h"

#include <array>

std::string PathAfterLeadingSpaces(const char* text) {
  if (!text) return {};
  while (*text == ' ') ++text;
  return text;
}

bool IsDriveOrDriveRoot(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  return path.size() == 2 || (path.size() == 3 && path[2] == '\\');
}

uint16_t ShowStateForStyle(bool given, int32_t style) {
  // ORDER window style 1..6: hidden, normal, minimised, maximised,
  // normal not activated, minimised not activated.
  static constexpr std::array<uint16_t, 6> kShowStates = {0, 1, 2, 3, 4, 6};
  if (!given) style = 2;
  if (style < 1) style = 1;
  if (style > 6) style = 6;
  return kShowStates[static_cast<size_t>(style - 1)];
}
