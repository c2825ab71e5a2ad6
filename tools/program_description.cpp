#include "tools/program_description.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <set>

#include "tools/gbk_text.h"

namespace {

using Words = std::vector<DescriptionWord>;

struct Parser {
  Parser(ProgramDescription* description, std::string* message) : out(description), error(message) {}

  ProgramDescription* out;
  std::string* error;
  int line = 0;
  std::set<std::string> symbols;

  bool Fail(const std::string& message) {
    *error = "line " + std::to_string(line) + ": " + message;
    return false;
  }
};

// Splits one line into words; quoted words become GBK.
bool SplitLine(Parser& p, const std::string& text, Words* words) {
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string utf8;
      bool closed = false;
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          closed = true;
          ++i;
          break;
        }
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
        utf8 += text[i];
      }
      if (!closed) return p.Fail("unclosed quote");
      DescriptionWord word{std::string(), true, utf8};
      if (!Utf8ToGbk(utf8, &word.text)) return p.Fail("text is not UTF-8 of GBK characters");
      words->push_back(word);
    } else {
      size_t end = text.find_first_of(" \t\r\"#", i);
      if (end == std::string::npos) end = text.size();
      words->push_back({text.substr(i, end - i), false, std::string()});
      i = end;
    }
  }
  return true;
}

bool IsIdentifier(const std::string& s) {
  if (s.empty() || !(isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s)
    if (!(isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

bool Symbol(Parser& p, const DescriptionWord& word, std::string* symbol) {
  if (word.quoted || !IsIdentifier(word.text)) return p.Fail("'" + word.text + "' is not a symbol");
  if (!p.symbols.insert(word.text).second) return p.Fail("symbol " + word.text + " defined twice");
  *symbol = word.text;
  return true;
}

bool Number(Parser& p, const DescriptionWord& word, int64_t low, int64_t high, int64_t* value) {
  if (word.quoted || !ParseDescriptionNumber(word.text, value) || *value < low || *value > high)
    return p.Fail("'" + word.text + "' is not a number in range");
  return true;
}

bool Int32(Parser& p, const DescriptionWord& word, int32_t* value) {
  int64_t v;
  if (!Number(p, word, INT32_MIN, INT32_MAX, &v)) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool Quoted(Parser& p, const DescriptionWord& word, std::string* text) {
  if (!word.quoted) return p.Fail("expected a quoted text, found '" + word.text + "'");
  *text = word.text;
  return true;
}

bool Count(Parser& p, const Words& w, size_t count) {
  if (w.size() != count) return p.Fail(w[0].text + " takes " + std::to_string(count - 1) + " words");
  return true;
}

UnitSpec* CurrentUnit(Parser& p) {
  if (p.out->windows.empty() || p.out->windows.back().units.empty()) {
    p.Fail("unit statement outside a unit");
    return nullptr;
  }
  return &p.out->windows.back().units.back();
}

bool LastSerial(Parser& p, const Words& w) {
  int64_t v;
  if (!Count(p, w, 2) || !Number(p, w[1], 1, 0xFFFFFF, &v)) return false;
  p.out->lastSerial = static_cast<uint32_t>(v);
  return true;
}

bool Handler(Parser& p, const Words& w) {
  HandlerSpec h;
  return Count(p, w, 3) && Symbol(p, w[1], &h.symbol) && Int32(p, w[2], &h.offset) &&
         (p.out->handlers.push_back(h), true);
}

bool Constant(Parser& p, const Words& w) {
  ConstantSpec c;
  c.line = p.line;
  if (w.size() < 4) return p.Fail("constant needs a kind and a value");
  if (!Symbol(p, w[1], &c.symbol)) return false;
  if (w[2].text == "text" && !w[2].quoted) {
    if (!Count(p, w, 4) || !Quoted(p, w[3], &c.text)) return false;
    c.utf8 = w[3].utf8;
  } else if (w[2].text == "file" && !w[2].quoted) {
    int64_t size;
    if (!Count(p, w, 8) || !Quoted(p, w[3], &c.path)) return false;
    if (w[4].text != "size" || !Number(p, w[5], 0, 0x7FFFFFF0, &size)) return p.Fail("file constant needs its size");
    if (w[6].text != "sha256" || w[7].text.size() != 64) return p.Fail("file constant needs its sha256");
    c.kind = ConstantSpec::kFile;
    c.size = static_cast<uint64_t>(size);
    c.sha256 = w[7].text;
  } else {
    return p.Fail("constant kind is text or file");
  }
  p.out->constants.push_back(c);
  return true;
}

bool Dll(Parser& p, const Words& w) {
  DllSpec d;
  if (!Count(p, w, 4) || !Symbol(p, w[1], &d.symbol) || !Quoted(p, w[2], &d.library) ||
      !Quoted(p, w[3], &d.function))
    return false;
  if (d.library.empty() || d.function.empty()) return p.Fail("empty DLL name");
  p.out->dllCommands.push_back(d);
  return true;
}

bool Window(Parser& p, const Words& w) {
  WindowSpec window;
  window.line = p.line;
  int64_t id;
  if (w.size() < 3 || w.size() % 2 == 0) return p.Fail("window <Symbol> <id> [a <n>] [b <n>]");
  if (!Symbol(p, w[1], &window.symbol) || !Number(p, w[2], 0, UINT32_MAX, &id)) return false;
  window.id = static_cast<uint32_t>(id);
  for (size_t i = 3; i + 1 < w.size(); i += 2) {
    if (w[i].text == "a") {
      if (!Int32(p, w[i + 1], &window.a)) return false;
    } else if (w[i].text == "b") {
      int64_t b;
      if (!Number(p, w[i + 1], INT32_MIN, UINT32_MAX, &b)) return false;
      window.b = static_cast<int32_t>(static_cast<uint32_t>(b));
    } else {
      return p.Fail("unknown window field " + w[i].text);
    }
  }
  p.out->windows.push_back(window);
  return true;
}

bool Unit(Parser& p, const Words& w) {
  if (p.out->windows.empty()) return p.Fail("unit outside a window");
  UnitSpec unit;
  unit.line = p.line;
  int64_t id;
  if (!Count(p, w, 5) || !Symbol(p, w[1], &unit.symbol) || !Number(p, w[2], 0, UINT32_MAX, &id) ||
      !Quoted(p, w[4], &unit.name))
    return false;
  unit.id = static_cast<uint32_t>(id);
  unit.type = w[3].text;
  p.out->windows.back().units.push_back(unit);
  return true;
}

bool Rect(Parser& p, const Words& w) {
  UnitSpec* u = CurrentUnit(p);
  return u && Count(p, w, 5) && Int32(p, w[1], &u->left) && Int32(p, w[2], &u->top) &&
         Int32(p, w[3], &u->width) && Int32(p, w[4], &u->height);
}

bool Flags(Parser& p, const Words& w) {
  UnitSpec* u = CurrentUnit(p);
  if (!u) return false;
  u->flags = 0;
  for (size_t i = 1; i < w.size(); ++i) {
    const std::string& f = w[i].text;
    if (f == "visible") u->flags |= kFlagVisible;
    else if (f == "disabled") u->flags |= kFlagDisabled;
    else if (f == "tabstop") u->flags |= kFlagTabStop;
    else if (f != "hidden") return p.Fail("unknown flag " + f);
  }
  return true;
}

bool TabOrder(Parser& p, const Words& w) {
  UnitSpec* u = CurrentUnit(p);
  return u && Count(p, w, 2) && Int32(p, w[1], &u->tabOrder);
}

bool Event(Parser& p, const Words& w) {
  UnitSpec* u = CurrentUnit(p);
  EventSpec e;
  e.line = p.line;
  if (!u || !Count(p, w, 3) || !Int32(p, w[1], &e.index)) return false;
  e.handler = w[2].text;
  u->events.push_back(e);
  return true;
}

bool Set(Parser& p, const Words& w) {
  UnitSpec* u = CurrentUnit(p);
  if (!u) return false;
  if (w.size() < 3) return p.Fail("set <property> <value>");
  PropertySetting s;
  s.name = w[1].text;
  s.values.assign(w.begin() + 2, w.end());
  s.line = p.line;
  u->settings.push_back(s);
  return true;
}

bool Properties(Parser& p, const Words& w) {
  UnitSpec* u = CurrentUnit(p);
  if (!u || !Count(p, w, 2)) return false;
  if (w[1].text != "empty") return p.Fail("only 'properties empty' is known");
  u->emptyBlock = true;
  return true;
}

struct Statement {
  const char* keyword;
  bool (*parse)(Parser&, const Words&);
};

constexpr Statement kStatements[] = {
    {"last-serial", LastSerial}, {"handler", Handler}, {"constant", Constant},
    {"dll", Dll},                {"window", Window},   {"unit", Unit},
    {"rect", Rect},              {"flags", Flags},     {"taborder", TabOrder},
    {"event", Event},            {"set", Set},         {"properties", Properties},
};

bool ValidId(uint32_t id) { return (id & 0xFFFFFF) != 0 && (id & 0x0F000000) != 0; }

bool CheckUnit(Parser& p, const UnitSpec& unit, bool first, std::set<uint32_t>* ids) {
  p.line = unit.line;
  uint32_t idClass = unit.id >> 24;
  if (!ValidId(unit.id) || (unit.id >> 28) == 2) return p.Fail("not a unit identifier");
  if ((unit.id & 0xFFFFFF) > p.out->lastSerial) return p.Fail("serial beyond last-serial");
  if (!ids->insert(unit.id).second) return p.Fail("unit identifier used twice");
  if (first != (unit.type == "window") || first != (idClass == 0x06))
    return p.Fail("the first unit, and only it, is the window's own unit (type window, 0x06...)");
  for (const EventSpec& e : unit.events) {
    bool known = false;
    for (const HandlerSpec& h : p.out->handlers) known = known || h.symbol == e.handler;
    p.line = e.line;
    if (!known) return p.Fail("unknown handler " + e.handler);
  }
  return true;
}

bool CheckDescription(Parser& p) {
  std::set<uint32_t> ids;
  for (const WindowSpec& window : p.out->windows) {
    p.line = window.line;
    if (!ValidId(window.id) || (window.id >> 24) != 0x52) return p.Fail("not a window identifier");
    if ((window.id & 0xFFFFFF) > p.out->lastSerial) return p.Fail("serial beyond last-serial");
    if (!ids.insert(window.id).second) return p.Fail("window identifier used twice");
    if (window.units.empty()) return p.Fail("a window needs its own unit");
    for (size_t i = 0; i < window.units.size(); ++i)
      if (!CheckUnit(p, window.units[i], i == 0, &ids)) return false;
  }
  return true;
}

}  // namespace

bool ParseDescriptionNumber(const std::string& word, int64_t* value) {
  if (word.empty()) return false;
  const char* start = word.c_str();
  bool negative = *start == '-';
  const char* digits = negative ? start + 1 : start;
  int base = (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) ? 16 : 10;
  if (base == 16) digits += 2;
  if (!isxdigit(static_cast<unsigned char>(*digits))) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long magnitude = std::strtoull(digits, &end, base);
  if (errno != 0 || *end != '\0' || magnitude > 0xFFFFFFFFull) return false;
  *value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

bool ParseProgramDescription(const std::string& source, ProgramDescription* out, std::string* error) {
  *out = ProgramDescription();
  Parser p(out, error);
  size_t start = 0;
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    ++p.line;
    Words words;
    if (!SplitLine(p, source.substr(start, end - start), &words)) return false;
    if (!words.empty()) {
      const Statement* found = nullptr;
      for (const Statement& s : kStatements)
        if (!words[0].quoted && words[0].text == s.keyword) found = &s;
      if (!found) return p.Fail("unknown statement '" + words[0].text + "'");
      if (!found->parse(p, words)) return false;
    }
    start = end + 1;
  }
  if (out->lastSerial == 0) return p.Fail("last-serial is missing");
  return CheckDescription(p);
}
