// The archiver's console output read as a console would show it (pure):
// a carriage return or backspace writes over the line, so its progress
// line (" 42% 1234 - ZEDOVAV\...") is read where it stands, and the last
// finished lines are kept for the log and for telling failures apart.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace app {

class ArchiverOutput {
 public:
  explicit ArchiverOutput(size_t keptLines = 40) : keptLines_(keptLines) {}

  void Feed(const char* text, size_t length);

  // The highest progress seen: percent and entries done, -1 / 0 before any.
  int Percent() const { return percent_; }
  uint64_t EntriesDone() const { return entries_; }
  // The last finished lines, oldest first, without progress lines.
  const std::deque<std::string>& LastLines() const { return lines_; }
  // Whether a kept line or the line being written contains text.
  bool Mentions(std::string_view text) const;
  // The same, among the archiver's own messages only: a technical
  // listing's "Key = value" lines (a file's name among them) never count.
  bool Says(std::string_view text) const;

 private:
  void ReadProgress();
  void FinishLine();

  size_t keptLines_;
  std::string line_;   // what the console shows on its current line
  size_t cursor_ = 0;  // where the next character lands in it
  std::deque<std::string> lines_;
  int percent_ = -1;
  uint64_t entries_ = 0;
};

}  // namespace app
