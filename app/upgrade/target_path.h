// The target directory as the user names it, made a full path once, and
// the path rules the upgrade works by (pure; texts are GBK).
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace app {

enum class TargetProblem { None, Empty, Relative, Invalid, TooLong };

struct TargetPath {
  TargetProblem problem = TargetProblem::Empty;
  // "E:\" for a drive root, "E:\Tools" for a folder, "\\server\share\" or
  // "\\server\share\dir" on a network: never a trailing space, dot or
  // backslash but the root's own.
  std::string path;
};

// Spaces around the text are dropped; / counts as \; "." and ".." are
// resolved; trailing spaces and dots of a name are dropped, as Windows
// does. A text that does not start at a drive or share is relative.
TargetPath NormaliseTarget(std::string_view text);

// The longest target accepted: the upgrade's own folder names and the
// tool set's paths must still fit beneath it.
constexpr size_t kMaxTargetLength = 200;

// directory and name with one backslash between them.
std::string JoinPath(std::string_view directory, std::string_view name);
// The last name of a full path; empty for a root.
std::string LastName(std::string_view path);
// The path without its last name ("E:\a" -> "E:\"); empty for a root.
std::string ParentOf(std::string_view path);
// The path itself, then each folder above it up to its root.
std::vector<std::string> PathAndAncestors(std::string_view path);
// A two-byte GBK character starts at text[i]: a lead byte and a second
// byte that may be a backslash or a letter.
inline bool StartsDoubleByte(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return false;
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  return trail >= 0x40 && trail != 0x7F && trail != 0xFF;
}

// Names compared as Windows does for ASCII letters; a double-byte
// character matches only itself.
bool SameName(std::string_view a, std::string_view b);

}  // namespace app
