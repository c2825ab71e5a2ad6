#include "commands/path_rules.h"

#include <array>
#include <vector>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where the separators of a GBK text are: a lead byte takes the byte after
// it along, and that byte may be a backslash.
std::vector<size_t> SeparatorPositions(const std::string& text) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<uint8_t>(text[i]) >= 0x81 && i + 1 < text.size()) {
      ++i;
    } else if (IsSeparator(text[i])) {
      positions.push_back(i);
    }
  }
  return positions;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::string PathAfterLeadingSpaces(const char* text) {
  if (!text) return {};
  while (*text == ' ') ++text;
  return text;
}

bool IsDriveOrDriveRoot(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  return path.size() == 2 || (path.size() == 3 && path[2] == '\\');
}

std::string RootComparisonText(const std::string& fullPath) {
  std::string text = fullPath;
  if (StartsWith(text, "\\\\?\\UNC\\")) {
    text = "\\\\" + text.substr(8);
  } else if (StartsWith(text, "\\\\?\\") || StartsWith(text, "\\\\.\\")) {
    text.erase(0, 4);
  }
  // Cut after the last component that is neither empty nor ".".
  std::vector<size_t> ends = SeparatorPositions(text);
  ends.push_back(text.size());
  size_t keep = 0, start = 0;
  for (size_t end : ends) {
    const size_t length = end - start;
    if (length > 1 || (length == 1 && text[start] != '.')) keep = end;
    start = end + 1;
  }
  text.resize(keep);
  return text + "\\";
}

bool IsDriveOrShareRoot(const std::string& comparisonText) {
  const std::string& t = comparisonText;
  if (t.size() == 3 && t[1] == ':' && t[2] == '\\') return true;
  // \\server\share\ : separators at 0, 1, after the server and at the end.
  const std::vector<size_t> at = SeparatorPositions(t);
  return at.size() == 4 && at[0] == 0 && at[1] == 1 && at[2] > 2 && at[3] > at[2] + 1 && at[3] == t.size() - 1;
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
