// PNG through libpng's simplified reading interface, into BGRA rows.
// Interlaced 16-bit images take libpng's row interface instead: the
// simplified reader narrows them to 8 bits in a scratch row that does not
// keep the earlier passes, so some rows come out as garbage or as copies.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

static_assert(PNG_FORMAT_BGRA == 19);

namespace {

// Deflate expands data at most this much; a 1-bit pixel becomes 32 bits.
// Declared sizes the file could never fill are not allocated.
constexpr uint64_t kMaxInflation = 1032;

// Bytes of BGRA for a width x height picture from `length` bytes of file;
// false for an empty or implausible size.
bool PictureBytes(uint32_t width, uint32_t height, uint32_t length, uint32_t* size) {
  uint32_t rowBytes;
  return width != 0 && height != 0 && CheckedMul(width, 4, &rowBytes) && CheckedMul(rowBytes, height, size) &&
         uint64_t(*size) <= uint64_t(length) * kMaxInflation * 32;
}

// The IHDR chunk comes first: bit depth at byte 24, interlace method at 28.
bool IsInterlaced16Bit(const uint8_t* bytes, uint32_t length) {
  return length > 28 && std::memcmp(bytes + 12, "IHDR", 4) == 0 && bytes[24] == 16 && bytes[28] == 1;
}

// --- the row interface, for interlaced 16-bit images ---

struct MemoryInput {
  const uint8_t* bytes;
  uint32_t length;
  uint32_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (count > in->length - in->pos) png_error(png, "read past the end");
  std::memcpy(out, in->bytes + in->pos, count);
  in->pos += static_cast<uint32_t>(count);
}

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Rows arrive pass by pass as 16-bit BGRA (the transforms the simplified
// reader sets up, less its narrowing) and are narrowed into place here.
void ReadPasses(png_structp png, uint32_t width, uint32_t height, uint8_t* row, uint8_t* pixels) {
  for (int pass = 0; pass < 7; ++pass) {
    const uint32_t columns = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
    if (columns == 0 || rows == 0) continue;  // libpng skips empty passes
    for (uint32_t r = 0; r < rows; ++r) {
      png_read_row(png, row, nullptr);
      const uint32_t y = PNG_ROW_FROM_PASS_ROW(r, pass);
      for (uint32_t c = 0; c < columns; ++c) {
        uint8_t* out = pixels + (size_t(y) * width + PNG_COL_FROM_PASS_COL(c, pass)) * 4;
        // Big-endian 16-bit samples to 8 bits, rounded as libpng scales them.
        for (int k = 0; k < 4; ++k) {
          const uint8_t* sample = row + (size_t(c) * 4 + k) * 2;
          out[k] = static_cast<uint8_t>(((uint32_t(sample[0]) << 8 | sample[1]) * 255 + 32767) / 65535);
        }
      }
    }
  }
}

bool DecodeInterlaced16Bit(const uint8_t* bytes, uint32_t length, DecodedPicture* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  // Touched after setjmp, so kept out of registers.
  uint8_t* volatile pixels = nullptr;
  uint8_t* volatile row = nullptr;
  MemoryInput input{bytes, length, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    FreeMemory(pixels);
    FreeMemory(row);
    return false;
  }
  if (!info) png_longjmp(png, 1);
  png_set_read_fn(png, &input, ReadFromMemory);
  png_set_benign_errors(png, 1);  // as lenient as the simplified reader
  png_read_info(png, info);
  const uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  uint32_t size, rowBytes;
  if (!PictureBytes(width, height, length, &size) || !CheckedMul(width, 8, &rowBytes)) png_longjmp(png, 1);

  // As the simplified reader: a 16-bit file without gamma information is
  // linear; the output is sRGB with straight (not premultiplied) alpha.
  png_set_expand(png);
  png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_GAMMA_LINEAR);
  const int colourType = png_get_color_type(png, info);
  if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != rowBytes) png_longjmp(png, 1);

  pixels = static_cast<uint8_t*>(AllocateRaw(size));
  row = static_cast<uint8_t*>(AllocateRaw(rowBytes));
  if (!pixels || !row) png_longjmp(png, 1);
  ReadPasses(png, width, height, row, pixels);
  // Like the simplified reader, nothing after the image data is read.
  png_destroy_read_struct(&png, &info, nullptr);
  FreeMemory(row);
  out->kind = kPicturePng;
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->data = pixels;
  out->dataSize = size;
  return true;
}

}  // namespace

bool DecodePng(const uint8_t* bytes, uint32_t length, DecodedPicture* out) {
  if (length <= 7) return false;
  if (IsInterlaced16Bit(bytes, length)) return DecodeInterlaced16Bit(bytes, length, out);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes, length)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;
  // Any size the format allows, within the bounds every picture has.
  uint32_t size;
  if (!PictureBytes(image.width, image.height, length, &size)) {
    png_image_free(&image);
    return false;
  }
  auto* pixels = static_cast<uint8_t*>(AllocateRaw(size));
  if (!pixels) {
    png_image_free(&image);
    return false;
  }
  if (!png_image_finish_read(&image, nullptr, pixels, 0, nullptr)) {
    png_image_free(&image);
    FreeMemory(pixels);
    return false;
  }
  png_image_free(&image);
  out->kind = kPicturePng;
  out->width = static_cast<int32_t>(image.width);
  out->height = static_cast<int32_t>(image.height);
  out->data = pixels;
  out->dataSize = size;
  return true;
}
