// The readable description of the application's program image (app/*.desc):
// its handlers, constants, DLL commands, windows and units. Parsed here into
// plain records; texts are already GBK.
//
// Format: one statement per line, words separated by blanks, "#" starts a
// comment outside quotes. A quoted word is UTF-8 text; inside it \" is a
// double quote and \\ a backslash, every other backslash stands for itself
// (so paths read naturally: "\data\PE\7z.exe"). Numbers are decimal or 0x hex.
//
//   last-serial <n>
//   handler <Symbol> <offset from codeBase>
//   constant <Symbol> text "<text>"
//   constant <Symbol> file "<path below the root>" size <n> sha256 <hex>
//   dll <Symbol> "<library>" "<function>"
//   window <Symbol> <WindowId> [a <n>] [b <n>]
//     unit <Symbol> <UnitId> <type> "<design name>"
//       rect <left> <top> <width> <height>
//       flags [visible] [disabled] [tabstop] [hidden]
//       taborder <n>
//       event <index> <handler Symbol>
//       set <property> <value...>
//       properties empty
//
// Constants appear in the segment in the order given, followed by the names
// of the DLL commands. Units appear in the window's unit table in the order
// given; the first is the window's own unit.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct DescriptionWord {
  std::string text;  // GBK when quoted
  bool quoted = false;
  std::string utf8;  // a quoted word as written
};

struct HandlerSpec {
  std::string symbol;
  int32_t offset = 0;
};

struct ConstantSpec {
  enum Kind { kText, kFile };
  std::string symbol;
  Kind kind = kText;
  std::string text;  // GBK, kText
  std::string utf8;  // the text as written, for comments
  std::string path;  // kFile, relative to the root given to the tool
  uint64_t size = 0;
  std::string sha256;
  int line = 0;
};

struct DllSpec {
  std::string symbol;
  std::string library;
  std::string function;
};

struct PropertySetting {
  std::string name;
  std::vector<DescriptionWord> values;
  int line = 0;
};

struct EventSpec {
  int32_t index = 0;
  std::string handler;
  int line = 0;
};

struct UnitSpec {
  std::string symbol;
  uint32_t id = 0;
  std::string type;
  std::string name;  // GBK
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t flags = 0;
  int32_t tabOrder = 0;
  std::vector<EventSpec> events;
  std::vector<PropertySetting> settings;
  bool emptyBlock = false;
  int line = 0;
};

struct WindowSpec {
  std::string symbol;
  uint32_t id = 0;
  int32_t a = 1;
  int32_t b = 0;
  std::vector<UnitSpec> units;
  int line = 0;
};

struct ProgramDescription {
  uint32_t lastSerial = 0;
  std::vector<HandlerSpec> handlers;
  std::vector<ConstantSpec> constants;
  std::vector<DllSpec> dllCommands;
  std::vector<WindowSpec> windows;
};

// Unit flags in the template.
enum : uint32_t { kFlagVisible = 1, kFlagDisabled = 2, kFlagTabStop = 4 };

// Parses and checks the description (symbols unique, identifiers of the
// right class and within last-serial, handlers known). On failure *error
// says "line N: ...".
bool ParseProgramDescription(const std::string& source, ProgramDescription* out, std::string* error);

// Numbers as the description writes them; false unless the whole word is one.
bool ParseDescriptionNumber(const std::string& word, int64_t* value);
