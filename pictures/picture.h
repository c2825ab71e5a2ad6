// The picture front-end: recognising and decoding the image files that units
// carry as byte-sets. Pure code; the GDI side lives in picture_draw.h.
#pragma once
#include <cstddef>
#include <cstdint>

enum PictureKind : uint32_t {
  kPictureNone = 0,
  kPictureJpeg = 1,
  kPictureBmp = 2,
  kPictureIcon = 3,
  kPictureCursor = 4,
  kPictureGif = 5,
  kPicturePcx8 = 6,
  kPicturePcx1 = 7,
  kPicturePng = 8,
};

// BITMAPINFOHEADER as the kind-5 and kind-6 layouts carry it.
struct PictureInfoHeader {
  uint32_t size;
  int32_t width;
  int32_t height;  // negative: top row first
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
};
static_assert(sizeof(PictureInfoHeader) == 40);
static_assert(offsetof(PictureInfoHeader, width) == 4);
static_assert(offsetof(PictureInfoHeader, bitCount) == 14);
static_assert(offsetof(PictureInfoHeader, clrUsed) == 32);

// Kinds 5 and 6: the header, then 256 RGBQUADs (blue, green, red, 0), then rows.
constexpr uint32_t kPaletteEntries = 256;
constexpr uint32_t kPalettePixelsOffset = sizeof(PictureInfoHeader) + kPaletteEntries * 4;
static_assert(kPalettePixelsOffset == 1064);

// Pixel layouts of data, by kind:
//   1, 2  width x height blue-green-red triples, packed rows, bottom row first
//   5, 6  PictureInfoHeader + colour table + 8-bit rows padded to 4 bytes,
//         top row first (kind 5: the first image's own size, which may be
//         smaller than width x height, the logical screen)
//   7     1-bit rows padded to 2 bytes, top row first (CreateBitmap's layout)
//   8     width x height blue-green-red-alpha, top row first
//   3, 4  the chosen directory image (BITMAPINFOHEADER or PNG data) from
//         which the Windows side builds the icon
// The data block comes from AllocateRaw; FreeDecodedPicture releases it.
struct DecodedPicture {
  uint32_t kind;  // PictureKind, 0 = empty
  int32_t width;
  int32_t height;
  uint8_t* data;
  uint32_t dataSize;
};

// The file-dialog filter of the runtime's picture properties (GBK):
// "所有图片文件 (*.JPG;*.PNG;*.BMP;*.GIF;*.ICO;*.CUR)|*.JPG;*.PNG;*.BMP;*.GIF;*.ICO;*.CUR|JPG图片 (*.JPG)|*.JPG|PNG图片 (*.PNG)|*.PNG|BMP图片 (*.BMP)|*.BMP|GIF图片 (*.GIF)|*.GIF|图标 (*.ICO)|*.ICO|鼠标指针 (*.CUR)|*.CUR|所有文件 (*.*)|*.*||"
constexpr char kPictureFileFilter[] =
    "\xCB\xF9\xD3\xD0\xCD\xBC\xC6\xAC\xCE\xC4\xBC\xFE (*.JPG;*.PNG;*.BMP;*.GIF;*.ICO;*.CUR)|"
    "*.JPG;*.PNG;*.BMP;*.GIF;*.ICO;*.CUR|"
    "JPG\xCD\xBC\xC6\xAC (*.JPG)|"
    "*.JPG|"
    "PNG\xCD\xBC\xC6\xAC (*.PNG)|"
    "*.PNG|"
    "BMP\xCD\xBC\xC6\xAC (*.BMP)|"
    "*.BMP|"
    "GIF\xCD\xBC\xC6\xAC (*.GIF)|"
    "*.GIF|"
    "\xCD\xBC\xB1\xEA (*.ICO)|"
    "*.ICO|"
    "\xCA\xF3\xB1\xEA\xD6\xB8\xD5\xEB (*.CUR)|"
    "*.CUR|"
    "\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE (*.*)|"
    "*.*|"
    "|";

// Recognises the format from the first 8 bytes; fewer than 8 is kind 0.
PictureKind SniffPicture(const uint8_t* bytes, size_t length);

// Decodes a whole image file into *out (which is overwritten, not freed).
// False (and *out empty) for no bytes, a length <= 0, an unrecognised format
// or any decoder failure.
bool DecodePicture(const uint8_t* bytes, int64_t length, DecodedPicture* out);

// The same for a file (path in the program's code page).
bool LoadPictureFile(const char* path, DecodedPicture* out);

// Frees the data and leaves the picture empty; an empty picture is ignored.
void FreeDecodedPicture(DecodedPicture* picture);
