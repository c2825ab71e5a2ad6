#include "units/unit_texts.h"

#include <cstring>

#include "runtime/memory.h"

void VisitUnitText(PropertyBytes* text, UnitTextVisitor visitor, uint32_t user) {
  // The visitor gets a writable copy, even of the empty text.
  PropertyBytes copy;
  copy.AssignText(text->text());
  char empty[1] = {'\0'};
  char* replacement =
      visitor(copy.empty() ? empty : reinterpret_cast<char*>(copy.mutable_data()), 0, user);
  if (replacement) {
    text->AssignText(replacement);
    FreeMemory(replacement);
  }
}

void VisitFaceName(PropertyBytes* font, UnitTextVisitor visitor, uint32_t user) {
  if (font->size() != sizeof(LogFontBytes)) return;
  char* face = reinterpret_cast<LogFontBytes*>(font->mutable_data())->faceName;
  face[sizeof LogFontBytes::faceName - 1] = '\0';
  visitor(face, 1, user);
  face[sizeof LogFontBytes::faceName - 1] = '\0';
}

HFONT CreateUnitFont(const PropertyBytes& font) {
  LogFontBytes bytes;
  if (!FontOf(font, &bytes)) return nullptr;
  LOGFONTA logFont;
  static_assert(sizeof logFont == sizeof bytes);
  std::memcpy(&logFont, &bytes, sizeof logFont);
  logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfOutPrecision = 0;
  logFont.lfClipPrecision = 0;
  logFont.lfQuality = PROOF_QUALITY;
  logFont.lfPitchAndFamily = 0;
  return CreateFontIndirectA(&logFont);
}
