#include "tools/layout_header.h"

#include <cstdio>

namespace {

std::string Hex(uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", v);
  return buffer;
}

std::string Constant(const std::string& type, const std::string& name, const std::string& value,
                     const std::string& comment = std::string()) {
  std::string line = "inline constexpr " + type + " k" + name + " = " + value + ";";
  if (!comment.empty()) line += "  // " + comment;
  return line + "\n";
}

const char kPreamble[] = R"(// The program image data of the application, made by program_image_tool.
//
// The tool writes two segments, embedded by the assembler file of
// add_program_image (tools/program_image.cmake) under these C symbols:
//   g_constantsSegment .. g_constantsSegmentEnd   the constants segment
//   g_templateSegment  .. g_templateSegmentEnd    the window template segment
// Their sizes are kConstantsSize and kTemplateSize below; they go into
// words 5 and 7 of the program header, and kLastSerial into word 2.
//
// Named constants are byte offsets from g_constantsSegment: texts are
// NUL-terminated GBK, a byte-set constant is (1, length, bytes) as the
// runtime's byte-sets are, so its address is passed as the byte-set itself.
// The DLL command table gives, per command index, the offsets of the
// library and the function name (words 11 and 12 of the header point at
// arrays of those addresses). Window and unit identifiers are those of the
// template; handler offsets are the offsets from codeBase (header word 3)
// that the template binds the events to.
#pragma once
#include <cstdint>

extern "C" {
extern const uint8_t g_constantsSegment[];
extern const uint8_t g_constantsSegmentEnd[];
extern const uint8_t g_templateSegment[];
extern const uint8_t g_templateSegmentEnd[];
}

namespace program_image {

)";

}  // namespace

std::string GenerateLayoutHeader(const ProgramDescription& d, const ConstantsSegment& c,
                                 uint32_t templateSize, const std::string& descriptionName) {
  std::string h = "// Generated from " + descriptionName + "; do not edit.\n" + kPreamble;
  h += Constant("uint32_t", "LastSerial", std::to_string(d.lastSerial));
  h += Constant("uint32_t", "ConstantsSize", std::to_string(c.bytes.size()));
  h += Constant("uint32_t", "TemplateSize", std::to_string(templateSize));

  h += "\n// Constants, in segment order.\n";
  for (size_t i = 0; i < d.constants.size(); ++i) {
    const ConstantSpec& k = d.constants[i];
    bool file = k.kind == ConstantSpec::kFile;
    h += Constant("uint32_t", k.symbol, std::to_string(c.constantOffsets[i]),
                  file ? "byte-set of " + k.path : "text \"" + k.utf8 + "\"");
    if (file) {
      h += Constant("uint32_t", k.symbol + "Length", std::to_string(k.size));
      h += Constant("char", k.symbol + "Sha256[]", "\"" + k.sha256 + "\"");
    }
  }

  h += "\n// DLL commands: index, then the name offsets per index.\n";
  h += Constant("uint32_t", "DllCommandCount", std::to_string(d.dllCommands.size()));
  std::string libraries, functions;
  for (size_t i = 0; i < d.dllCommands.size(); ++i) {
    const DllSpec& dll = d.dllCommands[i];
    h += Constant("uint32_t", dll.symbol, std::to_string(i), dll.library + " " + dll.function);
    libraries += (i ? ", " : "") + std::to_string(c.libraryNameOffsets[i]);
    functions += (i ? ", " : "") + std::to_string(c.functionNameOffsets[i]);
  }
  h += Constant("uint32_t", "DllLibraryNames[kDllCommandCount]", "{" + libraries + "}");
  h += Constant("uint32_t", "DllFunctionNames[kDllCommandCount]", "{" + functions + "}");

  h += "\n// Windows and their units.\n";
  for (const WindowSpec& w : d.windows) {
    h += Constant("uint32_t", w.symbol, Hex(w.id), "WindowId");
    for (const UnitSpec& u : w.units) h += Constant("uint32_t", u.symbol, Hex(u.id), "UnitId, " + u.type);
  }

  h += "\n// Event handlers: offsets from codeBase.\n";
  for (const HandlerSpec& handler : d.handlers)
    h += Constant("int32_t", handler.symbol, std::to_string(handler.offset), Hex(static_cast<uint32_t>(handler.offset)));
  h += "\n}  // namespace program_image\n";
  return h;
}
