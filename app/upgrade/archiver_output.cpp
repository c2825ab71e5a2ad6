#include "app/upgrade/archiver_output.h"

namespace app {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// " 42%" or " 42% 1234 - name": the percent and the count, or false.
bool ParseProgress(std::string_view line, int* percent, uint64_t* entries) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  const size_t digits = i;
  int value = 0;
  while (i < line.size() && IsDigit(line[i]) && i - digits < 3) value = value * 10 + (line[i++] - '0');
  if (i == digits || i >= line.size() || line[i] != '%' || value > 100) return false;
  ++i;
  if (i < line.size() && line[i] != ' ') return false;
  *percent = value;
  *entries = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  uint64_t count = 0;
  for (; i < line.size() && IsDigit(line[i]); ++i) {
    if (count > (UINT64_MAX - 9) / 10) return true;  // no count worth having
    count = count * 10 + static_cast<uint64_t>(line[i] - '0');
  }
  *entries = count;
  return true;
}

}  // namespace

void ArchiverOutput::Feed(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '\n') {
      FinishLine();
    } else if (c == '\r') {
      ReadProgress();
      cursor_ = 0;
    } else if (c == '\b') {
      if (cursor_ > 0) --cursor_;
    } else {
      if (cursor_ < line_.size()) line_[cursor_] = c;
      else line_ += c;
      ++cursor_;
    }
  }
  ReadProgress();
}

bool ArchiverOutput::Mentions(std::string_view text) const {
  for (const std::string& line : lines_)
    if (line.find(text) != std::string::npos) return true;
  return line_.find(text) != std::string::npos;
}

bool ArchiverOutput::Says(std::string_view text) const {
  const auto message = [&](const std::string& line) {
    return line.find(" = ") == std::string::npos && line.find(text) != std::string::npos;
  };
  for (const std::string& line : lines_)
    if (message(line)) return true;
  return message(line_);
}

void ArchiverOutput::ReadProgress() {
  int percent = 0;
  uint64_t entries = 0;
  if (!ParseProgress(line_, &percent, &entries)) return;
  if (percent > percent_) percent_ = percent;
  if (entries > entries_) entries_ = entries;
}

void ArchiverOutput::FinishLine() {
  ReadProgress();
  int percent = 0;
  uint64_t entries = 0;
  std::string line = std::move(line_);
  line_.clear();
  cursor_ = 0;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (line.empty() || ParseProgress(line, &percent, &entries)) return;
  lines_.push_back(std::move(line));
  if (lines_.size() > keptLines_) lines_.pop_front();
}

}  // namespace app
