// Values as text, the way the runtime shows them. Pure code.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/typed_value.h"

struct DateParts {
  int year, month, day, hour, minute, second;
};

// OLE automation dates: days since 30 December 1899.
constexpr double kMinDateTime = -657434.0;  // 1 January 100
constexpr double kMaxDateTime = 2958465.0;  // 31 December 9999

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Clamps every field into its range; the day also to the month's length.
DateParts NormaliseDate(DateParts parts);
// Clamps into the OLE range first; rounds to the nearest second.
DateParts DateTimeToParts(double dateTime);
double PartsToDateTime(DateParts parts);

// All results are GBK.
std::string FormatSingle(float value);     // "%.6g"
std::string FormatDouble(double value);    // "%.13g"
std::string FormatInteger(int32_t value);  // "%d"
std::string FormatDateTime(double dateTime);

// A value of a numeric, date-time or text tag as text; empty for others.
std::string ValueToText(const TypedValue& value);
