// DecodePicture and LoadPictureFile: sniff, then hand over to one decoder.
#include <cstdio>

#include "pictures/picture.h"
#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

using Decoder = bool (*)(const uint8_t*, uint32_t, DecodedPicture*);

// Indexed by PictureKind.
static constexpr Decoder kDecoders[] = {
    nullptr,         // 0 not a picture
    DecodeJpeg,      // 1
    DecodeBmp,       // 2
    DecodeIconFile,  // 3 ICO
    DecodeIconFile,  // 4 CUR
    DecodeGif,       // 5
    DecodePcx8,      // 6
    DecodePcx1,      // 7
    DecodePng,       // 8
};
static_assert(sizeof(kDecoders) / sizeof(kDecoders[0]) == kPicturePng + 1);

bool DecodePicture(const uint8_t* bytes, int64_t length, DecodedPicture* out) {
  *out = DecodedPicture{};
  if (!bytes || length <= 0 || length > UINT32_MAX) return false;
  PictureKind kind = SniffPicture(bytes, static_cast<size_t>(length));
  if (kind == kPictureNone) return false;
  DecodedPicture picture{};
  if (!kDecoders[kind](bytes, static_cast<uint32_t>(length), &picture)) return false;
  *out = picture;
  return true;
}

// Reads a whole file into a runtime block; null when it cannot be read.
static uint8_t* ReadWholeFile(std::FILE* file, uint32_t* length) {
  if (std::fseek(file, 0, SEEK_END) != 0) return nullptr;
  long size = std::ftell(file);
  if (size <= 0 || static_cast<unsigned long>(size) > kMaxPictureBytes) return nullptr;
  if (std::fseek(file, 0, SEEK_SET) != 0) return nullptr;
  auto* block = static_cast<uint8_t*>(AllocateRaw(static_cast<uint32_t>(size)));
  if (!block) return nullptr;
  if (std::fread(block, 1, static_cast<size_t>(size), file) != static_cast<size_t>(size)) {
    FreeMemory(block);
    return nullptr;
  }
  *length = static_cast<uint32_t>(size);
  return block;
}

bool LoadPictureFile(const char* path, DecodedPicture* out) {
  *out = DecodedPicture{};
  if (!path) return false;
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  uint8_t head[8];
  bool ok = false;
  uint8_t* whole = nullptr;
  uint32_t length = 0;
  // Sniff first so that a file that is no picture is never read whole.
  if (std::fread(head, 1, sizeof head, file) == sizeof head &&
      SniffPicture(head, sizeof head) != kPictureNone)
    whole = ReadWholeFile(file, &length);
  std::fclose(file);
  if (whole) {
    ok = DecodePicture(whole, length, out);
    FreeMemory(whole);
  }
  return ok;
}

void FreeDecodedPicture(DecodedPicture* picture) {
  if (!picture) return;
  FreeMemory(picture->data);
  *picture = DecodedPicture{};
}
