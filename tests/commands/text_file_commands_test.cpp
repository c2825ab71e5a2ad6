// Texts, paths, files and directories: SpaceText, ConcatTexts,
// GetRunDirectory, WriteToFile, DeleteDirectory.
#include <gtest/gtest.h>

#include "app/concat_texts.h"
#include "commands/core_library.h"
#include "tests/commands/commands_test_support.h"

namespace {

class TextFileCommandTest : public CommandTest {
 protected:
  static TypedValue Core(LibraryCommand command, std::initializer_list<TypedValue> args) {
    return CommandCall(true, command, args);
  }
  // A file of `size` bytes at path, filled with `fill`.
  static void MakeFile(const std::string& path, size_t size = 8, uint8_t fill = 'x') {
    WriteBytes(path, std::vector<uint8_t>(size, fill));
  }
  int32_t Delete(const std::string& path) { return IntOf(Core(&DeleteDirectory, {Text(path.c_str())})); }
};

TEST_F(TextFileCommandTest, SpaceTextAndConcatTextsMakeExactBlocks) {
  const TypedValue spaces = Core(&SpaceText, {Integer(255)});
  EXPECT_EQ(spaces.tag, 0u);
  const TextSeen seen = TakeText(spaces);
  EXPECT_EQ(seen.text, std::string(255, ' '));
  EXPECT_EQ(seen.blockSize, 256u);
  EXPECT_EQ(Core(&SpaceText, {Integer(0)}).low, 0u);
  EXPECT_EQ(Core(&SpaceText, {Integer(-5)}).low, 0u);
  EXPECT_EQ(Core(&SpaceText, {}).low, 0u);

  char* joined = ConcatTexts(2, nullptr, "\\ZEDOVAV");
  EXPECT_STREQ(joined, "\\ZEDOVAV");
  EXPECT_EQ(HeapSize(app_->heap, 0, joined), 9u);
  FreeMemory(joined);

  // The archiver's command line from its six pieces, nothing added.
  char* line = ConcatTexts(6, "C:\\Tool", "\\data\\PE\\7z.exe -aoa x ", "C:\\Tool", "\\PE\\ZEDOVAV.7z -o\"", "E:\\",
                           "\" ");
  EXPECT_STREQ(line, "C:\\Tool\\data\\PE\\7z.exe -aoa x C:\\Tool\\PE\\ZEDOVAV.7z -o\"E:\\\" ");
  FreeMemory(line);
  char* empty = ConcatTexts(3, "", nullptr, "");
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  FreeMemory(empty);
}

TEST_F(TextFileCommandTest, RunDirectoryOfAProgramInADriveRootIsTheDriveWithoutBackslash) {
  const std::string root = Scratch() + "\\root";
  CreateDirectoryA(root.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(ProbePath().c_str(), (root + "\\probe.exe").c_str(), FALSE));
  const std::string drive = DosDevices() + "p:";
  ASSERT_TRUE(RunUnix("/bin/ln -sfn " + UnixPath(root) + " " + drive, "P:\\", true));
  const std::string out = Scratch() + "\\rundir.txt";
  int32_t exitCode = 99;
  const std::string line = "P:\\probe.exe rundir " + out;
  EXPECT_EQ(Core(&RunCommandLine, {Text(line.c_str()), Boolean(true), Integer(1), IntegerVariable(&exitCode)}).low,
            1u);
  RunUnix("/bin/rm " + drive, "P:\\", false);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(ReadText(out), "P:");

  // Here: the directory of the test program, copied into a block of its own.
  const TextSeen here = TakeText(Core(&GetRunDirectory, {}));
  EXPECT_EQ(here.text + "\\", ProgramDirectory());
  EXPECT_EQ(here.blockSize, here.text.size() + 1);
}

TEST_F(TextFileCommandTest, WriteToFileReplacesTheFileWithTheByteSetsInOrder) {
  const std::string file = Scratch() + "\\7z.exe";
  MakeFile(file, 400000, 0xEE);
  std::vector<uint8_t> payload(353280);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 7 + i / 251);
  const std::vector<uint8_t> block = ByteSetBlock(payload);
  EXPECT_EQ(Core(&WriteToFile, {Text(file.c_str()), ByteSet(block)}).low, 1u);
  EXPECT_EQ(ReadBytes(file), payload);

  // Back to back; absent and empty byte-sets write nothing.
  const std::vector<uint8_t> first = ByteSetBlock({'a', 'b', 'c'}), second = ByteSetBlock({'d', 'e'}),
                             none = ByteSetBlock({});
  EXPECT_EQ(Core(&WriteToFile, {Text(file.c_str()), ByteSet(first), kOmitted, ByteSet(none), ByteSet(second)}).low,
            1u);
  EXPECT_EQ(ReadBytes(file), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e'}));

  // A missing directory is not made; a file held without sharing is not opened.
  const std::string missing = Scratch() + "\\missing";
  EXPECT_EQ(Core(&WriteToFile, {Text((missing + "\\out.bin").c_str()), ByteSet(first)}).low, 0u);
  EXPECT_FALSE(Exists(missing));
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(Core(&WriteToFile, {Text(file.c_str()), ByteSet(second)}).low, 0u);
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(file).size(), 5u);
  EXPECT_EQ(Core(&WriteToFile, {Text(""), ByteSet(first)}).low, 0u);
}

TEST_F(TextFileCommandTest, DeleteDirectoryNeverTakesADriveOrItsRoot) {
  const std::string root = Scratch() + "\\drive";
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA((root + "\\ZEDOVAV").c_str(), nullptr);
  MakeFile(root + "\\keep.txt");
  const std::string drive = DosDevices() + "o:";
  ASSERT_TRUE(RunUnix("/bin/ln -sfn " + UnixPath(root) + " " + drive, "O:\\", true));
  // The same folder as the share \\usbhost\drive as well.
  const std::string host = DosDevices() + "unc/usbhost";
  RunAndWait("/bin/mkdir -p " + DosDevices() + "unc");
  ASSERT_TRUE(RunUnix("/bin/ln -sfn " + UnixPath(Scratch()) + " " + host, "\\\\usbhost\\drive\\", true));
  SetCurrentDirectoryA("O:\\ZEDOVAV");  // "O:" alone means this directory
  // Every spelling of the root, each tried on its own.
  for (const char* spelling : {"O:", "  O:\\", "O:\\", "o:\\", "O:\\.", "O:\\\\", "O:/", "O:\\ZEDOVAV\\..",
                               "\\\\?\\O:\\", "\\\\?\\O:\\.", "\\\\.\\O:\\", "\\\\usbhost\\drive\\",
                               "\\\\usbhost\\drive", "\\\\?\\UNC\\usbhost\\drive\\"}) {
    EXPECT_EQ(Delete(spelling), 0) << spelling;
    EXPECT_TRUE(Exists(root + "\\keep.txt")) << spelling;
  }
  SetCurrentDirectoryA(ProgramDirectory().c_str());
  EXPECT_TRUE(Exists(root + "\\ZEDOVAV"));
  // A directory on the drive or the share goes as usual, named with leading spaces.
  MakeFile(root + "\\ZEDOVAV\\a.txt");
  EXPECT_EQ(Delete("  O:\\ZEDOVAV"), 1);
  EXPECT_FALSE(Exists(root + "\\ZEDOVAV"));
  CreateDirectoryA((root + "\\old").c_str(), nullptr);
  MakeFile(root + "\\old\\b.txt");
  EXPECT_EQ(Delete("\\\\usbhost\\drive\\old"), 1);
  EXPECT_FALSE(Exists(root + "\\old"));
  RunUnix("/bin/rm " + drive + " " + host, "O:\\", false);
  EXPECT_TRUE(Exists(root + "\\keep.txt"));
}

TEST_F(TextFileCommandTest, DeleteDirectoryTakesADeepTreeWholeAndLeavesWhatItCannot) {
  std::string deep = Scratch() + "\\ZEDOVAV";
  const std::string top = deep;
  for (int level = 0; level < 12; ++level) {
    CreateDirectoryA(deep.c_str(), nullptr);
    MakeFile(deep + "\\f" + std::to_string(level) + ".bin", 100 + level);
    CreateDirectoryA((deep + "\\empty").c_str(), nullptr);
    deep += "\\d" + std::to_string(level);
  }
  EXPECT_EQ(Delete(top + "\\"), 1);  // a trailing backslash doubles inside, which Windows takes
  EXPECT_FALSE(Exists(top));
  EXPECT_EQ(Delete(top), 0);  // missing

  // A name with a leading full stop is skipped, and so is its directory.
  CreateDirectoryA(top.c_str(), nullptr);
  CreateDirectoryA((top + "\\sub").c_str(), nullptr);
  MakeFile(top + "\\sub\\.keep");
  MakeFile(top + "\\sub\\other.txt");
  MakeFile(top + "\\gone.txt");
  EXPECT_EQ(Delete(top), 0);
  EXPECT_TRUE(Exists(top + "\\sub\\.keep"));
  EXPECT_FALSE(Exists(top + "\\sub\\other.txt"));
  EXPECT_FALSE(Exists(top + "\\gone.txt"));

  // Read-only and open files stay; everything else goes.
  RunAndWait("cmd /c rmdir /s /q " + top);
  CreateDirectoryA(top.c_str(), nullptr);
  MakeFile(top + "\\readonly.txt");
  SetFileAttributesA((top + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  MakeFile(top + "\\open.txt");
  MakeFile(top + "\\plain.txt");
  HANDLE open = CreateFileA((top + "\\open.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(Delete(top), 0);
  CloseHandle(open);
  EXPECT_TRUE(Exists(top + "\\readonly.txt"));
  EXPECT_TRUE(Exists(top + "\\open.txt"));
  EXPECT_FALSE(Exists(top + "\\plain.txt"));
  SetFileAttributesA((top + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TextFileCommandTest, DeleteDirectoryNeverDeletesWhatALinkPointsAt) {
  const std::string documents = Scratch() + "\\documents", tree = Scratch() + "\\tree";
  CreateDirectoryA(documents.c_str(), nullptr);
  CreateDirectoryA((documents + "\\letters").c_str(), nullptr);
  MakeFile(documents + "\\letters\\one.txt");
  MakeFile(documents + "\\notes.txt");
  CreateDirectoryA(tree.c_str(), nullptr);
  MakeFile(tree + "\\a.txt");
  const std::string inside = tree + "\\link", named = Scratch() + "\\named";
  for (const std::string& link : {inside, named}) {
    ASSERT_TRUE(RunUnix("/bin/ln -s " + UnixPath(documents) + " " + UnixPath(link), link, true));
    ASSERT_EQ(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT,
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  }
  // Whether a link itself goes differs (Windows removes it, Wine cannot), so
  // only the results that hold on both are looked at.
  Delete(tree);
  EXPECT_FALSE(Exists(tree + "\\a.txt"));
  Delete(named);
  EXPECT_TRUE(Exists(documents + "\\notes.txt"));
  EXPECT_TRUE(Exists(documents + "\\letters\\one.txt"));
  for (const std::string& link : {inside, named})
    if (Exists(link)) RunUnix("/bin/rm " + UnixPath(link), link, false);
}

}  // namespace
