// The upgrader as a user meets it: the real program started from a tool
// folder under Wine, drive E: mapped to a folder of the test, its windows
// found and driven from here (text typed into the edit box, buttons
// clicked, message boxes read and closed), its exit code and the files on
// E: checked afterwards. Built twice: for the 64-bit and the 32-bit prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/upgrader_run.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

using namespace upgrader_run;

namespace {

std::string Payload(const char* folder, const char* name) {
  return ReadAll(Slashes(folder) + "\\" + name);
}

// The file names of the modules a process has loaded, in lower case.
std::vector<std::string> ModuleNames(DWORD pid) {
  std::vector<std::string> names;
  HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  MODULEENTRY32 module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32First(modules, &module); more; more = Module32Next(modules, &module))
    names.push_back(CharLowerA(module.szModule));
  CloseHandle(modules);
  return names;
}

}  // namespace

namespace {

// Pixels of the window's rectangle on the screen in the wait text's colour
// (0x00FF8080: light blue), as the screen shows them now.
int TextPixelsOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = GetPixel(screen, x, y);
      if (GetBValue(c) > 200 && GetRValue(c) < 200 && GetGValue(c) < 200) ++count;
    }
  }
  ReleaseDC(nullptr, screen);
  return count;
}

LRESULT CALLBACK CoverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return 1;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Freezes the archiver the program started (a child named 7z.exe), so the
// program stays in its wait for as long as the test looks; the threads to
// resume, none when no archiver runs.
std::vector<HANDLE> FreezeArchiver(DWORD parentPid, DWORD* archiverPid = nullptr) {
  std::vector<HANDLE> frozen;
  HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 process{};
  process.dwSize = sizeof process;
  DWORD archiver = 0;
  for (BOOL more = Process32First(processes, &process); more && !archiver; more = Process32Next(processes, &process))
    if (process.th32ParentProcessID == parentPid && lstrcmpiA(process.szExeFile, "7z.exe") == 0)
      archiver = process.th32ProcessID;
  CloseHandle(processes);
  if (archiverPid) *archiverPid = archiver;
  if (!archiver) return frozen;
  HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(threads, &thread); more; more = Thread32Next(threads, &thread)) {
    if (thread.th32OwnerProcessID != archiver) continue;
    if (HANDLE handle = OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread.th32ThreadID)) {
      SuspendThread(handle);
      frozen.push_back(handle);
    }
  }
  CloseHandle(threads);
  return frozen;
}

void Thaw(const std::vector<HANDLE>& threads) {
  for (HANDLE thread : threads) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

// Starts an upgrade of target and holds its archiver still once it has
// begun to unpack into the staging folder.
std::vector<HANDLE> StartAndHoldUnpack(Upgrader& run, const std::string& target, DWORD* archiverPid = nullptr) {
  run.Start(target.c_str());
  std::vector<HANDLE> frozen;
  const std::string staging = target + (target.back() == '\\' ? "" : "\\") + "ZEDOVAV.upgrade-new\\ZEDOVAV";
  WaitFor([&] { return Exists(staging) && !(frozen = FreezeArchiver(run.Pid(), archiverPid)).empty(); }, 60000);
  return frozen;
}

}  // namespace

// At every start the archiver of this kind of Windows and its own library
// are written over whatever lay there (here the other kind's files); files
// that already hold them are left as they are.
TEST(UpgraderEndToEnd, WritesTheMatchingArchiverAtStartAndEscEndsWithZero) {
  const std::string tool = LayOutTool(WorkFolder("payload"));
  WriteAll(tool + "\\data\\PE\\7z.exe", Payload(OTHER_PAYLOADS, "7z.exe"));
  WriteAll(tool + "\\data\\PE\\7z.dll", Payload(OTHER_PAYLOADS, "7z.dll"));
  FILETIME written[2];
  for (int start = 0; start < 2; ++start) {
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    const std::string exe = ReadAll(tool + "\\data\\PE\\7z.exe");
    const std::string dll = ReadAll(tool + "\\data\\PE\\7z.dll");
    EXPECT_EQ(exe.size(), Payload(EXPECTED_PAYLOADS, "7z.exe").size());
    EXPECT_TRUE(exe == Payload(EXPECTED_PAYLOADS, "7z.exe"));
    EXPECT_EQ(dll.size(), Payload(EXPECTED_PAYLOADS, "7z.dll").size());
    EXPECT_TRUE(dll == Payload(EXPECTED_PAYLOADS, "7z.dll"));
    EXPECT_TRUE(IsWindowVisible(run.main));
    EXPECT_FALSE(run.Shown(run.status));
    run.PressEscape();
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_TRUE(run.boxes.empty());
    HANDLE file = CreateFileA((tool + "\\data\\PE\\7z.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &written[start]);
    CloseHandle(file);
    if (start == 0) Sleep(1100);  // a rewrite would show in the time
  }
  EXPECT_EQ(CompareFileTime(&written[0], &written[1]), 0) << "the matching library was written again";
}

// What only the folder dialog, sounds, the spinner, tooltips or sockets
// need is loaded at their first use, not before the window is on screen.
TEST(UpgraderEndToEnd, ShowsItsWindowBeforeTheLibrariesItNeedsOnlyLater) {
  const std::string tool = LayOutTool(WorkFolder("modules"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  const std::vector<std::string> loaded = ModuleNames(run.Pid());
  auto has = [&](const char* name) { return std::find(loaded.begin(), loaded.end(), name) != loaded.end(); };
  ASSERT_TRUE(has("user32.dll"));
  for (const char* later : {"comctl32.dll", "shell32.dll", "winmm.dll", "ws2_32.dll"})
    EXPECT_FALSE(has(later)) << later;
  run.PressEscape();
  EXPECT_EQ(run.ExitCode(), 0u);
}

// From a folder whose path holds a space and Chinese names, as the
// desktop's new folders do: every path on the archiver's command lines is
// quoted. E:\ as the folder dialog gives a drive root: the old ZEDOVAV
// goes, the new one comes, the user's file beside it stays, nothing of
// the upgrade's own is left, and the closing box says what was done.
TEST(UpgraderEndToEnd, UpgradesTheDriveAndEndsWithZero) {
  PrepareDrive();
  CreateDirectoryA(WorkFolder("新建文件夹 (2)").c_str(), nullptr);
  const std::string tool = LayOutTool(WorkFolder("新建文件夹 (2)") + "\\升级 工具");
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  run.Start("E:\\");

  HWND wait = WaitFor([&] { return FindTopWindow(run.Pid(), 332, 61); }, 60000);
  ASSERT_TRUE(wait) << "no wait window";
  EXPECT_TRUE(run.Shown(run.status));  // made visible before the main window went
  EXPECT_FALSE(run.Enabled(run.upgrade));
  EXPECT_FALSE(run.Enabled(run.browse));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(run.main) ? wait : nullptr; }, 10000));
  Click(run.upgrade);  // a second press does nothing

  EXPECT_EQ(run.ExitCode(), 0u);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].title, "升级完成");
  EXPECT_EQ(run.boxes[0].text,
            "PE软件包已升级：“E:\\ZEDOVAV”中现在有 2 个文件，共 32 字节。\r\n\r\n"
            "拔下U盘前，请先在任务栏右下角点击“安全删除硬件并弹出媒体”，等提示可以安全移除后再拔。");
  EXPECT_EQ(run.boxes[0].owner, wait);
  EXPECT_EQ(Listing("E:"), kNewDrive);
  EXPECT_FALSE(Exists("E:\\ZEDOVAV.upgrade-new") || Exists("E:\\ZEDOVAV.upgrade-old"));
  // The log's block: the drive, both archiver runs (once each) with their
  // codes, each step of the swap, the result.
  const std::string block = LastLogBlock(tool);
  EXPECT_EQ(Count(block, "解压程序：\""), 2u) << block;
  EXPECT_NE(block.find("目标 E:\\：卷 E:\\，可移动磁盘"), std::string::npos) << block;
  EXPECT_NE(block.find(" -o\"E:\\ZEDOVAV.upgrade-new\""), std::string::npos) << block;
  EXPECT_NE(block.find("\"" + tool + "\\PE\\ZEDOVAV.7z\""), std::string::npos) << block;
  EXPECT_NE(block.find("移动 E:\\ZEDOVAV -> E:\\ZEDOVAV.upgrade-old\r\n"), std::string::npos) << block;
  EXPECT_NE(block.find("移动 E:\\ZEDOVAV.upgrade-ready\\ZEDOVAV -> E:\\ZEDOVAV\r\n"), std::string::npos) << block;
  EXPECT_NE(block.find("结果：退出码 0\r\n==== 结束 ====\r\n"), std::string::npos) << block;
}

// Each guard refuses before anything on the drive is touched, says why in
// a box over the main window, and leaves the window usable.
TEST(UpgraderEndToEnd, GuardsRefuseWithNothingTouched) {
  // The tool inside E:\My Drive\ZEDOVAV, reached by other names.
  CreateDirectoryA("E:\\My Drive", nullptr);
  char shortName[MAX_PATH] = {};
  struct Case {
    const char* name;
    std::string target;
    const char* says;
    int exitCode;            // the refusal's code, in the log
    std::string toolFolder;  // empty: a work folder
    std::string program;     // empty: the tool folder's program
    bool archive, dataFolder;
  };
  const std::string inside = "E:\\My Drive\\ZEDOVAV\\Tool";
  const std::string insideByZ = Slashes(DRIVE_E_FOLDER) + "\\My Drive\\ZEDOVAV\\Tool\\pe_upgrader.exe";
  // The build links work folder\linked-tool to it, as a junction would.
  const std::string insideByLink = Slashes(WORK_FOLDER) + "\\linked-tool\\pe_upgrader.exe";
  const char* kInside = "本程序位于将被删除的 ZEDOVAV 目录中";
  std::vector<Case> cases = {
      {"empty", "", "请先输入或浏览选择U盘盘符目录", 10, "", "", true, true},
      {"blank", "   ", "请先输入或浏览选择U盘盘符目录", 10, "", "", true, true},
      {"relative", "PE", "“PE”不是完整的路径", 10, "", "", true, true},
      {"missing", "E:\\NoSuchFolder", "找不到U盘盘符目录“E:\\NoSuchFolder”", 10, "", "", true, true},
      {"the ZEDOVAV folder itself", "E:\\ZEDOVAV\\", "“E:\\ZEDOVAV”本身就是 ZEDOVAV 目录。请选择它上一级的目录", 10, "",
       "", true, true},
      {"the Windows drive", "C:\\", "“C:\\”在装有 Windows 的系统盘上", 10, "", "", true, true},
      {"inside", "E:\\My Drive", kInside, 10, inside, "", true, true},
      {"inside, by another drive letter", "E:\\My Drive", kInside, 10, inside, insideByZ, true, true},
      {"inside, by a short name", "", kInside, 10, inside, "", true, true},
      {"inside, through a link", "E:\\My Drive", kInside, 10, inside, insideByLink, true, true},
      {"no archive", "E:\\", "找不到升级包 PE\\ZEDOVAV.7z", 11, "", "", false, true},
      {"no data folder", "E:\\", "找不到解压程序 data\\PE\\7z.exe 或 data\\PE\\7z.dll", 11, "", "", true, false},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrepareDrive();
    CreateDirectoryA("E:\\My Drive", nullptr);
    CreateDirectoryA("E:\\My Drive\\ZEDOVAV", nullptr);
    const std::string tool =
        LayOutTool(c.toolFolder.empty() ? WorkFolder(c.name) : c.toolFolder, {c.archive, c.dataFolder, ""});
    if (c.target.empty() && c.toolFolder == inside) {
      ASSERT_TRUE(GetShortPathNameA("E:\\My Drive", shortName, MAX_PATH));
      c.target = shortName;
      ASSERT_NE(c.target, "E:\\My Drive");
    }
    Upgrader run(tool, c.program);
    ASSERT_TRUE(run.Ready());
    // The tool's own log may lie on the drive: it is the one file that comes.
    auto drive = [] {
      std::vector<std::string> files = Listing("E:");
      files.erase(std::remove_if(files.begin(), files.end(),
                                 [](const std::string& f) { return f.find("upgrade.log=") != std::string::npos; }),
                  files.end());
      return files;
    };
    const std::vector<std::string> before = drive();
    run.Start(c.target.c_str());
    const BoxSeen box = run.NextBox();
    EXPECT_EQ(box.title, "无法升级");
    EXPECT_NE(box.text.find(c.says), std::string::npos) << box.text;
    EXPECT_EQ(box.owner, run.main);
    EXPECT_EQ(drive(), before);
    run.ExpectUsableThenEscape();
    EXPECT_NE(LastLogBlock(tool).find("结果：未升级，退出码 " + std::to_string(c.exitCode)), std::string::npos)
        << LastLogBlock(tool);
  }
  RemoveTree("E:\\My Drive");
}

// A fixed disk (USB hard disks say so too) is upgraded only after a Yes.
TEST(UpgraderEndToEnd, AFixedDiskAsksFirst) {
  PrepareDrive("F:");
  const std::string tool = LayOutTool(WorkFolder("fixed"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  run.Start("F:\\");
  BoxSeen question = run.NextBox(60000, IDNO);
  EXPECT_EQ(question.title, "确认升级");
  EXPECT_NE(question.text.find("“F:\\”在本地硬盘（固定磁盘）上"), std::string::npos) << question.text;
  EXPECT_EQ(question.owner, run.main);
  EXPECT_TRUE(WaitFor([&] { return run.Enabled(run.upgrade); }, 10000));
  EXPECT_EQ(Listing("F:"), kOldDrive);

  run.Start("F:\\");
  question = run.NextBox(60000, IDYES);
  EXPECT_EQ(question.title, "确认升级");
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(Listing("F:"), kNewDrive);
}

// An encrypted archive is refused at once, never with a hidden prompt; an
// archive that is not one ZEDOVAV folder would put files beside the
// user's: both are refused with the drive as it was.
TEST(UpgraderEndToEnd, ArchivesThatCannotBeUnpackedSafelyAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {"ENCRYPTED.7z", "有密码保护（已加密）"},
      {"HIDDEN.7z", "有密码保护（已加密）"},
      {"LOOSE.7z", "里不是一个 ZEDOVAV 文件夹"},
  };
  for (const auto& [archive, says] : cases) {
    SCOPED_TRACE(archive);
    PrepareDrive();
    const std::string tool = LayOutTool(WorkFolder(archive), {true, true, Sample(archive)});
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    run.Start("E:\\");
    const BoxSeen box = run.NextBox(30000);
    EXPECT_EQ(box.title, "无法升级");
    EXPECT_NE(box.text.find(says), std::string::npos) << box.text;
    EXPECT_EQ(box.owner, run.main);
    EXPECT_EQ(Listing("E:"), kOldDrive);
    run.ExpectUsableThenEscape();
  }
}

// A damaged archive: with its headers broken the listing fails; with only
// its data broken the unpack into staging fails on the CRC. Either way the
// old set stays, nothing staged is left, and the tool ends with the
// archiver's code.
TEST(UpgraderEndToEnd, ACorruptArchiveLeavesTheOldSet) {
  const std::string good = Sample("ZEDOVAV.7z");
  ASSERT_GT(good.size(), 64u);
  std::string headers = good, data = good;
  for (size_t i = 40; i < headers.size(); i += 7) headers[i] = static_cast<char>(headers[i] ^ 0x5A);
  for (size_t i = 33; i < 40; ++i) data[i] = static_cast<char>(data[i] ^ 0x5A);  // the packed stream
  const std::pair<std::string, const char*> cases[] = {{headers, "升级包 PE\\ZEDOVAV.7z 校验失败"},
                                                       {data, "解压升级包失败"}};
  for (const auto& [bytes, says] : cases) {
    SCOPED_TRACE(says);
    PrepareDrive();
    const std::string tool = LayOutTool(WorkFolder("corrupt"), {true, true, bytes});
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    run.Start("E:\\");
    const DWORD code = run.ExitCode();
    EXPECT_EQ(code, 2u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].title, "升级失败");
    EXPECT_NE(run.boxes[0].text.find(says), std::string::npos) << run.boxes[0].text;
    EXPECT_NE(run.boxes[0].text.find("退出码 2"), std::string::npos) << run.boxes[0].text;
    EXPECT_NE(run.boxes[0].text.find("详细经过见日志：" + tool + "\\upgrade.log"), std::string::npos);
    EXPECT_EQ(Listing("E:"), kOldDrive);
  }
  EXPECT_NE(LastLogBlock(WorkFolder("corrupt")).find("退出码 2\r\n"), std::string::npos);
}

// A drive that fills while the archiver writes (G:, 16 MiB of its own):
// the old set is intact and nothing staged is left.
TEST(UpgraderEndToEnd, AFullDriveKeepsTheOldSet) {
  PrepareDrive("G:");
  const std::string tool = LayOutTool(WorkFolder("full"), {true, true, Sample("LARGE.7z")});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  const std::vector<HANDLE> archiver = StartAndHoldUnpack(run, "G:\\");
  ASSERT_FALSE(archiver.empty());
  ULARGE_INTEGER free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("G:\\", &free, nullptr, nullptr));
  WriteAll("G:\\FILLER.BIN", std::string(free.QuadPart - 16384, 'x'));
  Thaw(archiver);
  EXPECT_NE(run.ExitCode(), 0u);
  DeleteFileA("G:\\FILLER.BIN");
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_NE(run.boxes[0].text.find("U盘空间已满。旧的 ZEDOVAV 保持原样"), std::string::npos) << run.boxes[0].text;
  EXPECT_EQ(Listing("G:"), kOldDrive);
}

// G: holds 16 MiB; the old set takes 10 of them. A new set of 20 MiB does
// not fit at all; one of 9 MiB fits only once the old one is gone, which
// the user is asked about: No changes nothing, Yes upgrades.
TEST(UpgraderEndToEnd, ADriveTooSmallForBothSetsAsksToDeleteTheOldFirst) {
  auto prepare = [] {
    PrepareDrive("G:");
    WriteAll("G:\\ZEDOVAV\\OLD10M.BIN", std::string(10 << 20, 'o'));
  };
  prepare();
  const std::string small = LayOutTool(WorkFolder("room20"), {true, true, Sample("ROOM20M.7z")});
  {
    Upgrader run(small);
    ASSERT_TRUE(run.Ready());
    run.Start("G:\\");
    const BoxSeen box = run.NextBox();
    EXPECT_EQ(box.title, "无法升级");
    EXPECT_NE(box.text.find("U盘空间不足：新的 PE软件包需要 21 MB"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("（删除旧的 ZEDOVAV 后也只有 16 MB）"), std::string::npos) << box.text;
    run.ExpectUsableThenEscape();
  }
  const std::string tool = LayOutTool(WorkFolder("room9"), {true, true, Sample("ROOM9M.7z")});
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "yes" : "no");
    prepare();
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    run.Start("G:\\");
    const BoxSeen question = run.NextBox(60000, answer);
    EXPECT_EQ(question.title, "确认升级");
    EXPECT_NE(question.text.find("一旦解压失败，U盘上将没有可用的 PE软件包"), std::string::npos) << question.text;
    if (answer == IDNO) {
      EXPECT_TRUE(Exists("G:\\ZEDOVAV\\OLD10M.BIN"));
      run.ExpectUsableThenEscape();
      continue;
    }
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_EQ(ReadAll("G:\\ZEDOVAV\\BIG.BIN"), std::string(9 << 20, '\0'));
    EXPECT_FALSE(Exists("G:\\ZEDOVAV\\OLD10M.BIN"));
    EXPECT_FALSE(Exists("G:\\ZEDOVAV.upgrade-del"));
  }

  // An interrupted run's staging is room again: the drive's free space is
  // read once it is gone, so there is neither a refusal nor a question.
  PrepareDrive("G:");
  CreateDirectoryA("G:\\ZEDOVAV.upgrade-new", nullptr);
  WriteAll("G:\\ZEDOVAV.upgrade-new\\STALE.BIN", std::string(10 << 20, 's'));
  EXPECT_EQ(RunFromScript(tool, "/silent G:\\").exitCode, 0u) << LastLogBlock(tool);
  EXPECT_EQ(ReadAll("G:\\ZEDOVAV\\BIG.BIN").size(), size_t(9) << 20);

  // Where only what changed is written, room is judged for that alone: the
  // same 9 MiB file already on the drive asks no question.
  PrepareDrive("G:");
  WriteAll("G:\\ZEDOVAV\\BIG.BIN", std::string(9 << 20, '\0'));
  WriteAll("G:\\ZEDOVAV\\OLD1M.BIN", std::string(1 << 20, 'o'));
  EXPECT_EQ(RunFromScript(tool, "/silent G:\\").exitCode, 0u) << LastLogBlock(tool);
  EXPECT_FALSE(Exists("G:\\ZEDOVAV\\OLD1M.BIN"));
  EXPECT_EQ(ReadAll("G:\\ZEDOVAV\\BIG.BIN").size(), size_t(9) << 20);

  // With the old set deleted first, the new one is the only set: a last
  // rename refused (a handle that does not share deletion) keeps it, and
  // the box says where; the next run puts it in place.
  prepare();
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(StartTool(tool, "/silent /yes G:\\", &process));
  HANDLE held = WaitFor(
      [] {
        HANDLE h = CreateFileA("G:\\ZEDOVAV.upgrade-new\\ZEDOVAV", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
      },
      60000);
  ASSERT_TRUE(held);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(held);
  EXPECT_EQ(code, 15u) << LastLogBlock(tool);
  EXPECT_EQ(ReadAll("G:\\ZEDOVAV.upgrade-ready\\ZEDOVAV\\BIG.BIN").size(), size_t(9) << 20);
  EXPECT_FALSE(Exists("G:\\ZEDOVAV"));
  EXPECT_EQ(RunFromScript(tool, "/silent G:\\").exitCode, 0u) << LastLogBlock(tool);
  EXPECT_EQ(ReadAll("G:\\ZEDOVAV\\BIG.BIN").size(), size_t(9) << 20);
  PrepareDrive("G:");
}

// The tool killed while it unpacks (as a pulled plug would): the old set is
// whole where it was, the next upgrade removes what was staged and
// upgrades; an old set moved aside with no ZEDOVAV beside it goes back
// even when the upgrade is then refused.
TEST(UpgraderEndToEnd, AnInterruptedUpgradeIsPutRightByTheNext) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("interrupted"), {true, true, Sample("LARGE.7z")});
  {
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    DWORD archiverPid = 0;
    const std::vector<HANDLE> archiver = StartAndHoldUnpack(run, "E:\\", &archiverPid);
    ASSERT_FALSE(archiver.empty());
    TerminateProcess(run.Process(), 9);
    HANDLE unpacking = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, archiverPid);
    TerminateProcess(unpacking, 9);
    WaitForSingleObject(unpacking, 5000);
    CloseHandle(unpacking);
    Thaw(archiver);
  }
  std::vector<std::string> left = Listing("E:");
  left.erase(std::remove_if(left.begin(), left.end(),
                            [](const std::string& l) { return l.rfind("ZEDOVAV.upgrade-new\\", 0) == 0; }),
             left.end());
  EXPECT_EQ(left, kOldDrive);
  EXPECT_TRUE(Exists("E:\\ZEDOVAV.upgrade-new"));
  {
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    run.Start("E:\\");
    EXPECT_EQ(run.ExitCode(), 0u);
  }
  EXPECT_EQ(ReadAll("E:\\ZEDOVAV\\D24\\F109.TXT"), "tool 24.109\n");
  EXPECT_FALSE(Exists("E:\\ZEDOVAV.upgrade-new"));
  EXPECT_NE(LastLogBlock(tool).find("上次升级解压到一半中断"), std::string::npos);

  PrepareDrive();
  ASSERT_TRUE(MoveFileA("E:\\ZEDOVAV", "E:\\ZEDOVAV.upgrade-old"));
  const std::string refused = LayOutTool(WorkFolder("put-back"), {true, true, Sample("ENCRYPTED.7z")});
  Upgrader run(refused);
  ASSERT_TRUE(run.Ready());
  run.Start("E:\\");
  EXPECT_EQ(run.NextBox().title, "无法升级");
  EXPECT_EQ(Listing("E:"), kOldDrive);
  run.ExpectUsableThenEscape();
}

// One upgrade at a time on the machine: a second copy says so and touches
// nothing while the first unpacks.
TEST(UpgraderEndToEnd, ASecondCopyWaitsForTheFirst) {
  PrepareDrive();
  PrepareDrive("G:");
  Upgrader first(LayOutTool(WorkFolder("first"), {true, true, Sample("LARGE.7z")}));
  Upgrader second(LayOutTool(WorkFolder("second")));
  ASSERT_TRUE(first.Ready() && second.Ready());
  const std::vector<HANDLE> archiver = StartAndHoldUnpack(first, "E:\\");
  ASSERT_FALSE(archiver.empty());
  second.Start("G:\\");
  const BoxSeen box = second.NextBox();
  EXPECT_EQ(box.title, "无法升级");
  EXPECT_NE(box.text.find("另一个升级程序正在升级"), std::string::npos) << box.text;
  EXPECT_EQ(Listing("G:"), kOldDrive);
  Thaw(archiver);
  EXPECT_EQ(first.ExitCode(), 0u);
  EXPECT_EQ(ReadAll("E:\\ZEDOVAV\\D24\\F109.TXT"), "tool 24.109\n");
  // Free again once the first is done.
  second.Start("G:\\");
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(Listing("G:"), kNewDrive);
}

// A file held open in the old set cannot be deleted: the new set is in
// place all the same, and the closing box says what was left and where.
TEST(UpgraderEndToEnd, WhatTheOldSetLeavesBehindIsReported) {
  PrepareDrive();
  HANDLE held = CreateFileA("E:\\ZEDOVAV\\VERSION.TXT", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string tool = LayOutTool(WorkFolder("held"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  run.Start("E:\\");
  const DWORD code = run.ExitCode();
  CloseHandle(held);
  ASSERT_EQ(run.boxes.size(), 1u);
  // Windows refuses to move a folder with an open file: the old set stays
  // whole. Wine moves it and then cannot delete the file.
  if (code == 0) {
    EXPECT_EQ(run.boxes[0].title, "升级完成");
    EXPECT_NE(run.boxes[0].text.find("旧的 PE软件包中有 1 项未能删除"), std::string::npos) << run.boxes[0].text;
    EXPECT_NE(run.boxes[0].text.find("留在“E:\\ZEDOVAV.upgrade-del”"), std::string::npos) << run.boxes[0].text;
    EXPECT_EQ(ReadAll("E:\\ZEDOVAV.upgrade-del\\VERSION.TXT"), "tool set 1.0");
    EXPECT_EQ(ReadAll("E:\\ZEDOVAV\\VERSION.TXT"), "tool set 2.0\n");
  } else {
    EXPECT_EQ(code, 15u);
    EXPECT_EQ(Listing("E:"), kOldDrive);
  }
  // The next upgrade clears what was left.
  Upgrader again(tool);
  ASSERT_TRUE(again.Ready());
  again.Start("E:\\");
  EXPECT_EQ(again.ExitCode(), 0u);
  EXPECT_EQ(Listing("E:"), kNewDrive);
}

// An archiver that ran and ended with 0xFFFFFFFF is not run a second time.
TEST(UpgraderEndToEnd, AnArchiverThatRanIsNeverStartedTwice) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("stand-in"));
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  ASSERT_TRUE(CopyFileA(Slashes(STAND_IN).c_str(), (tool + "\\data\\PE\\7z.exe").c_str(), FALSE));
  run.Start("E:\\");
  EXPECT_EQ(run.ExitCode(), 0xFFFFFFFFu);
  const std::string starts = ReadAll(tool + "\\data\\PE\\starts.log");
  EXPECT_EQ(Count(starts, "\r\n"), 1u) << starts;
  EXPECT_NE(starts.find(" l -slt "), std::string::npos) << starts;
  EXPECT_EQ(Listing("E:"), kOldDrive);
}

// Each failure of the archiver is told as what it is: one that cannot be
// started is not a damaged package, a listing's warning is not a file
// unwritten, 255 is not the user's doing, and a failed unpack onto a drive
// without ZEDOVAV does not say the old set was kept.
TEST(UpgraderEndToEnd, ArchiverFailuresSayWhatHappened) {
  const std::string tool = LayOutTool(WorkFolder("archiver-fails"));
  struct Case {
    const char* archiver;  // what stands at data\PE\7z.exe; "" leaves the real one
    const char* exitCode;
    DWORD toolEnds;
    const char* says;
    const char* never;
  };
  const Case cases[] = {
      {"not a program", "", 16, "无法启动解压程序 data\\PE\\7z.exe（无法启动解压程序）", "校验失败"},
      {STAND_IN, "1", 1, "校验失败（警告，退出码 1）", "写入"},
      {STAND_IN, "255", 255, "校验失败（解压程序被中止，退出码 255）", "取消"},
      {"", "", 2, "U盘上原来没有 ZEDOVAV", "保持原样"},
  };
  std::string data = Sample("ZEDOVAV.7z");
  for (size_t i = 33; i < 40; ++i) data[i] = static_cast<char>(data[i] ^ 0x5A);  // the packed stream
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    PrepareDrive();
    if (!*c.archiver) {
      RemoveTree("E:\\ZEDOVAV");
      WriteAll(tool + "\\PE\\ZEDOVAV.7z", data);
    }
    const std::string archiver = tool + "\\data\\PE\\7z.exe";
    DeleteFileA(archiver.c_str());  // the tool writes its own at start
    Upgrader run(tool);
    ASSERT_TRUE(run.Ready());
    if (c.archiver == std::string(STAND_IN)) ASSERT_TRUE(CopyFileA(Slashes(STAND_IN).c_str(), archiver.c_str(), FALSE));
    else if (*c.archiver) WriteAll(archiver, c.archiver);
    WriteAll(tool + "\\data\\PE\\exit-code.txt", c.exitCode);
    run.Start("E:\\");
    EXPECT_EQ(run.ExitCode(), c.toolEnds);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].title, "升级失败");
    EXPECT_NE(run.boxes[0].text.find(c.says), std::string::npos) << run.boxes[0].text;
    EXPECT_EQ(run.boxes[0].text.find(c.never), std::string::npos) << run.boxes[0].text;
    if (*c.archiver) EXPECT_EQ(Listing("E:"), kOldDrive);
    else EXPECT_EQ(Listing("E:"), std::vector<std::string>{"NOTES.TXT=the user's notes"});
  }
}

// An upgrade of 1,500 files over an old set of 5,000, watched from
// outside: the wait window answers every message sent to it within a
// second, the old set's deletion included; its percentage rises and never
// goes back; the closing box and the log's block say how it went.
TEST(UpgraderEndToEnd, TheUpgradeCanBeWatchedToItsEnd) {
  PrepareDrive();
  for (int d = 0; d < 50; ++d) {
    std::string folder = "E:\\ZEDOVAV\\Old";
    folder += std::to_string(d);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int f = 0; f < 100; ++f) WriteAll(folder + "\\F" + std::to_string(f) + ".TXT", "old");
  }
  const std::string tool = LayOutTool(WorkFolder("watched"), {true, true, Sample("LARGE.7z")});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  run.Start("E:\\");
  HWND wait = WaitFor([&] { return FindTopWindow(run.Pid(), 332, 61); }, 60000);
  ASSERT_TRUE(wait);
  HWND label = FindChildByClass(wait, "_NX_TransLabel");
  ASSERT_TRUE(label);
  const std::string unpacking = "正在解压 PE软件包… ", removing = "正在删除旧版 PE软件包… ";
  std::vector<int> percents;
  int removals = 0, asked = 0;
  DWORD slowest = 0;
  while (!FindMessageBox(run.Pid()) && WaitForSingleObject(run.Process(), 0) == WAIT_TIMEOUT) {
    char text[256] = {};
    DWORD_PTR got = 0;
    const DWORD start = GetTickCount();
    const bool answered = SendMessageTimeoutA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                              SMTO_BLOCK, 1000, &got) != 0;
    if (!IsWindow(label)) break;
    ++asked;
    EXPECT_TRUE(answered) << "no answer while it said: " << text;
    slowest = std::max(slowest, GetTickCount() - start);
    const std::string said = text;
    if (said.rfind(unpacking, 0) == 0) {
      const int percent = std::atoi(said.c_str() + unpacking.size());
      EXPECT_EQ(said, unpacking + std::to_string(percent) + "%");
      if (percents.empty() || percents.back() != percent) percents.push_back(percent);
    }
    if (said.rfind(removing, 0) == 0) ++removals;
    Sleep(50);
  }
  EXPECT_GT(asked, 10);
  EXPECT_LT(slowest, 1000u);
  EXPECT_GE(percents.size(), 3u) << "the percentage did not rise";
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  // Answered again and again while the old set goes, not once after it.
  EXPECT_GE(removals, 3) << "the wait window did not answer during the deletion";

  EXPECT_EQ(run.ExitCode(), 0u);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].title, "升级完成");
  EXPECT_NE(run.boxes[0].text.find("中现在有 1500 个文件"), std::string::npos) << run.boxes[0].text;
  EXPECT_FALSE(Exists("E:\\ZEDOVAV\\Old0"));
  const std::string block = LastLogBlock(tool);
  for (const char* line : {"检查 完整路径：通过", "检查 本程序不在将被替换的目录中：通过", "升级包：1500 个文件，16 个文件夹",
                           "已删除 E:\\ZEDOVAV.upgrade-del", "结果：退出码 0"})
    EXPECT_NE(block.find(line), std::string::npos) << line << "\n" << block;
}

// /silent: the same upgrade with nothing on screen, the result in the exit
// code and the log; a damaged archive ends with the archiver's code and
// the drive as it was; a question (a fixed disk) is answered No unless
// /yes; a command line that cannot be understood ends with 64.
TEST(UpgraderEndToEnd, ScriptsUpgradeWithNothingOnScreen) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("silent"));
  SilentRun run = RunFromScript(tool, "/silent E:\\");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(run.shown);
  EXPECT_EQ(Listing("E:"), kNewDrive);
  EXPECT_NE(LastLogBlock(tool).find("命令行：\"" + tool + "\\pe_upgrader.exe\" /silent E:\\"), std::string::npos);

  PrepareDrive();
  std::string damaged = Sample("ZEDOVAV.7z");
  for (size_t i = 33; i < 40; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  const std::string broken = LayOutTool(WorkFolder("silent-broken"), {true, true, damaged});
  run = RunFromScript(broken, "/silent \"E:\\\"");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_FALSE(run.shown);
  EXPECT_EQ(Listing("E:"), kOldDrive);

  PrepareDrive("F:");
  run = RunFromScript(tool, "/silent F:\\");
  EXPECT_EQ(run.exitCode, 14u);
  EXPECT_EQ(Listing("F:"), kOldDrive);
  run = RunFromScript(tool, "/silent F:\\ /yes");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(run.shown);
  EXPECT_EQ(Listing("F:"), kNewDrive);
  EXPECT_EQ(RunFromScript(tool, "/silent PE").exitCode, 10u);
  EXPECT_EQ(RunFromScript(tool, "/silent").exitCode, 64u);
  EXPECT_FALSE(RunFromScript(tool, "/silent /quiet E:\\").shown);
}

// Without /silent a command line that cannot be understood, and /?, show
// the usage.
TEST(UpgraderEndToEnd, TheUsageIsShownForQuestionsAndMistakes) {
  const std::string tool = LayOutTool(WorkFolder("usage"));
  for (const auto& [args, code] : {std::pair<const char*, DWORD>{"/?", 0}, {"/quiet", 64}}) {
    SCOPED_TRACE(args);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(StartTool(tool, args, &process));
    HWND box = WaitFor([&] { return FindMessageBox(process.dwProcessId); }, 30000);
    ASSERT_TRUE(box);
    Sleep(100);
    const BoxSeen seen = ReadMessageBox(box);
    EXPECT_EQ(seen.title, "PE软件包升级工具");
    EXPECT_NE(seen.text.find("用法：pe_upgrader.exe [U盘盘符目录] [/silent [/yes]]"), std::string::npos) << seen.text;
    EXPECT_NE(seen.text.find(std::string("版本 ") + "2."), std::string::npos) << seen.text;
    EXPECT_EQ(seen.text.find("“/quiet”") != std::string::npos, code == 64) << seen.text;
    EXPECT_FALSE(FindTopWindow(process.dwProcessId, 350, 187));
    CloseMessageBox(box);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0xDEAD;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

// What the edit box holds at start: the command line's target; else the
// root of the one removable drive that holds a ZEDOVAV folder (E:, not the
// fixed F:); with two such drives (E: and G:), nothing.
TEST(UpgraderEndToEnd, TheEditBoxStartsWithTheNamedOrTheOneStick) {
  PrepareDrive();
  PrepareDrive("F:");
  PrepareDrive("G:");
  RemoveTree("G:\\ZEDOVAV");
  RemoveTree("S:\\ZEDOVAV");  // the test stick is removable too
  const std::string tool = LayOutTool(WorkFolder("start"));
  const std::pair<std::string, std::string> cases[] = {
      {" \"E:\\My Drive\"", "E:\\My Drive"}, {"", "E:\\"}, {"", ""}};
  for (const auto& [args, expected] : cases) {
    SCOPED_TRACE(args + " -> " + expected);
    if (&args == &cases[2].first) CreateDirectoryA("G:\\ZEDOVAV", nullptr);
    Upgrader run(tool, "", args);
    ASSERT_TRUE(run.Ready());
    EXPECT_EQ(WindowText(run.edit), expected);
    run.PressEscape();
    EXPECT_EQ(run.ExitCode(), 0u);
  }
  RemoveTree("G:\\ZEDOVAV");
}

// While the archiver runs (held still here), the wait window paints what
// was covered: its thread waits for the archiver without leaving its
// windows unpainted.
TEST(UpgraderEndToEnd, TheWaitWindowRepaintsWhileTheArchiverRuns) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("repaint"), {true, true, Sample("LARGE.7z")});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  SetText(run.edit, "E:\\");
  Click(run.upgrade);
  HWND wait = WaitFor([&] { return FindTopWindow(run.Pid(), 332, 61); }, 60000);
  ASSERT_TRUE(wait);
  std::vector<HANDLE> archiver;
  ASSERT_TRUE(WaitFor([&] { return !(archiver = FreezeArchiver(run.Pid())).empty(); }, 30000));
  Sleep(300);
  const int shown = TextPixelsOnScreen(wait);
  EXPECT_GT(shown, 100);

  WNDCLASSA wc{};
  wc.lpfnWndProc = &CoverProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "UpgraderTestCover";
  RegisterClassA(&wc);
  RECT r;
  GetWindowRect(wait, &r);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "UpgraderTestCover", "", WS_POPUP | WS_VISIBLE,
                               r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                               wc.hInstance, nullptr);
  Pump(300);
  EXPECT_EQ(TextPixelsOnScreen(wait), 0);  // covered
  DestroyWindow(cover);
  Pump(500);
  const int uncovered = TextPixelsOnScreen(wait);
  EXPECT_EQ(FindTopWindow(run.Pid(), 332, 61), wait);
  Thaw(archiver);
  EXPECT_GT(uncovered, shown * 9 / 10);

  EXPECT_EQ(run.ExitCode(), 0u);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].title, "升级完成");
  EXPECT_EQ(ReadAll("E:\\ZEDOVAV\\D24\\F109.TXT"), "tool 24.109\n");
}

// 浏览 opens the folder dialog over the main window: a cancel empties the
// edit box, a chosen folder fills it, a drive root arrives as E:\.
TEST(UpgraderEndToEnd, BrowseFillsOrEmptiesTheEditBox) {
  PrepareDrive();
  const std::string tool = LayOutTool(WorkFolder("browse"), {});
  Upgrader run(tool);
  ASSERT_TRUE(run.Ready());
  struct Case {
    const char* name;
    std::vector<std::string> folders;  // below E:
    const char* expected;              // null: cancel
  };
  const Case cases[] = {{"cancel", {}, nullptr},
                        {"folder", {"ZEDOVAV", "OldTools"}, "E:\\ZEDOVAV\\OldTools"},
                        {"file", {"NOTES.TXT"}, "E:\\NOTES.TXT"},
                        {"drive root", {}, "E:\\"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetText(run.edit, "C:\\before");
    Click(run.browse);
    HWND dialog = WaitFor([&] { return FindMessageBox(run.Pid()); }, 30000);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(FindChildByText(dialog, "打开"));  // the title above the tree
    EXPECT_FALSE(IsWindowEnabled(run.main));      // modal over the main window
    if (c.expected) {
      HWND tree = WaitFor([&] { return FindChildByClass(dialog, "SysTreeView32"); }, 5000);
      ASSERT_TRUE(tree);
      // The dialog fills its tree after it shows.
      ASSERT_TRUE(WaitFor([&] { return SelectInFolderTree(tree, "E:", c.folders); }, 10000));
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(run.main) && !IsWindow(dialog); }, 10000));
    EXPECT_EQ(WindowText(run.edit), c.expected ? c.expected : "");
  }
  run.PressEscape();
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(Listing("E:"), kOldDrive);
}
