// The tool's command line, as scripts and shortcuts give it.
#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

TEST(CommandLine, TargetsAndSwitches) {
  struct Case {
    const char* text;
    bool valid, usage, silent, yes;
    const char* target;
  };
  const Case cases[] = {
      {"pe_upgrader.exe", true, false, false, false, ""},
      {"\"C:\\新建文件夹 (2)\\pe_upgrader.exe\"", true, false, false, false, ""},
      {"pe_upgrader.exe E:\\", true, false, false, false, "E:\\"},
      {"pe_upgrader.exe \"E:\\\"", true, false, false, false, "E:\\"},  // no escaped quote
      {"pe_upgrader.exe \"E:\\My Drive\"  ", true, false, false, false, "E:\\My Drive"},
      {"pe_upgrader.exe /silent E:\\", true, false, true, false, "E:\\"},
      {"pe_upgrader.exe E:\\ -SILENT /Yes", true, false, true, true, "E:\\"},
      {"pe_upgrader.exe /?", true, true, false, false, ""},
      {"pe_upgrader.exe /silent", false, false, true, false, ""},
      {"pe_upgrader.exe /quiet E:\\", false, false, false, false, "E:\\"},
      {"pe_upgrader.exe E:\\ F:\\", false, false, false, false, "E:\\"},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.text);
    EXPECT_EQ(line.valid, c.valid) << c.text;
    EXPECT_EQ(line.usage, c.usage) << c.text;
    EXPECT_EQ(line.silent, c.silent) << c.text;
    EXPECT_EQ(line.yes, c.yes) << c.text;
    EXPECT_EQ(line.target, c.target) << c.text;
  }
  EXPECT_EQ(ParseCommandLine("x /quiet E:\\ /also").fault, "/quiet");
  EXPECT_EQ(ParseCommandLine("x E:\\ F:\\").fault, "F:\\");
}

}  // namespace
