// Font property values: the 60-byte LOGFONTA that units keep, the 28-byte
// font record compiled code sees, and the member edits. Pure code.
#pragma once
#include <cstddef>
#include <cstdint>

// Byte-for-byte the Windows LOGFONTA.
struct LogFontBytes {
  int32_t height, width, escapement, orientation, weight;
  uint8_t italic, underline, strikeOut, charSet;
  uint8_t outPrecision, clipPrecision, quality, pitchAndFamily;
  char faceName[32];
};
static_assert(sizeof(LogFontBytes) == 60);
static_assert(offsetof(LogFontBytes, weight) == 16);
static_assert(offsetof(LogFontBytes, italic) == 20);
static_assert(offsetof(LogFontBytes, faceName) == 28);

// The whole font as compiled code reads and writes it.
struct FontPropertyRecord {
  int32_t angle;  // tenths of a degree
  int32_t bold, italic, strikeOut, underline;
  int32_t size;      // points
  uint32_t faceName;  // text address
};
static_assert(sizeof(FontPropertyRecord) == 28);
static_assert(offsetof(FontPropertyRecord, size) == 20);
static_assert(offsetof(FontPropertyRecord, faceName) == 24);

enum FontMember : int32_t {
  kFontWhole = -1,
  kFontAngle = 0,
  kFontBold = 1,
  kFontItalic = 2,
  kFontStrikeOut = 3,
  kFontUnderline = 4,
  kFontSize = 5,
  kFontFaceName = 6,
};

// The face name every font falls back to (GBK): 宋体
constexpr char kDefaultFaceName[] = "\xCB\xCE\xCC\xE5";

// |points| * ppi / 72 and back, rounded to the nearest integer.
int32_t PointsToHeight(int32_t points, int32_t pixelsPerInch);
int32_t HeightToPoints(int32_t height, int32_t pixelsPerInch);

// Members of a font as the record gives them; the face name is copied into
// out.faceName (caller supplies the text).
struct FontMembers {
  int32_t angle = 0;
  bool bold = false, italic = false, strikeOut = false, underline = false;
  int32_t size = 0;
  const char* faceName = nullptr;  // null or empty and >= 32 bytes: 宋体
};
FontMembers MembersOf(const LogFontBytes& font, int32_t pixelsPerInch);
// A whole font from the record's members: a negative size becomes 0, a
// missing face name or one longer than 31 bytes becomes 宋体.
void SetWholeFont(LogFontBytes* font, const FontMembers& members, int32_t pixelsPerInch);
// One member of an existing font. value: the member's value word (the face
// name: a text address given as faceName). Angles are taken modulo 3600
// (negative remainders plus 3600), sizes below 0 become 0, an empty face
// name or one of 32 bytes or more becomes 宋体.
void SetFontMember(LogFontBytes* font, int32_t member, int32_t value, const char* faceName,
                   int32_t pixelsPerInch);
