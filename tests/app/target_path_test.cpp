// The target path as the user types it, made a full path once.
#include "app/upgrade/target_path.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

// "塡" in GBK: its second byte is a backslash.
constexpr const char* kTrailBackslash = "\x89\x5c";

TEST(TargetPath, FullPathsOfDrivesFoldersAndShares) {
  const std::pair<std::string, std::string> cases[] = {
      {"E:\\", "E:\\"},
      {"e:", "E:\\"},
      {"  E:\\  ", "E:\\"},
      {"E:/Tools/", "E:\\Tools"},
      {"E:\\Tools\\\\PE\\", "E:\\Tools\\PE"},
      {"E:\\Tools\\.\\x\\..\\PE", "E:\\Tools\\PE"},
      {"E:\\..\\..", "E:\\"},
      {"E:\\Tools. . \\PE..", "E:\\Tools\\PE"},
      {"\\\\server\\share", "\\\\server\\share\\"},
      {"\\\\server\\share\\PE\\", "\\\\server\\share\\PE"},
      {"\\\\?\\E:\\Tools", "E:\\Tools"},
      {"\\\\?\\UNC\\server\\share\\x", "\\\\server\\share\\x"},
      {std::string("E:\\") + kTrailBackslash + "\\a", std::string("E:\\") + kTrailBackslash + "\\a"},
  };
  for (const auto& [text, full] : cases) {
    const TargetPath target = NormaliseTarget(text);
    EXPECT_EQ(target.problem, TargetProblem::None) << text;
    EXPECT_EQ(target.path, full) << text;
  }
}

TEST(TargetPath, RelativeEmptyAndInvalidTextsAreRefused) {
  const std::pair<std::string, TargetProblem> cases[] = {
      {"", TargetProblem::Empty},
      {" \t ", TargetProblem::Empty},
      {"PE", TargetProblem::Relative},
      {".\\PE", TargetProblem::Relative},
      {"\\ZEDOVAV", TargetProblem::Relative},
      {"E:tools", TargetProblem::Relative},
      {"1:\\", TargetProblem::Relative},
      {"E:\\a|b", TargetProblem::Invalid},
      {"E:\\a\\...\\b", TargetProblem::Invalid},
      {"E:\\a:b", TargetProblem::Invalid},
      {"\\\\server", TargetProblem::Invalid},
      {"\\\\.\\PhysicalDrive1", TargetProblem::Invalid},
      {"E:\\\x89", TargetProblem::Invalid},  // ends inside a character
      {"E:\\" + std::string(kMaxTargetLength, 'a'), TargetProblem::TooLong},
  };
  for (const auto& [text, problem] : cases) EXPECT_EQ(NormaliseTarget(text).problem, problem) << text;
}

TEST(TargetPath, NamesParentsAndJoinsKnowDoubleByteCharacters) {
  const std::string folder = std::string("E:\\") + kTrailBackslash;
  EXPECT_EQ(JoinPath(folder, "ZEDOVAV"), folder + "\\ZEDOVAV");
  EXPECT_EQ(JoinPath("E:\\", "ZEDOVAV"), "E:\\ZEDOVAV");
  EXPECT_EQ(LastName(folder), kTrailBackslash);
  EXPECT_EQ(LastName("E:\\"), "");
  EXPECT_EQ(ParentOf(folder + "\\x"), folder);
  EXPECT_EQ(ParentOf(folder), "E:\\");
  EXPECT_EQ(ParentOf("E:\\"), "");
  EXPECT_EQ(ParentOf("\\\\server\\share\\a\\b"), "\\\\server\\share\\a");
  EXPECT_EQ(ParentOf("\\\\server\\share\\a"), "\\\\server\\share\\");
  EXPECT_EQ(ParentOf("\\\\server\\share\\"), "");
  EXPECT_EQ(PathAndAncestors("C:\\a\\b"), (std::vector<std::string>{"C:\\a\\b", "C:\\a", "C:\\"}));

  EXPECT_TRUE(SameName("zedovav", "ZEDOVAV"));
  EXPECT_FALSE(SameName("ZEDOVAV1", "ZEDOVAV"));
  // A second byte that is a letter is not folded: "\x81a" is not "\x81A".
  EXPECT_FALSE(SameName("\x81" "a", "\x81" "A"));
  EXPECT_TRUE(SameName("\x81" "a", "\x81" "a"));
}

}  // namespace
