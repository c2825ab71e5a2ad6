// The GDI side of pictures: bitmaps and icons from decoded pictures, and drawing.
#include "pictures/picture_draw.h"

#include <cstring>

#include "runtime/memory.h"
#include "pictures/picture_reader.h"

namespace {

// A BITMAPINFO with room for 256 colours, for the kind-5 and kind-6 data.
const BITMAPINFO* PaletteInfo(const DecodedPicture* picture) {
  static_assert(sizeof(BITMAPINFOHEADER) == sizeof(PictureInfoHeader));
  return reinterpret_cast<const BITMAPINFO*>(picture->data);
}

BITMAPINFOHEADER TrueColourHeader(int32_t width, int32_t height, uint16_t bits) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = BI_RGB;
  return h;
}

// Kinds 1 and 2: packed bottom-up triples into rows padded to 4 bytes.
HBITMAP MakeTrueColourBitmap(HDC dc, const DecodedPicture* p) {
  uint32_t packed = uint32_t(p->width) * 3, stride, size;
  if (!PaddedRowBytes(uint32_t(p->width), 24, 4, &stride) ||
      !CheckedMul(stride, uint32_t(p->height), &size) || uint64_t(packed) * p->height > p->dataSize)
    return nullptr;
  auto* rows = static_cast<uint8_t*>(AllocateRaw(size));
  if (!rows) return nullptr;
  for (int32_t y = 0; y < p->height; ++y) {
    uint8_t* row = rows + size_t(stride) * y;
    std::memcpy(row, p->data + size_t(packed) * y, packed);
    std::memset(row + packed, 0, stride - packed);
  }
  BITMAPINFOHEADER h = TrueColourHeader(p->width, p->height, 24);
  HBITMAP bitmap = CreateDIBitmap(dc, &h, CBM_INIT, rows, reinterpret_cast<BITMAPINFO*>(&h),
                                  DIB_RGB_COLORS);
  FreeMemory(rows);
  return bitmap;
}

// Kind 8: every pixel that is not opaque blended over the background.
HBITMAP MakeBlendedBitmap(HDC dc, const DecodedPicture* p, COLORREF background) {
  uint32_t rowBytes, size;
  if (!CheckedMul(uint32_t(p->width), 4, &rowBytes) || !CheckedMul(rowBytes, uint32_t(p->height), &size) ||
      size > p->dataSize)
    return nullptr;
  auto* pixels = static_cast<uint8_t*>(AllocateRaw(size));
  if (!pixels) return nullptr;
  const uint32_t back[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
  for (uint32_t i = 0; i < size; i += 4) {
    const uint8_t* src = p->data + i;
    uint8_t* dst = pixels + i;
    uint32_t alpha = src[3];
    for (int c = 0; c < 3; ++c)
      dst[c] = alpha == 255 ? src[c] : uint8_t((alpha * src[c] + (255 - alpha) * back[c]) / 255);
    dst[3] = src[3];
  }
  BITMAPINFOHEADER h = TrueColourHeader(p->width, -p->height, 32);
  HBITMAP bitmap = CreateDIBitmap(dc, &h, CBM_INIT, pixels, reinterpret_cast<BITMAPINFO*>(&h),
                                  DIB_RGB_COLORS);
  FreeMemory(pixels);
  return bitmap;
}

// Kind 5: the first image through a DIB into a bitmap of the logical-screen
// size, at its top-left corner; the rest of the screen shows the background.
HBITMAP MakeGifBitmap(HDC dc, const DecodedPicture* p, COLORREF background) {
  const BITMAPINFO* info = PaletteInfo(p);
  int imageWidth = info->bmiHeader.biWidth, imageHeight = -info->bmiHeader.biHeight;
  uint32_t stride, rowsBytes;
  if (!PaddedRowBytes(uint32_t(imageWidth), 8, 4, &stride) ||
      !CheckedMul(stride, uint32_t(imageHeight), &rowsBytes) ||
      uint64_t(kPalettePixelsOffset) + rowsBytes > p->dataSize)
    return nullptr;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib) return nullptr;
  std::memcpy(bits, p->data + kPalettePixelsOffset, rowsBytes);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, p->width, p->height);
  HDC from = CreateCompatibleDC(dc), to = CreateCompatibleDC(dc);
  if (bitmap && from && to) {
    HGDIOBJ oldFrom = SelectObject(from, dib), oldTo = SelectObject(to, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, p->width, p->height};
    FillRect(to, &all, brush);
    DeleteObject(brush);
    BitBlt(to, 0, 0, imageWidth, imageHeight, from, 0, 0, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
  } else if (bitmap) {
    DeleteObject(bitmap);  // never filled: no picture rather than garbage
    bitmap = nullptr;
  }
  if (from) DeleteDC(from);
  if (to) DeleteDC(to);
  DeleteObject(dib);
  return bitmap;
}

// Kinds 3 and 4: the icon from the chosen directory image, always as an icon.
HICON MakeIcon(const DecodedPicture* p) {
  auto* image = const_cast<PBYTE>(p->data);
  HICON icon = CreateIconFromResourceEx(image, p->dataSize, TRUE, 0x30000, p->width, p->height,
                                        LR_DEFAULTCOLOR);
  bool sixteenBits = p->dataSize >= sizeof(BITMAPINFOHEADER) && image[0] != 0x89 &&
                     ReadLe16(image + 14) == 16;
  if (!icon && !sixteenBits) icon = CreateIconFromResource(image, p->dataSize, TRUE, 0x30000);
  return icon;
}

HBITMAP MakeBitmap(HDC dc, const DecodedPicture* p, COLORREF background) {
  switch (p->kind) {
    case kPictureJpeg:
    case kPictureBmp:
      return MakeTrueColourBitmap(dc, p);
    case kPictureGif:
      return MakeGifBitmap(dc, p, background);
    case kPicturePcx8: {
      const BITMAPINFO* info = PaletteInfo(p);
      return CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, p->data + kPalettePixelsOffset, info,
                            DIB_RGB_COLORS);
    }
    case kPicturePcx1:
      return CreateBitmap(p->width, p->height, 1, 1, p->data);
    case kPicturePng:
      return MakeBlendedBitmap(dc, p, background);
    default:
      return nullptr;
  }
}

bool DisplayAbove16Bits() {
  HDC screen = GetDC(nullptr);
  int bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return bits > 16;
}

// The picture three times over the target: XOR, mask AND, XOR. Where the
// mask is white (the transparent colour) the target comes back unchanged.
bool DrawTransparent(HDC dc, HDC source, const PreparedPicture* p, int x, int y, int width,
                     int height, COLORREF transparent) {
  HDC maskDc = CreateCompatibleDC(dc);
  HBITMAP mask = CreateBitmap(p->width, p->height, 1, 1, nullptr);
  if (!maskDc || !mask) {  // without a mask the picture would be drawn inverted
    if (mask) DeleteObject(mask);
    if (maskDc) DeleteDC(maskDc);
    return false;
  }
  HGDIOBJ oldMask = SelectObject(maskDc, mask);
  COLORREF oldSourceBk = SetBkColor(source, transparent);
  // A 1-bit source is copied bit for bit, whatever its background colour:
  // its white is the transparent colour only when that colour is white.
  DWORD maskOperation = SRCCOPY;
  if (p->kind == kPicturePcx1 && transparent != RGB(255, 255, 255)) maskOperation = BLACKNESS;
  BitBlt(maskDc, 0, 0, p->width, p->height, source, 0, 0, maskOperation);
  SetBkColor(source, oldSourceBk);

  COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0)), oldBk = SetBkColor(dc, RGB(255, 255, 255));
  StretchBlt(dc, x, y, width, height, source, 0, 0, p->width, p->height, SRCINVERT);
  StretchBlt(dc, x, y, width, height, maskDc, 0, 0, p->width, p->height, SRCAND);
  StretchBlt(dc, x, y, width, height, source, 0, 0, p->width, p->height, SRCINVERT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);

  SelectObject(maskDc, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDc);
  return true;
}

}  // namespace

bool PreparePicture(HDC dc, const DecodedPicture* picture, COLORREF background,
                    PreparedPicture* out) {
  *out = PreparedPicture{};
  if (!dc || !picture || picture->kind == kPictureNone || !picture->data || picture->width <= 0 ||
      picture->height <= 0)
    return false;
  PreparedPicture prepared{dc, picture->kind, picture->width, picture->height, nullptr, nullptr};
  if (picture->kind == kPictureIcon || picture->kind == kPictureCursor)
    prepared.icon = MakeIcon(picture);
  else
    prepared.bitmap = MakeBitmap(dc, picture, background);
  if (!prepared.icon && !prepared.bitmap) return false;
  *out = prepared;
  return true;
}

bool DrawPicture(const PreparedPicture* p, int x, int y, int width, int height, int32_t operation) {
  if (!p || !p->dc || (!p->icon && !p->bitmap)) return false;
  if (width == -1) width = p->width;
  if (height == -1) height = p->height;
  HDC dc = p->dc;
  int oldMode = SetStretchBltMode(dc, DisplayAbove16Bits() ? HALFTONE : COLORONCOLOR);
  POINT oldOrigin;
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);  // HALFTONE needs it after the mode change
  bool ok = true;
  if (p->icon) {
    ok = DrawIconEx(dc, x, y, p->icon, width, height, 0, nullptr, DI_NORMAL) != 0;
  } else {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, p->bitmap);
    if (operation < 0)
      ok = DrawTransparent(dc, source, p, x, y, width, height, COLORREF(0u - uint32_t(operation)));
    else
      ok = StretchBlt(dc, x, y, width, height, source, 0, 0, p->width, p->height,
                      DWORD(operation)) != 0;
    SelectObject(source, old);
    DeleteDC(source);
  }
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  SetStretchBltMode(dc, oldMode);
  return ok;
}

void ReleasePrepared(PreparedPicture* p) {
  if (!p) return;
  if (p->icon) DestroyIcon(p->icon);
  if (p->bitmap) DeleteObject(p->bitmap);
  *p = PreparedPicture{};
}

HBITMAP PictureToBitmap(const uint8_t* bytes, int32_t length, COLORREF background) {
  DecodedPicture picture;
  if (!DecodePicture(bytes, length, &picture)) return nullptr;
  HDC screen = GetDC(nullptr);
  PreparedPicture prepared;
  HBITMAP result = nullptr;
  if (PreparePicture(screen, &picture, background, &prepared)) {
    if (prepared.icon) {
      result = CreateCompatibleBitmap(screen, prepared.width, prepared.height);
      HDC dc = CreateCompatibleDC(screen);
      if (result && dc) {
        HGDIOBJ old = SelectObject(dc, result);
        PatBlt(dc, 0, 0, prepared.width, prepared.height, WHITENESS);
        DrawIconEx(dc, 0, 0, prepared.icon, prepared.width, prepared.height, 0, nullptr, DI_NORMAL);
        SelectObject(dc, old);
      }
      if (dc) DeleteDC(dc);
    } else {
      result = prepared.bitmap;  // passes to the caller
      prepared.bitmap = nullptr;
    }
    ReleasePrepared(&prepared);
  }
  ReleaseDC(nullptr, screen);
  FreeDecodedPicture(&picture);
  return result;
}

uint32_t HostPictureToBitmap(uint32_t bytes, uint32_t length) {
  static_assert(sizeof(void*) == 4, "host service words hold addresses");
  auto* data = reinterpret_cast<const uint8_t*>(uintptr_t(bytes));
  return uint32_t(uintptr_t(PictureToBitmap(data, int32_t(length), RGB(255, 255, 255))));
}

bool DrawPictureOnce(HDC dc, const DecodedPicture* picture, int x, int y, int width, int height,
                     COLORREF background) {
  PreparedPicture prepared;
  if (!PreparePicture(dc, picture, background, &prepared)) return false;
  bool ok = DrawPicture(&prepared, x, y, width, height, SRCCOPY);
  ReleasePrepared(&prepared);
  return ok;
}
