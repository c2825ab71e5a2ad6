// Format recognition from the first 8 bytes.
#include "pictures/picture.h"
#include "pictures/picture_reader.h"

static bool IsIconDirectory(const uint8_t* b, uint16_t type) {
  return ReadLe16(b) == 0 && ReadLe16(b + 2) == type && ReadLe16(b + 4) > 0;
}

PictureKind SniffPicture(const uint8_t* b, size_t length) {
  if (!b || length < 8) return kPictureNone;
  // The order matters only for overlapping signatures; it is the runtime's.
  if (b[0] == 'B' && b[1] == 'M') return kPictureBmp;
  if (b[0] == 0xFF && b[1] == 0xD8) return kPictureJpeg;
  if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return kPicturePng;
  if (IsIconDirectory(b, 1)) return kPictureIcon;
  if (IsIconDirectory(b, 2)) return kPictureCursor;
  if (b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8' && (b[4] == '7' || b[4] == '9') &&
      b[5] == 'a')
    return kPictureGif;
  if (b[0] == 0x0A && b[1] <= 5 && b[2] == 1 && b[3] == 8) return kPicturePcx8;
  if (b[0] == 0x0A && b[1] == 3 && b[2] == 1 && b[3] == 1) return kPicturePcx1;
  return kPictureNone;
}
