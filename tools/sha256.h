// SHA-256 digests for checking the payload files against the digests
// recorded in the application's description; libcrypto does the hashing.
#pragma once
#include <cstddef>
#include <string>

// The digest of `size` bytes as 64 lower-case hex digits; empty on failure.
std::string Sha256Hex(const void* data, size_t size);
