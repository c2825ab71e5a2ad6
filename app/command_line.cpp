#include "app/command_line.h"

#include <vector>

#include "app/upgrade/target_path.h"

namespace app {
namespace {

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace

CommandLine ParseCommandLine(std::string_view text) {
  CommandLine line;
  std::vector<std::string> words = Words(text);
  if (!words.empty()) words.erase(words.begin());  // the program itself
  for (const std::string& word : words) {
    const bool isSwitch = word.size() > 1 && (word[0] == '/' || word[0] == '-');
    if (isSwitch && (SameName(word.substr(1), "?") || SameName(word.substr(1), "help"))) {
      line.usage = true;
    } else if (isSwitch && SameName(word.substr(1), "silent")) {
      line.silent = true;
    } else if (isSwitch && SameName(word.substr(1), "yes")) {
      line.yes = true;
    } else if (isSwitch || !line.target.empty()) {
      if (line.fault.empty()) line.fault = word;
      line.valid = false;
    } else {
      line.target = word;
    }
  }
  if (line.silent && line.target.empty() && line.valid) {
    line.valid = false;
    line.fault = "/silent";
  }
  return line;
}

}  // namespace app
