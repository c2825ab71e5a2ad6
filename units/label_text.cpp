#include "units/label_text.h"

#include <cstring>
#include <string>

#include "forms/form_runtime.h"
#include "runtime/memory.h"
#include "units/unit_texts.h"

// The top byte would make a palette colour of the rest.
COLORREF MapUnitColour(uint32_t colour) {
  return colour == 0xFF000000 ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour & 0x00FFFFFF);
}

UINT LabelTextFormat(const LabelTextStyle& style) {
  UINT format = DT_NOPREFIX;
  if (style.hAlign == 1) format |= DT_CENTER;
  if (style.hAlign == 2) format |= DT_RIGHT;
  if (style.wordWrap) return format | DT_WORDBREAK | DT_VCENTER;
  format |= DT_SINGLELINE;
  if (style.vAlign == 1) format |= DT_VCENTER;
  if (style.vAlign == 2) format |= DT_BOTTOM;
  return format;
}

void PaintLabelText(HDC dc, HWND window, const RECT& area, const PropertyBytes& font,
                    const LabelTextStyle& style) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), length + 1);
  if (got <= 0) return;
  text.resize(static_cast<size_t>(got));

  HFONT created = CreateUnitFont(font);
  HGDIOBJ previous =
      SelectObject(dc, created ? created : DefaultGuiFont());
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = GetTextColor(dc);
  const UINT format = LabelTextFormat(style);
  auto draw = [&](COLORREF colour, int dx, int dy) {
    RECT r{area.left + dx, area.top + dy, area.right + dx, area.bottom + dy};
    SetTextColor(dc, colour);
    DrawTextA(dc, text.data(), got, &r, format);
  };
  const COLORREF own = MapUnitColour(style.textColor);
  switch (style.effect) {
    case 1: draw(RGB(255, 255, 255), 1, 1); draw(own, 0, 0); break;
    case 2: draw(RGB(255, 255, 255), 0, 0); draw(own, 1, 1); break;
    case 3: draw(RGB(0, 0, 0), 2, 2); draw(own, 0, 0); break;
    default: draw(own, 0, 0); break;
  }
  SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
  SelectObject(dc, previous);
  if (created) DeleteObject(created);
}

