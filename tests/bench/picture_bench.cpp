// Decoding speed of our GIF, BMP and PCX decoders against stb_image (and,
// for PCX, which stb does not read, against a plain reference decoder).
// Prints microseconds per decode and the ratio ours / reference, and fails
// when ours is more than 1.2 times slower or gives other pixels.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include "pictures/picture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  Bytes bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

volatile uint32_t g_sink;

// The best of several batches, in microseconds per call.
template <typename F>
double Time(F&& decode) {
  double best = 1e30;
  for (int batch = 0; batch < 7; ++batch) {
    int calls = 0;
    auto start = std::chrono::steady_clock::now();
    double elapsed;
    do {
      decode();
      ++calls;
      elapsed = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    } while (elapsed < 60000);
    best = std::min(best, elapsed / calls);
  }
  return best;
}

bool DecodeOurs(const Bytes& file) {
  DecodedPicture p;
  if (!DecodePicture(file.data(), int64_t(file.size()), &p)) return false;
  g_sink = p.data[p.dataSize / 2];
  FreeDecodedPicture(&p);
  return true;
}

// stb gives GIFs as RGBA; ours as indices and a colour table. For a fair
// race ours goes on to the same RGBA.
std::vector<uint8_t> g_rgba;
bool DecodeOursToRgba(const Bytes& file) {
  DecodedPicture p;
  if (!DecodePicture(file.data(), int64_t(file.size()), &p)) return false;
  if (p.kind != kPictureGif) {
    FreeDecodedPicture(&p);
    return false;
  }
  const auto* header = reinterpret_cast<const PictureInfoHeader*>(p.data);
  const uint8_t* table = p.data + sizeof(PictureInfoHeader);
  const uint8_t* rows = p.data + kPalettePixelsOffset;
  const size_t width = size_t(header->width), height = size_t(-header->height), stride = (width + 3) & ~size_t(3);
  g_rgba.resize(width * height * 4);
  uint8_t* out = g_rgba.data();
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x, out += 4) {
      const uint8_t* quad = table + rows[y * stride + x] * 4;
      out[0] = quad[2];
      out[1] = quad[1];
      out[2] = quad[0];
      out[3] = 255;
    }
  g_sink = g_rgba[g_rgba.size() / 2];
  FreeDecodedPicture(&p);
  return true;
}

bool SameRgbaAsStb(const Bytes& file) {
  int w, h, n;
  stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 4);
  bool same = pixels && DecodeOursToRgba(file) && g_rgba.size() == size_t(w) * h * 4 &&
              std::memcmp(g_rgba.data(), pixels, g_rgba.size()) == 0;
  stbi_image_free(pixels);
  return same;
}

bool DecodeStb(const Bytes& file) {
  int w, h, n;
  stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0);
  if (!pixels) return false;
  g_sink = pixels[w * h / 2];
  stbi_image_free(pixels);
  return true;
}

// The textbook PCX loop: header, run-length data line by line into an
// index buffer, then the 256-colour table if it follows.
bool DecodePcxReference(const Bytes& file) {
  if (file.size() < 129) return false;
  const uint8_t* b = file.data();
  size_t width = size_t(b[8] | b[9] << 8) - (b[4] | b[5] << 8) + 1;
  size_t height = size_t(b[10] | b[11] << 8) - (b[6] | b[7] << 8) + 1;
  size_t line = size_t(b[66] | b[67] << 8) * b[65];
  size_t stride = (width + 3) & ~size_t(3);
  auto* pixels = static_cast<uint8_t*>(std::calloc(height * stride + 1024, 1));
  if (!pixels) return false;
  size_t pos = 128;
  for (size_t y = 0; y < height; ++y) {
    size_t x = 0;
    while (x < line && pos < file.size()) {
      uint8_t v = b[pos++];
      size_t count = 1;
      if ((v & 0xC0) == 0xC0 && pos < file.size()) {
        count = v & 0x3F;
        v = b[pos++];
      }
      for (; count && x < line; --count, ++x)
        if (x < width) pixels[y * stride + x] = v;
    }
  }
  if (pos + 769 <= file.size() && b[pos] == 12) {
    uint8_t* table = pixels + height * stride;
    for (int i = 0; i < 256; ++i) {
      table[i * 4] = b[pos + 1 + i * 3 + 2];
      table[i * 4 + 1] = b[pos + 1 + i * 3 + 1];
      table[i * 4 + 2] = b[pos + 1 + i * 3];
    }
  }
  g_sink = pixels[height * stride / 2];
  std::free(pixels);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SAMPLE_FOLDER\n", argv[0]);
    return 2;
  }
  std::string dir = argv[1];
  const struct {
    const char* file;
    const char* label;
    bool (*ours)(const Bytes&);
    bool (*reference)(const Bytes&);
    const char* referenceName;
  } cases[] = {
      {"bench.gif", "GIF 512x512 to RGBA", DecodeOursToRgba, DecodeStb, "stb_image"},
      {"bench-interlaced.gif", "GIF 512x512 interlaced", DecodeOursToRgba, DecodeStb, "stb_image"},
      {"bench24.bmp", "BMP 512x512, 24 bits", DecodeOurs, DecodeStb, "stb_image"},
      {"bench8.bmp", "BMP 512x512, 8 bits", DecodeOurs, DecodeStb, "stb_image"},
      {"bench.pcx", "PCX 512x512, 8 bits", DecodeOurs, DecodePcxReference, "plain loop"},
  };
  std::printf("%-28s %12s %12s %-11s %8s\n", "picture", "ours (us)", "ref (us)", "reference", "ratio");
  int failures = 0;
  for (const auto& c : cases) {
    Bytes file = ReadFile(dir + "/" + c.file);
    if (!c.ours(file) || !c.reference(file)) {
      std::printf("%-28s could not be decoded\n", c.label);
      ++failures;
      continue;
    }
    if (c.ours == DecodeOursToRgba && !SameRgbaAsStb(file)) {
      std::printf("%-28s pixels differ from stb_image's\n", c.label);
      ++failures;
      continue;
    }
    double ours = Time([&] { c.ours(file); });
    double reference = Time([&] { c.reference(file); });
    const bool slower = ours > 1.2 * reference;
    std::printf("%-28s %12.1f %12.1f %-11s %8.2f%s\n", c.label, ours, reference, c.referenceName,
                ours / reference, slower ? "  slower than 1.2x" : "");
    failures += slower;
  }
  if (failures) std::printf("%d of %zu failed\n", failures, sizeof cases / sizeof cases[0]);
  return failures ? 1 : 0;
}
