// Builds window template segments in the layout LoadTemplate reads, from a
// plain description. Used by the build tool that makes the application's
// template and by tests. Pure code; texts are GBK bytes.
//
// Fields the runtime carries without interpreting get the values the design
// environment writes: A 1, B 0, empty S1 and S2, zero reserved words.
#pragma once
#include "forms/window_template.h"

#include <cstdint>
#include <string>
#include <vector>

struct TemplateBinding {
  int32_t eventIndex = 0;  // negative: common events
  int32_t handler = -1;    // offset from codeBase; -1 none
};

struct TemplateUnit {
  UnitId id = 0;  // not of the menu-item class
  uint32_t typeCode = 0;
  UnitId eventLink = 0;  // 0: its own bindings
  std::string name;
  std::string comment;
  int32_t left = 0, top = 0, width = 0, height = 0;
  UnitId parent = 0;               // 0: the window
  std::vector<UnitId> children;    // 0 separates pages
  std::vector<uint8_t> mousePointer = std::vector<uint8_t>(4, 0);  // default pointer
  std::string tag;
  uint32_t flags = 0;  // kUnitVisible | kUnitDisabled | kUnitTabStop
  int32_t tabOrder = 0;
  std::vector<TemplateBinding> bindings;
  std::vector<uint8_t> propertyBlock;
};

struct TemplateMenuItem {
  UnitId id = 0;  // of the menu-item class
  uint32_t typeCode = kUnitTypeMenu;
  UnitId eventLink = 0;
  std::string name;
  std::string comment;
  int32_t shortcut = 0;  // 1-77 key-name entry, 0 none
  int32_t level = 0;
  uint32_t flags = 0;  // kMenuHidden | kMenuDisabled | kMenuChecked
  std::string caption;
  int32_t handler = -1;
};

struct TemplateWindow {
  WindowId id = 0;
  int32_t a = 1;
  int32_t b = 0;
  std::string s1;
  std::string s2;
  std::vector<TemplateUnit> units;  // units[0]: the window's own unit
  std::vector<TemplateMenuItem> menuItems;
  // Table position of the menu-item run (they are one consecutive run);
  // anything beyond the units puts the run last.
  size_t menuRunAt = SIZE_MAX;
};

struct TemplateDescription {
  std::vector<TemplateWindow> windows;
};

// Record data (without the size word) of one unit or menu item. False when
// the record cannot be read back: a text with a 0 byte, a count or size
// beyond INT32_MAX, or an identifier of the wrong class.
bool EncodeUnitRecord(const TemplateUnit& unit, std::vector<uint8_t>* out);
bool EncodeMenuItemRecord(const TemplateMenuItem& item, std::vector<uint8_t>* out);

// The whole segment; *out is replaced. False as above.
bool WriteTemplate(const TemplateDescription& description, std::vector<uint8_t>* out);
