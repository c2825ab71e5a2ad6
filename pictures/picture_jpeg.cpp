// JPEG through the IJG decompression interface (version 6b), reading from
// memory; decoder errors come back through longjmp.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

namespace {

// Huffman coding spends at least one bit per 8 x 8 block in each scan, and a
// block comes out as 64 pixels of 3 bytes: no complete file gives more than
// 1536 bytes of picture per byte of its own. A frame header that promises
// more (the data then ends early and the rest would be filled in grey) is
// refused before anything is allocated.
constexpr uint64_t kMaxInflation = 64 * 3 * 8;

struct ErrorTrap {
  jpeg_error_mgr manager;  // first, so the library's pointer is ours
  std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1); }
void OnMessage(j_common_ptr) {}  // warnings go nowhere

// The source manager: the whole file is one buffer; running out is an
// error rather than the usual fake end-of-image marker.
void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr cinfo) {
  ERREXIT(cinfo, JERR_INPUT_EOF);
  return FALSE;
}
void SkipInput(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  if (count <= 0) return;
  if (static_cast<unsigned long>(count) > src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}
void TermSource(j_decompress_ptr) {}

// One scanline of `components` samples per pixel into blue-green-red.
void StoreScanline(const JSAMPLE* line, uint32_t width, int components, uint8_t* dst) {
  if (components == 3) {
    for (uint32_t x = 0; x < width; ++x, line += 3, dst += 3) {
      dst[0] = line[2];
      dst[1] = line[1];
      dst[2] = line[0];
    }
  } else {
    for (uint32_t x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = line[x];
  }
}

}  // namespace

bool DecodeJpeg(const uint8_t* bytes, uint32_t length, DecodedPicture* out) {
  jpeg_decompress_struct cinfo;
  ErrorTrap trap;
  jpeg_source_mgr source;
  // Touched after setjmp, so kept out of registers.
  uint8_t* volatile pixels = nullptr;
  JSAMPLE* volatile line = nullptr;

  cinfo.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = OnError;
  trap.manager.output_message = OnMessage;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&cinfo);
    FreeMemory(pixels);
    FreeMemory(line);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  source.next_input_byte = bytes;
  source.bytes_in_buffer = length;
  source.init_source = InitSource;
  source.fill_input_buffer = FillInput;
  source.skip_input_data = SkipInput;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = TermSource;
  cinfo.src = &source;

  jpeg_read_header(&cinfo, TRUE);
  // Refuse huge declared sizes before the library sizes its own buffers,
  // and cap what those may take (a progressive file keeps every coefficient).
  uint32_t declared;
  if (!CheckedMul(cinfo.image_width, cinfo.image_height, &declared) ||
      !CheckedMul(declared, 3, &declared) || declared > uint64_t(length) * kMaxInflation)
    std::longjmp(trap.jump, 1);
  cinfo.mem->max_memory_to_use = 2 * long(kMaxPictureBytes);
  jpeg_start_decompress(&cinfo);
  uint32_t width = cinfo.output_width, height = cinfo.output_height;
  int components = cinfo.output_components;
  uint32_t rowBytes, size, lineBytes;
  // Only RGB and grey come out as pictures; CMYK would leave the rows unset.
  if ((components != 3 && components != 1) || width == 0 || height == 0 ||
      !CheckedMul(width, 3, &rowBytes) || !CheckedMul(rowBytes, height, &size) ||
      !CheckedMul(width, static_cast<uint32_t>(components), &lineBytes))
    std::longjmp(trap.jump, 1);
  pixels = static_cast<uint8_t*>(AllocateRaw(size));
  line = static_cast<JSAMPLE*>(AllocateRaw(lineBytes));
  if (!pixels || !line) std::longjmp(trap.jump, 1);

  while (cinfo.output_scanline < height) {
    JSAMPROW rows[1] = {line};
    uint32_t y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) std::longjmp(trap.jump, 1);
    // Bottom row first, as the BMP decoder delivers too.
    StoreScanline(line, width, components, pixels + size_t(rowBytes) * (height - 1 - y));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  FreeMemory(line);
  out->kind = kPictureJpeg;
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->data = pixels;
  out->dataSize = size;
  return true;
}
