// Menu bars and accelerator tables from a window's menu-item run.
#include <cstring>
#include <string>
#include <vector>

#include "forms/byte_reader.h"
#include "forms/form_runtime.h"
#include "forms/menu_keys.h"
#include "forms/unit_contract.h"

namespace {

struct MenuRun {
  uint32_t begin = 0, end = 0;  // table entries [begin, end)
};

MenuRun FindMenuRun(const UnitTable& table) {
  MenuRun run;
  uint32_t i = 0;
  while (i < table.count && !IsMenuItem(table, i)) ++i;
  run.begin = run.end = i;
  while (run.end < table.count && IsMenuItem(table, run.end)) ++run.end;
  return run;
}

struct Builder {
  UnitTable* table;
  MenuRun run;
  uint32_t next;
  std::vector<ACCEL> accelerators;

  int32_t Level(uint32_t index) const {
    MenuItemLayout l;
    if (!MenuItemOf(*table, index, &l)) return 0;
    return int32_t(LoadWord(UnitRecordAt(*table, index) + l.level));
  }

  void AddItems(HMENU parent, int32_t level) {
    while (next < run.end && Level(next) >= level) {
      const uint32_t item = next++;
      const int32_t itemLevel = Level(item);
      HMENU submenu = nullptr;
      if (next < run.end && Level(next) > itemLevel) {
        submenu = CreatePopupMenu();
        AddItems(submenu, itemLevel + 1);
      }
      Append(parent, item, submenu);
    }
  }

  void Append(HMENU parent, uint32_t item, HMENU submenu) {
    MenuItemLayout l;
    if (!MenuItemOf(*table, item, &l)) return;
    uint8_t* record = UnitRecordAt(*table, item);
    StoreWord(record + l.slot, 0);
    const uint32_t flags = LoadWord(record + l.flags);
    if (flags & kMenuHidden) {
      if (submenu) DestroyMenu(submenu);
      return;
    }
    const std::string caption(reinterpret_cast<const char*>(record + l.caption), l.captionLength);
    const UINT commandId = kMenuCommandBase + (item - run.begin);
    if (caption == "-" && !submenu) {
      AppendMenuA(parent, MF_SEPARATOR, 0, nullptr);
      return;
    }
    std::string text = caption;
    const ShortcutKey* key = FindShortcut(int32_t(LoadWord(record + l.shortcut)));
    if (key) {
      text += '\t';
      text += key->name;
      BYTE virt = FVIRTKEY;
      if (key->modifiers & kShortcutCtrl) virt |= FCONTROL;
      if (key->modifiers & kShortcutShift) virt |= FSHIFT;
      if (key->modifiers & kShortcutAlt) virt |= FALT;
      if (!(flags & kMenuDisabled)) accelerators.push_back({virt, key->key, static_cast<WORD>(commandId)});
    }
    UINT style = MF_STRING;
    if (flags & kMenuDisabled) style |= MF_GRAYED;
    if (flags & kMenuChecked) style |= MF_CHECKED;
    if (submenu) {
      style |= MF_POPUP;
      StoreWord(record + l.slot, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(submenu)));
    }
    AppendMenuA(parent, style, submenu ? reinterpret_cast<UINT_PTR>(submenu) : commandId, text.c_str());
  }
};

}  // namespace

void BuildMenu(UnitTable* table, HMENU* menu, HACCEL* accelerators) {
  *menu = nullptr;
  *accelerators = nullptr;
  const MenuRun run = FindMenuRun(*table);
  if (run.begin == run.end) return;
  Builder builder{table, run, run.begin, {}};
  *menu = CreateMenu();
  builder.AddItems(*menu, INT32_MIN);
  if (!builder.accelerators.empty())
    *accelerators = CreateAcceleratorTableA(builder.accelerators.data(),
                                            static_cast<int>(builder.accelerators.size()));
}

void RebuildMenuBar(WindowId windowId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  FormWindow* window = LiveWindowOf(w);
  if (!window) return;
  HMENU menu;
  HACCEL accelerators;
  BuildMenu(&w->live, &menu, &accelerators);
  HMENU old = GetMenu(window->Handle());
  SetMenu(window->Handle(), menu);
  if (old && old != menu) DestroyMenu(old);
  window->SetAccelerators(accelerators);
  DrawMenuBar(window->Handle());
}

// HostService 2038: 1 when the command identifier names an item of the run.
int32_t DescribeMenuItem(MenuItemQuery* query) {
  WindowRecord* w = FindWindowRecord(Forms().registry, query->windowId);
  if (!w || query->commandId < kMenuCommandBase) return 0;
  const MenuRun run = FindMenuRun(w->live);
  const uint32_t position = query->commandId - kMenuCommandBase;
  if (position >= run.end - run.begin) return 0;
  const uint32_t index = run.begin + position;
  MenuItemLayout l;
  if (!MenuItemOf(w->live, index, &l)) return 0;
  const uint8_t* record = UnitRecordAt(w->live, index);
  query->unitId = UnitIdAt(w->live, index);
  query->level = int32_t(LoadWord(record + l.level));
  query->visible = (LoadWord(record + l.flags) & kMenuHidden) ? 0 : 1;
  std::string text(reinterpret_cast<const char*>(record + l.caption), l.captionLength);
  if (const ShortcutKey* key = FindShortcut(int32_t(LoadWord(record + l.shortcut)))) {
    text += '\t';
    text += key->name;
  }
  if (text.size() > kMenuCaptionLimit) text.resize(kMenuCaptionLimit);
  std::memcpy(query->caption, text.c_str(), text.size() + 1);
  return 1;
}
