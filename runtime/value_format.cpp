#include "runtime/value_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// GBK: 年 月 日 时 分 秒
#define GBK_YEAR "\xC4\xEA"
#define GBK_MONTH "\xD4\xC2"
#define GBK_DAY "\xC8\xD5"
#define GBK_HOUR "\xCA\xB1"
#define GBK_MINUTE "\xB7\xD6"
#define GBK_SECOND "\xC3\xEB"

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

DateParts NormaliseDate(DateParts p) {
  p.year = std::clamp(p.year, 100, 9999);
  p.month = std::clamp(p.month, 1, 12);
  p.day = std::clamp(p.day, 1, 31);
  p.day = std::min(p.day, DaysInMonth(p.year, p.month));
  p.hour = std::clamp(p.hour, 0, 23);
  p.minute = std::clamp(p.minute, 0, 59);
  p.second = std::clamp(p.second, 0, 59);
  return p;
}

// Days from 1 March of year 0 (proleptic Gregorian) to the given civil date.
static int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe);
}

static void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

static const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

DateParts DateTimeToParts(double dateTime) {
  if (std::isnan(dateTime)) dateTime = 0;
  dateTime = std::clamp(dateTime, kMinDateTime, kMaxDateTime);
  // OLE dates before the epoch count the day backwards and the time forwards.
  double days = std::trunc(dateTime);
  double fraction = std::fabs(dateTime - days);
  int64_t seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {
    // Rounded up to midnight: the next calendar day, before the epoch too.
    seconds -= 86400;
    days += 1;
  }
  DateParts p{};
  CivilFromDays(kOleEpoch + static_cast<int64_t>(days), &p.year, &p.month, &p.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

double PartsToDateTime(DateParts parts) {
  const DateParts p = NormaliseDate(parts);
  const double days = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) - kOleEpoch);
  const double time = (p.hour * 3600 + p.minute * 60 + p.second) / 86400.0;
  return days < 0 ? days - time : days + time;
}

static std::string Printf(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string FormatSingle(float value) { return Printf("%.6g", value); }
std::string FormatDouble(double value) { return Printf("%.13g", value); }
std::string FormatInteger(int32_t value) { return std::to_string(value); }

std::string FormatDateTime(double dateTime) {
  const DateParts p = DateTimeToParts(dateTime);
  char buffer[96];
  int n = std::snprintf(buffer, sizeof buffer, "%d" GBK_YEAR "%d" GBK_MONTH "%d" GBK_DAY, p.year,
                        p.month, p.day);
  const size_t room = sizeof buffer - static_cast<size_t>(n);
  if (p.second != 0)
    std::snprintf(buffer + n, room, "%d" GBK_HOUR "%d" GBK_MINUTE "%d" GBK_SECOND, p.hour, p.minute,
                  p.second);
  else if (p.minute != 0)
    std::snprintf(buffer + n, room, "%d" GBK_HOUR "%d" GBK_MINUTE, p.hour, p.minute);
  else if (p.hour != 0)
    std::snprintf(buffer + n, room, "%d" GBK_HOUR, p.hour);
  return buffer;
}

std::string ValueToText(const TypedValue& value) {
  switch (value.tag) {
    case kTagByte: return FormatInteger(ByteOf(value));
    case kTagShort: return FormatInteger(ShortOf(value));
    case kTagInt: return FormatInteger(IntOf(value));
    case kTagLong: return std::to_string(LongOf(value));
    case kTagFloat: return FormatSingle(FloatOf(value));
    case kTagDouble: return FormatDouble(DoubleOf(value));
    case kTagDateTime: return FormatDateTime(DoubleOf(value));
    case kTagText: return TextOf(value) ? TextOf(value) : "";
    default: return "";
  }
}
