#include "forms/font_value.h"

#include <cstring>

namespace {

int32_t ScaleRounded(int64_t value, int64_t numerator, int64_t denominator) {
  if (denominator <= 0) return 0;
  if (value < 0) value = -value;
  return int32_t((value * numerator + denominator / 2) / denominator);
}

void SetFaceName(LogFontBytes* font, const char* name, bool emptyIsDefault) {
  const size_t length = name ? std::strlen(name) : 0;
  if ((length == 0 && emptyIsDefault) || !name || length > 31) name = kDefaultFaceName;
  std::memset(font->faceName, 0, sizeof font->faceName);
  std::memcpy(font->faceName, name, std::strlen(name));
}

}  // namespace

int32_t PointsToHeight(int32_t points, int32_t pixelsPerInch) {
  return -ScaleRounded(points, pixelsPerInch, 72);
}

int32_t HeightToPoints(int32_t height, int32_t pixelsPerInch) {
  return ScaleRounded(height, 72, pixelsPerInch);
}

FontMembers MembersOf(const LogFontBytes& font, int32_t pixelsPerInch) {
  FontMembers m;
  m.angle = font.escapement;
  m.bold = font.weight >= 700;
  m.italic = font.italic != 0;
  m.strikeOut = font.strikeOut != 0;
  m.underline = font.underline != 0;
  m.size = HeightToPoints(font.height, pixelsPerInch);
  return m;
}

void SetWholeFont(LogFontBytes* font, const FontMembers& m, int32_t pixelsPerInch) {
  std::memset(font, 0, sizeof *font);
  font->escapement = font->orientation = m.angle;
  font->weight = m.bold ? 700 : 0;
  font->italic = m.italic;
  font->underline = m.underline;
  font->strikeOut = m.strikeOut;
  font->height = PointsToHeight(m.size < 0 ? 0 : m.size, pixelsPerInch);
  font->charSet = 1;  // DEFAULT_CHARSET
  SetFaceName(font, m.faceName, true);
}

void SetFontMember(LogFontBytes* font, int32_t member, int32_t value, const char* faceName,
                   int32_t pixelsPerInch) {
  switch (member) {
    case kFontAngle: {
      int32_t angle = value % 3600;
      if (angle < 0) angle += 3600;
      font->escapement = font->orientation = angle;
      break;
    }
    case kFontBold: font->weight = value ? 700 : 0; break;
    case kFontItalic: font->italic = value != 0; break;
    case kFontStrikeOut: font->strikeOut = value != 0; break;
    case kFontUnderline: font->underline = value != 0; break;
    case kFontSize: font->height = PointsToHeight(value < 0 ? 0 : value, pixelsPerInch); break;
    case kFontFaceName: SetFaceName(font, faceName ? faceName : "", true); break;
    default: break;
  }
}
