#include "tools/app_driver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace app_driver {
namespace {

struct TopSearch {
  DWORD processId;
  int width, height;
  const char* className;  // or null
  HWND found;
};

BOOL CALLBACK VisitTop(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TopSearch*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->processId || !IsWindowVisible(hwnd)) return TRUE;
  if (search->className) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::strcmp(name, search->className) != 0) return TRUE;
  } else {
    RECT r;
    GetWindowRect(hwnd, &r);
    if (r.right - r.left != search->width || r.bottom - r.top != search->height) return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

struct ChildSearch {
  const char* text;
  const char* className;
  HWND found;
};

BOOL CALLBACK VisitChild(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<ChildSearch*>(lParam);
  char buffer[256] = {};
  if (search->className) {
    GetClassNameA(hwnd, buffer, sizeof buffer);
    if (lstrcmpiA(buffer, search->className) != 0) return TRUE;
  } else {
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    if (std::strcmp(buffer, search->text) != 0) return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

}  // namespace

HWND FindTopWindow(DWORD processId, int width, int height) {
  TopSearch search{processId, width, height, nullptr, nullptr};
  EnumWindows(&VisitTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindMessageBox(DWORD processId) {
  TopSearch search{processId, 0, 0, "#32770", nullptr};
  EnumWindows(&VisitTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BoxSeen ReadMessageBox(HWND box) {
  BoxSeen seen;
  seen.hwnd = box;
  seen.owner = GetWindow(box, GW_OWNER);
  seen.title = WindowText(box);
  char buffer[4096] = {};
  GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the box's static text
  seen.text = buffer;
  return seen;
}

void AnswerMessageBox(HWND box, int button) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// A question has no OK button: its safe answer is No.
void CloseMessageBox(HWND box) { AnswerMessageBox(box, GetDlgItem(box, IDOK) ? IDOK : IDNO); }

HWND FindChildByText(HWND parent, const char* text) {
  ChildSearch search{text, nullptr, nullptr};
  EnumChildWindows(parent, &VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindChildByClass(HWND parent, const char* className) {
  ChildSearch search{nullptr, className, nullptr};
  EnumChildWindows(parent, &VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowText(HWND hwnd) {
  char buffer[4096] = {};
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 5000,
                      nullptr);
  return buffer;
}

void SetText(HWND hwnd, const char* text) {
  SendMessageTimeoutA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
}

void Click(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageA(hwnd, WM_MOUSEMOVE, 0, at);
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

namespace {

// A block in the tree's process for the item records and their texts:
// tree messages carry pointers that the other process reads.
class RemoteBlock {
 public:
  explicit RemoteBlock(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) block_ = static_cast<uint8_t*>(VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteBlock() {
    if (block_) VirtualFreeEx(process_, block_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool Ready() const { return block_ != nullptr; }

  std::string ItemText(HWND tree, HTREEITEM item) {
    TVITEMA record{};
    record.mask = TVIF_TEXT;
    record.hItem = item;
    record.pszText = reinterpret_cast<char*>(block_ + 512);
    record.cchTextMax = 1024;
    WriteProcessMemory(process_, block_, &record, sizeof record, nullptr);
    char text[1024] = {};
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block_))) return "";
    ReadProcessMemory(process_, block_ + 512, text, sizeof text - 1, nullptr);
    return text;
  }

 private:
  HANDLE process_ = nullptr;
  uint8_t* block_ = nullptr;
};

HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM how) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

// The first child of parent (expanded first) whose text passes match.
template <typename Match>
HTREEITEM FindChild(HWND tree, RemoteBlock& remote, HTREEITEM parent, Match match) {
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  for (HTREEITEM child = Next(tree, parent, TVGN_CHILD); child; child = Next(tree, child, TVGN_NEXT))
    if (match(remote.ItemText(tree, child))) return child;
  return nullptr;
}

}  // namespace

bool SelectInFolderTree(HWND tree, const std::string& drive, const std::vector<std::string>& folders) {
  RemoteBlock remote(tree);
  if (!remote.Ready()) return false;
  auto isDrive = [&](const std::string& text) { return text.find(drive) != std::string::npos; };
  HTREEITEM item = nullptr;
  for (HTREEITEM top = Next(tree, nullptr, TVGN_ROOT); top && !item; top = Next(tree, top, TVGN_NEXT)) {
    if (isDrive(remote.ItemText(tree, top))) item = top;
    for (HTREEITEM child = Next(tree, top, TVGN_CHILD); child && !item; child = Next(tree, child, TVGN_NEXT)) {
      if (isDrive(remote.ItemText(tree, child))) item = child;
      if (!item) item = FindChild(tree, remote, child, isDrive);
    }
    if (!item) item = FindChild(tree, remote, top, isDrive);
  }
  for (const std::string& name : folders) {
    if (!item) return false;
    item = FindChild(tree, remote, item, [&](const std::string& text) { return lstrcmpiA(text.c_str(), name.c_str()) == 0; });
  }
  if (!item) return false;
  return SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

bool SaveWindowPicture(HWND hwnd, const char* path) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((width * 3) + 3) & ~3u;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + stride * height;
  bool saved = false;
  if (FILE* out = std::fopen(path, "wb")) {
    saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
            std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
            std::fwrite(bits, stride, height, out) == static_cast<size_t>(height);
    saved = std::fclose(out) == 0 && saved;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

}  // namespace app_driver
