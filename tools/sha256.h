// SHA-256 (FIPS 180-4), enough to check the archiver payloads against the
// digests recorded in the application's description.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  std::string FinishHex();

 private:
  void Block(const uint8_t* block);

  uint32_t state_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(const void* data, size_t size);
