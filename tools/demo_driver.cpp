// demo_driver PROGRAM TARGET PICTURES: starts the upgrader, waits for its main
// window, saves a picture of it, types TARGET, presses 升级, saves a picture
// of the wait window with its percentage, reads any message box, and ends with the upgrader's
// exit code. `make run` uses it when there is no display to show things on.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/app_driver.h"

using namespace app_driver;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: demo_driver PROGRAM TARGET PICTURE_FOLDER\n");
    return 2;
  }
  const std::string program = argv[1], pictures = argv[3];
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // Detached, as a double-click starts it: the archiver gets a console of
  // its own (hidden) instead of writing into ours.
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "demo: cannot start %s\n", program.c_str());
    return 2;
  }
  const DWORD pid = process.dwProcessId;
  HWND main = WaitFor([&] { return FindTopWindow(pid, 350, 187); }, 30000);
  if (!main) {
    std::fprintf(stderr, "demo: the main window did not appear\n");
    TerminateProcess(process.hProcess, 1);
    return 2;
  }
  Sleep(500);  // let it paint
  SaveWindowPicture(main, (pictures + "\\main-window.bmp").c_str());
  std::printf("demo: main window shown; typing %s and pressing the upgrade button\n", argv[2]);

  HWND edit = FindChildByClass(main, "Edit");
  HWND upgrade = FindChildByText(main, "升级");
  if (!edit || !upgrade) {
    std::fprintf(stderr, "demo: the edit box or the upgrade button is missing\n");
    TerminateProcess(process.hProcess, 1);
    return 2;
  }
  SetText(edit, argv[2]);
  Click(upgrade);

  bool waitSaved = false;
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    if (!waitSaved) {
      // Pictured once its percentage has climbed a little.
      HWND wait = FindTopWindow(pid, 332, 61);
      HWND label = wait ? FindChildByClass(wait, "_NX_TransLabel") : nullptr;
      const std::string said = label ? WindowText(label) : std::string();
      const size_t percent = said.find('%');
      if (percent != std::string::npos && percent >= 2 && std::atoi(said.c_str() + said.rfind(' ', percent) + 1) >= 30) {
        Sleep(100);
        waitSaved = SaveWindowPicture(wait, (pictures + "\\wait-window.bmp").c_str());
        std::printf("demo: wait window shown: %s\n", said.c_str());
      }
    }
    if (HWND box = FindMessageBox(pid)) {
      const BoxSeen seen = ReadMessageBox(box);
      std::printf("demo: message box \"%s\": %s\n", seen.title.c_str(), seen.text.c_str());
      CloseMessageBox(box);
      Sleep(200);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("demo: the upgrader ended with exit code %ld\n", static_cast<long>(code));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
