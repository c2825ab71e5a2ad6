// One decoder per format, behind DecodePicture. Each either fills *out and
// answers true, or leaves *out untouched and answers false.
#pragma once
#include "pictures/picture.h"

bool DecodeJpeg(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
bool DecodeBmp(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
bool DecodeIconFile(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
bool DecodeGif(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
bool DecodePcx8(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
bool DecodePcx1(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
bool DecodePng(const uint8_t* bytes, uint32_t length, DecodedPicture* out);
