#include "units/edit_box_input.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "runtime/value_format.h"

namespace {

bool IsDigit(uint32_t c) { return c >= '0' && c <= '9'; }
bool IsLeadByte(uint8_t c) { return c >= 0x81 && c <= 0xFE; }

// GBK pairs of the date-time field characters.
constexpr char kYear[] = "\xC4\xEA";    // 年
constexpr char kMonth[] = "\xD4\xC2";   // 月
constexpr char kDay[] = "\xC8\xD5";     // 日
constexpr char kHour[] = "\xCA\xB1";    // 时
constexpr char kMinute[] = "\xB7\xD6";  // 分
constexpr char kSecond[] = "\xC3\xEB";  // 秒

class DateCursor {
 public:
  explicit DateCursor(const std::string& text) : text_(text) {}

  // At most `width` digits; none read is 0.
  int Number(int width) {
    int value = 0;
    for (int i = 0; i < width && at_ < text_.size() && IsDigit(uint8_t(text_[at_])); ++i, ++at_)
      value = value * 10 + (text_[at_] - '0');
    return value;
  }
  // One separator or the field's own character (and, when allowed, a
  // space); nothing is consumed when none is there.
  void Separator(const char* own, bool space = false) {
    if (at_ >= text_.size()) return;
    const char c = text_[at_];
    if (c == '-' || c == '.' || c == '/' || c == ':' || (space && c == ' ')) {
      ++at_;
    } else if (text_.compare(at_, 2, own) == 0) {
      at_ += 2;
    }
  }
  bool EndsHere() const {
    return at_ == text_.size() || text_.compare(at_, 2, kSecond) == 0;
  }

 private:
  const std::string& text_;
  size_t at_ = 0;
};

std::string Decimal(int64_t value) { return std::to_string(value); }

// A finite double beyond the float range becomes an infinity, not an
// undefined conversion.
float ToSingle(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

}  // namespace

bool AcceptsInputCharacter(int32_t mode, uint32_t c) {
  if (c < 32) return true;
  const bool digit = IsDigit(c);
  switch (mode) {
    case kInputByte: return digit;
    case kInputSignedDigits:
    case kInputShort:
    case kInputInteger:
    case kInputLong: return digit || c == '-';
    case kInputSignedDecimal:
    case kInputSingle:
    case kInputDouble: return digit || c == '-' || c == '.';
    default: return true;
  }
}

int64_t LeadingInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // Accumulated as a negative number so that the lowest value fits.
  int64_t value = 0;
  constexpr int64_t kLowest = std::numeric_limits<int64_t>::lowest();
  for (; i < text.size() && IsDigit(uint8_t(text[i])); ++i) {
    const int digit = text[i] - '0';
    if (value < (kLowest + digit) / 10) {
      value = kLowest;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == kLowest ? std::numeric_limits<int64_t>::max() : -value;
}

// Only the digits, point and exponent of a plain decimal reach strtod, which
// would also read "inf", "nan" and hexadecimal.
double LeadingNumber(const std::string& text) {
  auto digitAt = [&text](size_t i) { return i < text.size() && IsDigit(uint8_t(text[i])); };
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  size_t digits = 0;
  for (; digitAt(i); ++i) ++digits;
  if (i < text.size() && text[i] == '.')
    for (++i; digitAt(i); ++i) ++digits;
  if (digits == 0) return 0;
  size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '-' || text[e] == '+')) ++e;
    if (digitAt(e)) {
      while (digitAt(e)) ++e;
      end = e;
    }
  }
  return std::strtod(text.substr(start, end - start).c_str(), nullptr);
}

std::string NarrowGbkText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t lead = uint8_t(text[i]);
    if (!IsLeadByte(lead) || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const uint8_t trail = uint8_t(text[i + 1]);
    ++i;
    // Full-width ASCII lies at A3A1..A3FE; A3A4 (yen) and A3FE (macron)
    // have no narrow form in the code page.
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFD && trail != 0xA4) {
      out += char(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      out += '~';
    } else {
      out += char(lead);
      out += char(trail);
    }
  }
  return out;
}

bool ParseDateTimeText(const std::string& text, double* dateTime) {
  const std::string narrow = NarrowGbkText(text);
  DateCursor c(narrow);
  DateParts parts{};
  parts.year = c.Number(4);
  c.Separator(kYear);
  parts.month = c.Number(2);
  c.Separator(kMonth);
  parts.day = c.Number(2);
  c.Separator(kDay, true);
  parts.hour = c.Number(2);
  c.Separator(kHour);
  parts.minute = c.Number(2);
  c.Separator(kMinute);
  parts.second = c.Number(2);
  if (!c.EndsHere()) return false;
  const DateParts normal = NormaliseDate(parts);
  if (normal.year != parts.year || normal.month != parts.month || normal.day != parts.day ||
      normal.hour != parts.hour || normal.minute != parts.minute || normal.second != parts.second)
    return false;
  *dateTime = PartsToDateTime(parts);
  return true;
}

std::string NormaliseInputText(int32_t mode, const std::string& text) {
  std::string result;
  switch (mode) {
    case kInputByte: result = Decimal(std::clamp<int64_t>(LeadingInteger(text), 0, 255)); break;
    case kInputShort: result = Decimal(std::clamp<int64_t>(LeadingInteger(text), -32768, 32767)); break;
    case kInputInteger:
      result = Decimal(std::clamp<int64_t>(LeadingInteger(text), std::numeric_limits<int32_t>::lowest(),
                                           std::numeric_limits<int32_t>::max()));
      break;
    case kInputLong: result = Decimal(LeadingInteger(text)); break;
    case kInputSingle: result = FormatSingle(ToSingle(LeadingNumber(text))); break;
    case kInputDouble: result = FormatDouble(LeadingNumber(text)); break;
    case kInputDateTime: {
      double value = 0;
      if (!ParseDateTimeText(text, &value) || value == 0) return std::string();
      return FormatDateTime(std::clamp(value, kMinDateTime, kMaxDateTime));
    }
    default: return text;
  }
  return result == "0" ? std::string() : result;
}
