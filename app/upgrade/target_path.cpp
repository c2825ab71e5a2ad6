#include "app/upgrade/target_path.h"

namespace app {
namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The names between backslashes; false when a lead byte stands without
// its second byte.
bool SplitNames(std::string_view text, std::vector<std::string>* names) {
  std::string name;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (StartsDoubleByte(text, i)) {
      name += c;
      name += text[++i];
    } else if (IsLeadByte(static_cast<unsigned char>(c))) {
      return false;
    } else if (c == '\\') {
      names->push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  names->push_back(name);
  return true;
}

// Where the last name begins: just after the last real backslash.
size_t LastNameStart(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (StartsDoubleByte(path, i)) ++i;
    else if (path[i] == '\\') start = i + 1;
  }
  return start;
}

bool EndsWithBackslash(std::string_view path) { return !path.empty() && LastNameStart(path) == path.size(); }

bool IsValidName(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (StartsDoubleByte(name, i)) {
      ++i;
      continue;
    }
    if (c < 0x20) return false;
    for (char bad : std::string_view("<>:\"|?*"))
      if (c == static_cast<unsigned char>(bad)) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view head) {
  if (text.size() < head.size()) return false;
  for (size_t i = 0; i < head.size(); ++i)
    if (Upper(text[i]) != Upper(head[i])) return false;
  return true;
}

// Root and the names below it; Relative or Invalid when there is none.
TargetProblem SplitRoot(std::string text, std::string* root, std::vector<std::string>* names) {
  if (StartsWithNoCase(text, "\\\\?\\UNC\\")) {
    text = "\\\\" + text.substr(8);
  } else if (StartsWithNoCase(text, "\\\\?\\")) {
    text = text.substr(4);
    if (text.size() < 2 || text[1] != ':') return TargetProblem::Invalid;
  } else if (StartsWithNoCase(text, "\\\\.\\")) {
    return TargetProblem::Invalid;  // a device, not a folder
  }
  if (StartsWithNoCase(text, "\\\\")) {
    if (!SplitNames(std::string_view(text).substr(2), names)) return TargetProblem::Invalid;
    if (names->size() < 2 || (*names)[0].empty() || (*names)[1].empty() || !IsValidName((*names)[0]) ||
        !IsValidName((*names)[1]))
      return TargetProblem::Invalid;
    *root = "\\\\" + (*names)[0] + "\\" + (*names)[1] + "\\";
    names->erase(names->begin(), names->begin() + 2);
    return TargetProblem::None;
  }
  const char letter = Upper(text.size() >= 2 ? text[0] : 0);
  if (letter < 'A' || letter > 'Z' || text[1] != ':') return TargetProblem::Relative;
  // "E:tools" names a folder below E:'s current directory.
  if (text.size() > 2 && text[2] != '\\') return TargetProblem::Relative;
  *root = std::string(1, letter) + ":\\";
  if (!SplitNames(std::string_view(text).substr(2), names)) return TargetProblem::Invalid;
  return TargetProblem::None;
}

// "E:\" or "\\server\share\" at the start of a full path: its length, 0
// when there is none.
size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (!StartsWithNoCase(path, "\\\\")) return 0;
  int backslashes = 2;
  for (size_t i = 2; i < path.size(); ++i) {
    if (StartsDoubleByte(path, i)) ++i;
    else if (path[i] == '\\' && ++backslashes == 4) return i + 1;
  }
  return 0;
}

}  // namespace

TargetPath NormaliseTarget(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  TargetPath target;
  if (text.empty()) return target;
  // A slash is never the second byte of a GBK character.
  std::string slashed(text);
  for (char& c : slashed)
    if (c == '/') c = '\\';
  std::string root;
  std::vector<std::string> names;
  target.problem = SplitRoot(slashed, &root, &names);
  if (target.problem != TargetProblem::None) return target;

  std::vector<std::string> kept;
  for (std::string& name : names) {
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    if (name.empty() || !IsValidName(name)) {
      target.problem = TargetProblem::Invalid;
      return target;
    }
    kept.push_back(name);
  }
  target.path = root;
  for (size_t i = 0; i < kept.size(); ++i) target.path += (i ? "\\" : "") + kept[i];
  if (target.path.size() > kMaxTargetLength) target.problem = TargetProblem::TooLong;
  return target;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string joined(directory);
  if (!joined.empty() && !EndsWithBackslash(joined)) joined += '\\';
  return joined += name;
}

std::string LastName(std::string_view path) { return std::string(path.substr(LastNameStart(path))); }

std::string ParentOf(std::string_view path) {
  const size_t root = RootLength(path);
  if (root == 0 || path.size() <= root) return {};
  const size_t start = LastNameStart(path);
  return std::string(path.substr(0, start <= root ? root : start - 1));
}

std::vector<std::string> PathAndAncestors(std::string_view path) {
  std::vector<std::string> chain;
  for (std::string p(path); !p.empty(); p = ParentOf(p)) chain.push_back(p);
  return chain;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (StartsDoubleByte(a, i)) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace app
