#include "tools/constants_segment.h"

#include <cstdio>
#include <cstring>

#include "tools/sha256.h"

namespace {

bool Fail(std::string* error, const ConstantSpec& c, const std::string& message) {
  *error = "line " + std::to_string(c.line) + ": " + c.symbol + ": " + message;
  return false;
}

void PutWord(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}

// Offset of an existing NUL-terminated text equal to `text` among the
// recorded text offsets, or appends it.
uint32_t SharedText(ConstantsSegment* segment, std::vector<uint32_t>* texts, const std::string& text) {
  for (uint32_t at : *texts) {
    const char* existing = reinterpret_cast<const char*>(segment->bytes.data() + at);
    if (std::strlen(existing) == text.size() && std::memcmp(existing, text.data(), text.size()) == 0)
      return at;
  }
  auto at = static_cast<uint32_t>(segment->bytes.size());
  segment->bytes.insert(segment->bytes.end(), text.begin(), text.end());
  segment->bytes.push_back(0);
  texts->push_back(at);
  return at;
}

bool AppendFile(const ConstantSpec& c, const std::string& root, ConstantsSegment* out,
                std::vector<std::string>* inputs, std::string* error) {
  std::string path = root.empty() ? c.path : root + "/" + c.path;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return Fail(error, c, "cannot read " + path);
  inputs->push_back(path);
  if (bytes.size() != c.size)
    return Fail(error, c, path + " is " + std::to_string(bytes.size()) + " bytes, not " + std::to_string(c.size));
  std::string digest = Sha256Hex(bytes.data(), bytes.size());
  if (digest != c.sha256) return Fail(error, c, path + " has SHA-256 " + digest + ", not " + c.sha256);
  PutWord(&out->bytes, 1);
  PutWord(&out->bytes, static_cast<uint32_t>(bytes.size()));
  out->bytes.insert(out->bytes.end(), bytes.begin(), bytes.end());
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool BuildConstantsSegment(const ProgramDescription& description, const std::string& root,
                           ConstantsSegment* out, std::vector<std::string>* inputs, std::string* error) {
  *out = ConstantsSegment();
  std::vector<uint32_t> texts;  // offsets of the texts, for sharing DLL names
  for (const ConstantSpec& c : description.constants) {
    auto at = static_cast<uint32_t>(out->bytes.size());
    out->constantOffsets.push_back(at);
    if (c.kind == ConstantSpec::kFile) {
      if (!AppendFile(c, root, out, inputs, error)) return false;
    } else {
      if (c.text.find('\0') != std::string::npos) return Fail(error, c, "a text cannot hold a zero byte");
      out->bytes.insert(out->bytes.end(), c.text.begin(), c.text.end());
      out->bytes.push_back(0);
      texts.push_back(at);
    }
    if (out->bytes.size() > 0x7FFFFFFF) return Fail(error, c, "the segment grows beyond 2 GB");
  }
  for (const DllSpec& d : description.dllCommands) {
    out->libraryNameOffsets.push_back(SharedText(out, &texts, d.library));
    out->functionNameOffsets.push_back(SharedText(out, &texts, d.function));
  }
  return true;
}
