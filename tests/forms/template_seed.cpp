// Writes the application's template segment into a fuzzing corpus folder.
#include "tests/forms/template_test_support.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: template_seed <corpus folder>\n");
    return 2;
  }
  std::vector<uint8_t> segment;
  if (!WriteTemplate(WorkedExampleTemplate(), &segment)) return 1;
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  std::string path = std::string(argv[1]) + "/worked_example.bin";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 1;
  bool ok = std::fwrite(segment.data(), 1, segment.size(), f) == segment.size();
  return std::fclose(f) == 0 && ok ? 0 : 1;
}
