// The EditBox's input modes: which characters each accepts, how a text is
// normalised when the box loses the focus, and the date-time text parser.
// Pure code.
#pragma once
#include <cstdint>
#include <string>

enum EditInputMode : int32_t {
  kInputAny = 0,
  kInputReadOnly = 1,
  kInputPassword = 2,
  kInputSignedDigits = 3,
  kInputSignedDecimal = 4,
  kInputByte = 5,
  kInputShort = 6,
  kInputInteger = 7,
  kInputLong = 8,
  kInputSingle = 9,
  kInputDouble = 10,
  kInputDateTime = 11,
  kInputModeCount = 12,
};

// Whether a typed character reaches the control; below 32 always passes.
bool AcceptsInputCharacter(int32_t mode, uint32_t character);

// The text the box shows after losing the focus. Modes without a rule give
// the text back unchanged; for 5-10 a result of "0" becomes the empty text.
std::string NormaliseInputText(int32_t mode, const std::string& text);

// Every double-byte GBK character that has a narrow form (full-width ASCII,
// the ideographic space) replaced by it.
std::string NarrowGbkText(const std::string& text);

// Year, month, day, hour, minute and second as digits with separators or
// their 年月日时分(秒) characters. False when the text does not end after the
// seconds (or "秒") or when a field lies outside its range.
bool ParseDateTimeText(const std::string& text, double* dateTime);

// Leading-number rules of the C library: optional blanks and sign, then
// digits; anything else ends the number. Saturates at the 64-bit limits.
int64_t LeadingInteger(const std::string& text);
// The same for a plain decimal (digits with one point, an exponent):
// "inf", "nan" and hexadecimal are no numbers and give 0.
double LeadingNumber(const std::string& text);
