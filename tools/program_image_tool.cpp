// program_image_tool <description> <source root> <output folder>
//
// Builds the application's constants segment and window template segment
// from its readable description and writes, into the output folder:
//   constants.bin, template.bin   the two segments
//   program_image_layout.h       offsets and identifiers for compiled code
//   program_image.d              dependencies, for the build system
// Files whose content did not change are left untouched.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/constants_segment.h"
#include "tools/layout_header.h"
#include "tools/program_description.h"
#include "tools/template_image.h"

namespace {

bool WriteIfChanged(const std::string& path, const void* data, size_t size) {
  std::vector<uint8_t> old;
  if (ReadWholeFile(path, &old) && old.size() == size &&
      (size == 0 || std::equal(old.begin(), old.end(), static_cast<const uint8_t*>(data))))
    return true;
  std::string temporary = path + ".new";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(data, 1, size, file) == size;
  ok = std::fclose(file) == 0 && ok;
  return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool WriteText(const std::string& path, const std::string& text) {
  return WriteIfChanged(path, text.data(), text.size());
}

std::string EscapeForDepfile(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == ' ' || c == '#' || c == '\\') out += '\\';
    if (c == '$') out += '$';
    out += c;
  }
  return out;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "program_image_tool: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Fail("usage: program_image_tool <description> <source root> <output folder>");
  const std::string descriptionPath = argv[1], root = argv[2], outDir = argv[3];

  std::vector<uint8_t> source;
  if (!ReadWholeFile(descriptionPath, &source)) return Fail("cannot read " + descriptionPath);
  ProgramDescription description;
  std::string error;
  if (!ParseProgramDescription(std::string(source.begin(), source.end()), &description, &error))
    return Fail(descriptionPath + ": " + error);

  ConstantsSegment constants;
  std::vector<std::string> inputs = {descriptionPath};
  if (!BuildConstantsSegment(description, root, &constants, &inputs, &error))
    return Fail(descriptionPath + ": " + error);
  std::vector<uint8_t> templ;
  if (!BuildTemplateSegment(description, &templ, &error)) return Fail(descriptionPath + ": " + error);

  std::string name = descriptionPath.substr(descriptionPath.find_last_of('/') + 1);
  std::string header = GenerateLayoutHeader(description, constants, static_cast<uint32_t>(templ.size()), name);
  const std::string constantsPath = outDir + "/constants.bin", templatePath = outDir + "/template.bin";
  const std::string headerPath = outDir + "/program_image_layout.h";
  std::string depfile = EscapeForDepfile(constantsPath) + " " + EscapeForDepfile(templatePath) + " " +
                        EscapeForDepfile(headerPath) + ":";
  for (const std::string& input : inputs) depfile += " " + EscapeForDepfile(input);
  depfile += "\n";

  if (!WriteIfChanged(constantsPath, constants.bytes.data(), constants.bytes.size()) ||
      !WriteIfChanged(templatePath, templ.data(), templ.size()) || !WriteText(headerPath, header) ||
      !WriteText(outDir + "/program_image.d", depfile))
    return Fail("cannot write into " + outDir);
  return 0;
}
