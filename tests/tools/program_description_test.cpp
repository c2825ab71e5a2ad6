// The description parser: statements, quoting, GBK conversion and the
// checks that keep a bad description from becoming a program image.
#include "tools/program_description.h"

#include <gtest/gtest.h>

#include "tools/constants_segment.h"
#include "tools/unit_property_values.h"
#include "units/trans_label_properties.h"

namespace {

const char kMinimal[] =
    "last-serial 0x010014\n"
    "handler OnCreated 0x44A\n"
    "constant Title text \"打开\"  # GBK b4f2 bfaa\n"
    "constant Switch text \"\\PE\\a.7z -o\\\"\"\n"
    "dll DllLoad \"kernel32.dll\" \"LoadLibraryA\"\n"
    "window Main 0x52010001 a 1 b 0x19010008\n"
    "  unit MainUnit 0x06010000 window \"\"\n"
    "    rect 50 50 350 187\n"
    "    flags visible\n"
    "    event 0 OnCreated\n"
    "  unit Status 0x1601000E TransLabel \"透明标签3\"\n"
    "    flags visible tabstop\n"
    "    set caption \"升级\"\n";

std::string ParseError(const std::string& source) {
  ProgramDescription d;
  std::string error;
  EXPECT_FALSE(ParseProgramDescription(source, &d, &error)) << source;
  return error;
}

}  // namespace

TEST(ProgramDescription, ReadsEveryStatement) {
  ProgramDescription d;
  std::string error;
  ASSERT_TRUE(ParseProgramDescription(kMinimal, &d, &error)) << error;
  EXPECT_EQ(d.lastSerial, 0x010014u);
  ASSERT_EQ(d.handlers.size(), 1u);
  EXPECT_EQ(d.handlers[0].offset, 0x44A);
  ASSERT_EQ(d.constants.size(), 2u);
  EXPECT_EQ(d.constants[0].text, "\xb4\xf2\xbf\xaa");
  // \" is a quote; other backslashes stand for themselves.
  EXPECT_EQ(d.constants[1].text, "\\PE\\a.7z -o\"");
  ASSERT_EQ(d.windows.size(), 1u);
  const WindowSpec& w = d.windows[0];
  EXPECT_EQ(w.id, 0x52010001u);
  EXPECT_EQ(w.b, 0x19010008);
  ASSERT_EQ(w.units.size(), 2u);
  EXPECT_EQ(w.units[0].height, 187);
  EXPECT_EQ(w.units[0].flags, kFlagVisible);
  ASSERT_EQ(w.units[0].events.size(), 1u);
  EXPECT_EQ(w.units[0].events[0].handler, "OnCreated");
  EXPECT_EQ(w.units[1].name, "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9\x33");
  EXPECT_EQ(w.units[1].flags, kFlagVisible | kFlagTabStop);
}

TEST(ProgramDescription, RejectsMistakesWithTheirLine) {
  std::string base = kMinimal;
  EXPECT_EQ(ParseError(base + "bogus 1\n"), "line 14: unknown statement 'bogus'");
  EXPECT_EQ(ParseError(base + "constant Title text \"again\"\n"), "line 14: symbol Title defined twice");
  EXPECT_EQ(ParseError(base + "set caption \"unclosed\n"), "line 14: unclosed quote");
  EXPECT_EQ(ParseError(base + "    event 1 Nowhere\n"), "line 14: unknown handler Nowhere");
  EXPECT_EQ(ParseError(base + "    rect 1 2 3\n"), "line 14: rect takes 4 words");
  EXPECT_EQ(ParseError(base + "    flags shiny\n"), "line 14: unknown flag shiny");
  // Identifiers: serial within last-serial, right class, no repeats.
  EXPECT_EQ(ParseError(base + "  unit Late 0x16010015 Label \"\"\n"), "line 14: serial beyond last-serial");
  EXPECT_EQ(ParseError(base + "  unit Twice 0x1601000E Label \"\"\n"), "line 14: unit identifier used twice");
  EXPECT_EQ(ParseError(base + "  unit Second 0x06010003 window \"\"\n"),
            "line 14: the first unit, and only it, is the window's own unit (type window, 0x06...)");
  EXPECT_EQ(ParseError(base + "window Other 0x16010009\n  unit U 0x06010009 window \"\"\n"),
            "line 14: not a window identifier");
  EXPECT_EQ(ParseError("handler H 1\n"), "line 2: last-serial is missing");
  EXPECT_EQ(ParseError("last-serial 5\nconstant Bad text \"\xff\"\n"),
            "line 2: text is not UTF-8 of GBK characters");
  EXPECT_EQ(ParseError("last-serial 5\nconstant C file \"x\" size 1 sha256 00\n"),
            "line 2: file constant needs its sha256");
}

TEST(ProgramDescription, Numbers) {
  int64_t v = 0;
  EXPECT_TRUE(ParseDescriptionNumber("0x44A", &v));
  EXPECT_EQ(v, 0x44A);
  EXPECT_TRUE(ParseDescriptionNumber("-19", &v));
  EXPECT_EQ(v, -19);
  EXPECT_TRUE(ParseDescriptionNumber("0xFFFFFFFF", &v));
  EXPECT_EQ(v, 0xFFFFFFFFll);
  for (const char* bad : {"", "0x", "12a", "0x100000000", "--1", "+1", " 1"})
    EXPECT_FALSE(ParseDescriptionNumber(bad, &v)) << bad;
}

TEST(UnitPropertyValues, SettingsBecomeThePropertyBlock) {
  ProgramDescription d;
  std::string error;
  ASSERT_TRUE(ParseProgramDescription(
      std::string(kMinimal) +
          "    set TextColor 0x00FF8080\n"
          "    set WordWrap true\n"
          "    set font height -19 weight 700 charset 134 face \"微软雅黑\"\n",
      &d, &error))
      << error;
  std::vector<uint8_t> block;
  ASSERT_TRUE(BuildUnitPropertyBlock(d.windows[0].units[1], &block, &error)) << error;
  TransLabelProperties p;
  ASSERT_TRUE(LoadTransLabelProperties(&p, block.data(), static_cast<uint32_t>(block.size())));
  EXPECT_STREQ(p.caption.text(), "\xc9\xfd\xbc\xb6");
  EXPECT_EQ(p.textColor, 0xFF8080u);
  EXPECT_EQ(p.wordWrap, 1);
  LogFontBytes font{};
  ASSERT_TRUE(FontOf(p.font, &font));
  EXPECT_EQ(font.height, -19);
  EXPECT_EQ(font.weight, 700);
  EXPECT_EQ(font.charSet, 134);
  EXPECT_STREQ(font.faceName, "\xce\xa2\xc8\xed\xd1\xc5\xba\xda");
}

TEST(UnitPropertyValues, BadSettingsAreRefused) {
  auto refused = [](const std::string& settings) {
    ProgramDescription d;
    std::string error;
    if (!ParseProgramDescription(std::string(kMinimal) + settings, &d, &error)) return error;
    std::vector<uint8_t> block;
    EXPECT_FALSE(BuildUnitPropertyBlock(d.windows[0].units[1], &block, &error)) << settings;
    return error;
  };
  EXPECT_EQ(refused("    set Colour 1\n"), "line 14: Colour: no such property of this unit type");
  EXPECT_EQ(refused("    set effect \"text\"\n"), "line 14: effect: expected one number");
  EXPECT_EQ(refused("    set caption 5\n"), "line 14: caption: expected one quoted text");
  EXPECT_EQ(refused("    set font weight\n"), "line 14: font: font takes <field> <value> pairs");
  EXPECT_EQ(refused("    set font charset 300\n"), "line 14: font: out of range");
  EXPECT_EQ(refused("    set font face \"" + std::string(32, 'x') + "\"\n"),
            "line 14: font: face is a quoted name under 32 bytes");
  EXPECT_EQ(refused("    properties empty\n"), "line 11: a unit with an empty block takes no settings");
}

TEST(ConstantsSegment, FileConstantsAreCheckedAgainstTheirDigest) {
  std::string path = testing::TempDir() + "/payload.bin";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("abc", f);
  std::fclose(f);
  const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  auto build = [&path](const std::string& size, const std::string& sha, std::string* error) {
    ProgramDescription d;
    std::string source = "last-serial 5\nconstant A text \"kernel32.dll\"\nconstant P file \"" + path +
                         "\" size " + size + " sha256 " + sha + "\ndll D \"kernel32.dll\" \"Beep\"\n";
    EXPECT_TRUE(ParseProgramDescription(source, &d, error)) << *error;
    ConstantsSegment segment;
    std::vector<std::string> inputs;
    bool ok = BuildConstantsSegment(d, "", &segment, &inputs, error);
    return ok ? segment : ConstantsSegment();
  };
  std::string error;
  ConstantsSegment segment = build("3", digest, &error);
  const std::vector<uint8_t> expected = {'k', 'e', 'r', 'n', 'e', 'l', '3', '2', '.', 'd', 'l', 'l', 0,
                                         1,   0,   0,   0,   3,   0,   0,   0,   'a', 'b', 'c',
                                         'B', 'e', 'e', 'p', 0};
  EXPECT_EQ(segment.bytes, expected) << error;
  ASSERT_EQ(segment.libraryNameOffsets.size(), 1u);
  EXPECT_EQ(segment.libraryNameOffsets[0], 0u);  // shared with constant A
  EXPECT_EQ(segment.functionNameOffsets[0], 24u);

  build("4", digest, &error);
  EXPECT_NE(error.find("is 3 bytes, not 4"), std::string::npos) << error;
  build("3", std::string(64, '0'), &error);
  EXPECT_NE(error.find("has SHA-256 " + digest), std::string::npos) << error;
}

