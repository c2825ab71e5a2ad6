// libFuzzer harness for one picture decoder, chosen at build time by
// PICTURE_FUZZ_DECODER (DecodeBmp, DecodeGif, ..., or DecodePicture for the
// whole front-end). AddressSanitizer catches every read or write out of
// bounds; reading all of the result checks that dataSize is honest.
#include <cstddef>
#include <cstdint>

#include "pictures/picture.h"
#include "pictures/picture_decoders.h"

#ifndef PICTURE_FUZZ_DECODER
#error "PICTURE_FUZZ_DECODER names the decoder under test"
#endif

static bool Decode(const uint8_t* data, size_t size, DecodedPicture* out) {
  return PICTURE_FUZZ_DECODER(data, static_cast<uint32_t>(size), out);
}

volatile uint32_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  DecodedPicture picture{};
  if (Decode(data, size, &picture)) {
    if (picture.kind == kPictureNone || picture.width <= 0 || picture.height <= 0 || !picture.data)
      __builtin_trap();  // accepted but not a picture
    uint32_t sum = 0;
    for (uint32_t i = 0; i < picture.dataSize; ++i) sum += picture.data[i];
    g_sink = sum;
    FreeDecodedPicture(&picture);
  }
  return 0;
}
