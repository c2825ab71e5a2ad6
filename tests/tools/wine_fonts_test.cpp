// The test prefixes carry Wine's Marlett, which draws the caption buttons:
// without it Wine falls back to a text font and they show 0, 1 and r.
#include <gtest/gtest.h>

#include <windows.h>

TEST(WineFonts, CaptionButtonsFindMarlett) {
  LOGFONTA wanted{};
  wanted.lfCharSet = SYMBOL_CHARSET;
  lstrcpyA(wanted.lfFaceName, "Marlett");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, CreateFontIndirectA(&wanted));
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, sizeof face, face);
  DeleteObject(SelectObject(dc, previous));
  DeleteDC(dc);
  EXPECT_STREQ(face, "Marlett");
}
