// Decoded pictures on a device context: prepared bitmaps and icons, drawing
// (natural size, stretched, or with a transparent colour). Windows only.
#pragma once
#include <windows.h>

#include "pictures/picture.h"

struct PreparedPicture {
  HDC dc;          // where DrawPicture draws; not owned
  uint32_t kind;   // PictureKind
  int32_t width;
  int32_t height;
  HICON icon;      // kinds 3 and 4, owned
  HBITMAP bitmap;  // other kinds, owned
};

// Builds the bitmap (or icon) of a decoded picture for `dc`. PNG pixels are
// blended over `background`; so is the rest of a GIF screen that its first
// image does not cover. False for no picture, kind 0, no device context or
// a failed GDI call.
bool PreparePicture(HDC dc, const DecodedPicture* picture, COLORREF background,
                    PreparedPicture* out);

// Draws on prepared->dc. A width or height of -1 is the natural size; an
// operation >= 0 is a raster operation, a negative one -c draws with the
// colour c transparent.
bool DrawPicture(const PreparedPicture* prepared, int x, int y, int width, int height,
                 int32_t operation);

// Deletes the bitmap or icon and leaves the record empty.
void ReleasePrepared(PreparedPicture* prepared);

// A screen-compatible bitmap of an image file that the caller owns, or 0.
// Icons and cursors are drawn over white.
HBITMAP PictureToBitmap(const uint8_t* bytes, int32_t length, COLORREF background);

// HostService code 1003: first argument the bytes, second the length.
uint32_t HostPictureToBitmap(uint32_t bytes, uint32_t length);

// Prepares over `background`, draws with SRCCOPY at the rectangle, releases.
bool DrawPictureOnce(HDC dc, const DecodedPicture* picture, int x, int y, int width, int height,
                     COLORREF background);
