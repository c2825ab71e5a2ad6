// The upgrader on drive S:, the test stick (tests/stick): slow when told,
// write-protected, pulled, storing other bytes than it was given, or cut off
// at a chosen change. Told through S:\.stick\control, counted through
// S:\.stick\counters. Names outside GBK are written and read in UTF-16.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/app/upgrader_run.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

using namespace upgrader_run;

namespace {

std::string Utf8(const std::wstring& wide) {
  std::string utf8(wide.size() * 4 + 1, '\0');
  utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), int(utf8.size()),
                                  nullptr, nullptr));
  return utf8;
}

void Control(const std::string& command) {
  HANDLE file = CreateFileA("S:\\.stick\\control", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the test stick is not drive S:";
  const std::string line = command + "\n";
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr)) << command;
  CloseHandle(file);
}

// The stick's counters by name (written, created, renames, flushes, changes...).
std::map<std::string, long long> Counters() {
  std::map<std::string, long long> counters;
  const std::string text = ReadAll("S:\\.stick\\counters");
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find_first_of(" \n", at), text.size());
    const std::string field = text.substr(at, end - at);
    const size_t equals = field.find('=');
    if (equals != std::string::npos) counters[field.substr(0, equals)] = std::atoll(field.c_str() + equals + 1);
    at = end + 1;
  }
  return counters;
}

// A stick as fast as the disk with no fault, its counters zeroed.
void FreshStick() {
  Control("reset");
  Control("latency_us 0");
  Control("write_bps 0");
  Control("read_bps 0");
  PrepareDrive("S:");
  Control("zero");
}

// Every file below a folder as "relative path=content" in UTF-8, through
// \\?\ so that no name or length is lost; folders end with a backslash.
std::vector<std::string> WideListing(const std::wstring& folder, const std::string& prefix = "") {
  std::vector<std::string> lines;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return lines;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring full = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      lines.push_back(prefix + Utf8(name) + "\\");
      for (const std::string& line : WideListing(full, prefix + Utf8(name) + "\\")) lines.push_back(line);
    } else {
      lines.push_back(prefix + Utf8(name) + "=" + ReadAllW(L"\\\\?\\" + full));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// WORLD.7z on the drive. The names are wide literals: narrow ones are GBK.
std::vector<std::string> WorldDrive() {
  const std::string korean = Utf8(L"한국어");
  return {"NOTES.TXT=the user's notes",
          "ZEDOVAV\\",
          "ZEDOVAV\\.profile=PATH=x\n",
          "ZEDOVAV\\VERSION.TXT=tool set 3.0\n",
          "ZEDOVAV\\" + korean + "\\",
          "ZEDOVAV\\" + korean + "\\" + Utf8(L"도구.TXT") + "=Korean tool\n",
          "ZEDOVAV\\" + Utf8(L"😀.TXT") + "=smile\n"};
}

// What real tool sets carry and the old upgrade could not delete: read-only,
// hidden and system files, dot names, a path past 260 characters, names
// outside GBK.
void AddStubbornFiles() {
  WriteAll("S:\\ZEDOVAV\\RO.TXT", "read-only");
  SetFileAttributesA("S:\\ZEDOVAV\\RO.TXT", FILE_ATTRIBUTE_READONLY);
  WriteAll("S:\\ZEDOVAV\\BOOT.BIN", "system");
  SetFileAttributesA("S:\\ZEDOVAV\\BOOT.BIN", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryA("S:\\ZEDOVAV\\.git", nullptr);
  WriteAll("S:\\ZEDOVAV\\.git\\config", "[core]");
  std::wstring deep = L"\\\\?\\S:\\ZEDOVAV";
  for (int i = 0; i < 6; ++i) {
    deep += L"\\" + std::wstring(50, wchar_t(L'a' + i));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  ASSERT_GT(deep.size(), 300u);
  WriteAllW(deep + L"\\deep.txt", "deep");
  WriteAllW(L"S:\\ZEDOVAV\\한국어.txt", "Korean");
}

// The archiver processes (7z.exe) that the tool started.
std::vector<DWORD> ArchiversOf(DWORD toolPid) {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == toolPid && _stricmp(entry.szExeFile, "7z.exe") == 0)
      found.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return found;
}

bool Running(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// A slow stick (3 ms a change) and the 1,500-file set: the unpack takes
// seconds, so there is time to act while the archiver writes.
std::string SlowLargeUpgrade(const char* name) {
  FreshStick();
  Control("latency_us 3000");
  return LayOutTool(WorkFolder(name), {true, true, Sample("LARGE.7z")});
}

// Presses 升级 for S: and waits until the archiver writes there: its
// process id, or 0.
DWORD StartUnpackOnS(Upgrader& run) {
  if (!run.Ready()) return 0;
  run.Start("S:\\");
  if (!WaitFor([&] { return Exists("S:\\ZEDOVAV.upgrade-new\\ZEDOVAV\\D10"); }, 60000)) return 0;
  const std::vector<DWORD> archivers = ArchiversOf(run.Pid());
  return archivers.size() == 1 ? archivers[0] : 0;
}

// Old tool sets full of what sticks carry go whole, twice in a row, and a
// set whose names lie outside GBK unpacks, is read back and is flushed.
TEST(StickEndToEnd, TheOldSetGoesWholeAndNamesOutsideGbkLand) {
  FreshStick();
  AddStubbornFiles();
  const std::string tool = LayOutTool(WorkFolder("world"), {true, true, Sample("WORLD.7z")});
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    if (run == 1) AddStubbornFiles();
    Control("zero");
    EXPECT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 0u) << LastLogBlock(tool);
    // Nothing but the new set and the user's file.
    EXPECT_EQ(WideListing(L"S:"), WorldDrive());
  }
  // The second time only the stubborn files had to go.
  const std::string block = LastLogBlock(tool);
  EXPECT_NE(block.find("比较：新增 0，更新 0，删除 5，未变 4"), std::string::npos) << block;
}

// A whole new set is flushed file by file and read back before the swap.
TEST(StickEndToEnd, AWholeSetIsFlushedAndReadBack) {
  FreshStick();
  const std::string tool = LayOutTool(WorkFolder("world"), {true, true, Sample("WORLD.7z")});
  EXPECT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 0u) << LastLogBlock(tool);
  const auto counters = Counters();
  EXPECT_GE(counters.at("flushes"), 4) << "each staged file is flushed";
  EXPECT_GE(counters.at("read"), 38) << "the staged files' 38 bytes are read back";
  EXPECT_NE(LastLogBlock(tool).find("读回校验：4 个文件"), std::string::npos) << LastLogBlock(tool);
}

// A locked stick is refused before anything is written, with advice.
TEST(StickEndToEnd, AWriteProtectedStickIsRefusedWithNothingChanged) {
  FreshStick();
  Control("readonly 1");
  const std::string tool = LayOutTool(WorkFolder("locked"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  run.Start("S:\\");
  const BoxSeen box = run.NextBox();
  EXPECT_EQ(box.title, "无法升级");
  EXPECT_NE(box.text.find("写保护"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("换用另一个U盘"), std::string::npos) << box.text;
  run.ExpectUsableThenEscape();
  EXPECT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 18u);
  Control("readonly 0");
  EXPECT_EQ(Counters().at("changes"), 0);
  EXPECT_EQ(Listing("S:"), kOldDrive);
}

// A stick that stores other bytes than it is given: the read-back names the
// damaged file, the old set stays, nothing new is left.
TEST(StickEndToEnd, ABadFlashIsCaughtBeforeTheSwap) {
  FreshStick();
  const std::string tool = LayOutTool(WorkFolder("badflash"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  Control("badflash 1");
  run.Start("S:\\");
  EXPECT_EQ(run.ExitCode(), 19u);
  Control("reset");
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_NE(run.boxes[0].text.find("读回后与升级包不符：“ZEDOVAV\\"), std::string::npos) << run.boxes[0].text;
  EXPECT_NE(run.boxes[0].text.find("请换用另一个U盘"), std::string::npos) << run.boxes[0].text;
  EXPECT_EQ(Listing("S:"), kOldDrive);
  EXPECT_EQ(WideListing(L"S:").size(), kOldDrive.size() + 2) << "a staging folder was left";
}

// Pulled mid-unpack: told within seconds, never success, never a hang; put
// back, the next upgrade puts right what was left and finishes.
TEST(StickEndToEnd, APulledStickIsToldAndTheNextRunFinishes) {
  const std::string tool = SlowLargeUpgrade("pulled");
  Upgrader run(tool);
  ASSERT_NE(StartUnpackOnS(run), 0u);
  Control("pulled 1");
  const DWORD pulledAt = GetTickCount();
  const BoxSeen box = run.NextBox(30000);
  const DWORD answeredIn = GetTickCount() - pulledAt;
  EXPECT_LT(answeredIn, 10000u);
  EXPECT_EQ(box.title, "U盘已拔出或无法写入");
  EXPECT_EQ(run.ExitCode(), 18u);
  Control("reset");
  Control("latency_us 0");
  EXPECT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 0u) << LastLogBlock(tool);
  EXPECT_EQ(ReadAll("S:\\ZEDOVAV\\D24\\F109.TXT"), "tool 24.109\n");
  EXPECT_EQ(WideListing(L"S:").size(), 1u + 1 + 15 + 1500) << "something was left beside ZEDOVAV";
}

// 取消 mid-unpack stops the archiver, removes what it wrote and gives the
// main window back; closing the wait window means the same.
TEST(StickEndToEnd, CancelStopsTheUnpackAndKeepsTheOldSet) {
  const std::string tool = SlowLargeUpgrade("cancel");
  for (const bool byClosing : {false, true}) {
    SCOPED_TRACE(byClosing ? "Alt+F4" : "取消");
    PrepareDrive("S:");
    Upgrader run(tool);
    const DWORD archiver = StartUnpackOnS(run);
    ASSERT_NE(archiver, 0u);
    HWND wait = FindTopWindow(run.Pid(), 332, 61);
    ASSERT_TRUE(wait);
    if (byClosing) {
      PostMessageA(wait, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      HWND cancel = FindChildByText(wait, "取消");
      ASSERT_TRUE(cancel);
      EXPECT_TRUE(run.Enabled(cancel));
      Click(cancel);
    }
    const BoxSeen box = run.NextBox(30000);
    EXPECT_EQ(box.title, "升级已取消");
    EXPECT_FALSE(Running(archiver));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(run.main) && run.Enabled(run.upgrade); }, 10000));
    EXPECT_EQ(Listing("S:"), kOldDrive);
    EXPECT_FALSE(Exists("S:\\ZEDOVAV.upgrade-new"));
    run.PressEscape();
    EXPECT_EQ(run.ExitCode(), 0u);
  }
}

// The tool killed mid-unpack takes its archiver with it: nothing goes on
// writing to the stick for the next run's recovery to race.
TEST(StickEndToEnd, AKilledToolLeavesNoArchiverBehind) {
  const std::string tool = SlowLargeUpgrade("killed");
  {
    Upgrader run(tool);
    const DWORD archiver = StartUnpackOnS(run);
    ASSERT_NE(archiver, 0u);
    TerminateProcess(run.Process(), 9);
    EXPECT_TRUE(WaitFor([&] { return !Running(archiver); }, 5000)) << "the archiver goes on";
  }
  Control("latency_us 0");
  EXPECT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 0u);
  EXPECT_EQ(ReadAll("S:\\ZEDOVAV\\D24\\F109.TXT"), "tool 24.109\n");
}

// Power cut at every change of a whole upgrade in turn: what is left always
// holds one whole set, and the next run ends with exactly the new one.
TEST(StickEndToEnd, ACutAtAnyChangeLeavesAWholeSet) {
  if (!FULL_SWEEPS) GTEST_SKIP() << "swept on the 64-bit prefix";
  FreshStick();
  const std::string tool = LayOutTool(WorkFolder("cut"));
  ASSERT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 0u);
  const long long changes = Counters().at("changes");
  ASSERT_GT(changes, 5);
  const auto whole = [](const std::string& folder, const std::vector<std::string>& drive) {
    std::vector<std::string> set;
    for (const std::string& line : drive)
      if (line.rfind("ZEDOVAV\\", 0) == 0) set.push_back(line.substr(8));
    return Listing(folder) == set;
  };
  for (long long k = 1; k <= changes; ++k) {
    SCOPED_TRACE("cut at change " + std::to_string(k) + " of " + std::to_string(changes));
    FreshStick();
    Control("cutafter " + std::to_string(k));
    const DWORD code = RunFromScript(tool, "/silent S:\\").exitCode;
    Control("reset");
    EXPECT_NE(code, 0xDEADu);
    bool oneWhole = false;
    for (const char* folder : {"S:\\ZEDOVAV", "S:\\ZEDOVAV.upgrade-old", "S:\\ZEDOVAV.upgrade-ready\\ZEDOVAV"})
      oneWhole = oneWhole || whole(folder, kOldDrive) || whole(folder, kNewDrive);
    EXPECT_TRUE(oneWhole) << "exit " << code;
    EXPECT_EQ(RunFromScript(tool, "/silent S:\\").exitCode, 0u) << LastLogBlock(tool);
    EXPECT_EQ(Listing("S:"), kNewDrive);
  }
}

// Only what changed is written: B after A keeps 20 files where they are,
// writes the two new ones and the changed one, and drops the rest.
std::vector<std::string> DiffDrive(char version) {
  std::vector<std::string> drive = {"NOTES.TXT=the user's notes"};
  for (int f = 10; f <= 29; ++f)
    drive.push_back("ZEDOVAV\\Keep\\K" + std::to_string(f) + ".TXT=kept tool " + std::to_string(f) + "\n");
  if (version == 'A') {
    drive.insert(drive.end(), {"ZEDOVAV\\GONE.TXT=dropped\n", "ZEDOVAV\\OldDir\\X.TXT=old folder\n",
                               "ZEDOVAV\\VERSION.TXT=version A\n"});
  } else {
    drive.insert(drive.end(), {"ZEDOVAV\\NEW.TXT=added\n", "ZEDOVAV\\NewDir\\Y.TXT=new folder\n",
                               "ZEDOVAV\\VERSION.TXT=version B\n"});
  }
  std::sort(drive.begin(), drive.end());
  return drive;
}

// The file's identity on the drive and its last write.
std::string Identity(const char* path) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!known) return "<missing>";
  return std::to_string(info.nFileIndexHigh) + ":" + std::to_string(info.nFileIndexLow) + "@" +
         std::to_string(info.ftLastWriteTime.dwLowDateTime);
}

TEST(StickEndToEnd, OnlyWhatChangedIsWrittenAndCommittedByAJournal) {
  FreshStick();
  const std::string a = LayOutTool(WorkFolder("diff-a"), {true, true, Sample("DIFF-A.7z")});
  const std::string b = LayOutTool(WorkFolder("diff-b"), {true, true, Sample("DIFF-B.7z")});
  ASSERT_EQ(RunFromScript(a, "/silent S:\\").exitCode, 0u);
  ASSERT_EQ(Listing("S:"), DiffDrive('A'));
  const std::string kept = Identity("S:\\ZEDOVAV\\Keep\\K10.TXT");
  Sleep(1100);  // a rewrite would show in the time

  Control("zero");
  EXPECT_EQ(RunFromScript(b, "/silent S:\\").exitCode, 0u) << LastLogBlock(b);
  EXPECT_EQ(Listing("S:"), DiffDrive('B'));
  EXPECT_EQ(Identity("S:\\ZEDOVAV\\Keep\\K10.TXT"), kept);
  auto counters = Counters();
  // The three files' 27 bytes, the list file and the journal.
  EXPECT_LT(counters.at("written"), 4096) << "written " << counters.at("written");
  EXPECT_LE(counters.at("created"), 3 + 3 + 1) << "the three files, list, journal, probe";
  std::string block = LastLogBlock(b);
  EXPECT_NE(block.find("比较：新增 2，更新 1，删除 2，未变 20"), std::string::npos) << block;
  EXPECT_NE(block.find("新增 2、更新 1、删除 2、未变 20 个文件，写入U盘 27 字节。"), std::string::npos) << block;

  // The same package again writes nothing and moves nothing.
  Control("zero");
  EXPECT_EQ(RunFromScript(b, "/silent S:\\").exitCode, 0u);
  counters = Counters();
  EXPECT_EQ(counters.at("written"), 0);
  EXPECT_EQ(counters.at("renames"), 0);
  EXPECT_EQ(Listing("S:"), DiffDrive('B'));

  // A move refused after the commit point (a file held open without
  // sharing deletion): the box says the next run finishes it, and it does.
  ASSERT_EQ(RunFromScript(a, "/silent S:\\").exitCode, 0u);
  HANDLE held = CreateFileA("S:\\ZEDOVAV\\GONE.TXT", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Upgrader run(b);
  ASSERT_TRUE(run.Ready());
  run.Start("S:\\");
  EXPECT_EQ(run.ExitCode(), 15u) << LastLogBlock(b);
  CloseHandle(held);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_NE(run.boxes[0].text.find("下次升级会先把它做完"), std::string::npos) << run.boxes[0].text;
  EXPECT_TRUE(Exists("S:\\ZEDOVAV.upgrade-journal"));
  EXPECT_EQ(RunFromScript(b, "/silent S:\\").exitCode, 0u) << LastLogBlock(b);
  EXPECT_EQ(Listing("S:"), DiffDrive('B'));
}

// Power cut at every change of a difference upgrade: before the journal is
// whole the old set stays as it was; after it, the next run finishes the
// moves. Either way the next run ends with exactly the new set.
TEST(StickEndToEnd, ACutDifferenceIsUndoneOrFinished) {
  if (!FULL_SWEEPS) GTEST_SKIP() << "swept on the 64-bit prefix";
  FreshStick();
  const std::string a = LayOutTool(WorkFolder("cut-a"), {true, true, Sample("DIFF-A.7z")});
  const std::string b = LayOutTool(WorkFolder("cut-b"), {true, true, Sample("DIFF-B.7z")});
  ASSERT_EQ(RunFromScript(a, "/silent S:\\").exitCode, 0u);
  Control("zero");
  ASSERT_EQ(RunFromScript(b, "/silent S:\\").exitCode, 0u);
  const long long changes = Counters().at("changes");
  ASSERT_GT(changes, 5);
  int committed = 0;
  for (long long k = 1; k <= changes; ++k) {
    SCOPED_TRACE("cut at change " + std::to_string(k) + " of " + std::to_string(changes));
    Control("reset");
    ASSERT_EQ(RunFromScript(a, "/silent S:\\").exitCode, 0u);
    ASSERT_EQ(Listing("S:"), DiffDrive('A'));
    Control("cutafter " + std::to_string(k));
    RunFromScript(b, "/silent S:\\");
    Control("reset");
    const bool journal = Exists("S:\\ZEDOVAV.upgrade-journal");
    std::vector<std::string> set = Listing("S:\\ZEDOVAV", "ZEDOVAV\\");
    set.insert(set.begin(), "NOTES.TXT=the user's notes");
    EXPECT_EQ(RunFromScript(b, "/silent S:\\").exitCode, 0u) << LastLogBlock(b);
    EXPECT_EQ(Listing("S:"), DiffDrive('B'));
    const std::string block = LastLogBlock(b);
    if (block.find("按日志完成上次的更新") != std::string::npos) {
      ++committed;
    } else {
      // Cut before the journal was whole: the old set as it was.
      EXPECT_TRUE(set == DiffDrive('A') || set == DiffDrive('B')) << "no whole set, and no journal to finish";
      EXPECT_EQ(journal, block.find("日志不完整") != std::string::npos) << block;
    }
  }
  EXPECT_GT(committed, 2) << "no cut fell between the journal and its end";
}

}  // namespace
