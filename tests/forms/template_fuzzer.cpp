// libFuzzer target: any bytes as a template segment. Whatever LoadTemplate
// accepts must be walkable through every accessor inside the input.
#include "tests/forms/template_test_support.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  WindowTemplate registry{};
  // Loaded twice so that appending to a filled registry is covered too.
  for (int pass = 0; pass < 2; ++pass) {
    if (!LoadTemplate(&registry, data, uint32_t(size), 0x00401000)) break;
    if (!ExerciseRegistry(&registry)) std::abort();
  }
  FreeWindowTemplate(&registry);
  return 0;
}
