// The SuperBtn unit (超级按钮): type 1 of the extended-UI library 2, a
// FancyButton on a subclassed "BUTTON" control. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>

#include "forms/unit_contract.h"
#include "runtime/program_image.h"
#include "units/fancy_button.h"
#include "units/super_button_properties.h"

// Own properties, as the unit sees them (full index - 8).
enum SuperBtnProperty : int32_t {
  kBtnStyle, kCheckBox, kChecked, kAlignStyle, kPressStyle, kDrawBorder, kDrawFocus,
  kPicOut, kTransColorOut, kPicIn, kTransColorIn, kPicDisabled, kTransColorDisabled,
  kBtnFont, kBtnCaption, kDefaultColor,
  kFgColorOut, kBkColorOut, kFgColorIn, kBkColorIn, kFgColorFocus, kBkColorFocus,
  kStandardSound, kOverSound, kClickSound, kBtnToolTip, kDefaultStyle,
  kSuperBtnOwnPropertyCount,
};
static_assert(kSuperBtnOwnPropertyCount == 27);
inline constexpr uint32_t kSuperBtnPropertyCount = 8 + kSuperBtnOwnPropertyCount;
inline constexpr uint32_t kSuperBtnTypeFlags = 0x840;
inline constexpr int32_t kSuperBtnClicked = 0;  // its one event

class SuperBtnUnit : public FancyButton {
 public:
  SuperBtnProperties properties;
  HFONT font = nullptr;
  uint32_t windowId = 0;
  uint32_t unitId = 0;
  bool designMode = false;

  // Creates the window; false when the block does not load or the window
  // cannot be made (the object is then not bound to any window).
  bool Create(const uint8_t* block, uint32_t length, DWORD style, HWND parent, uint32_t controlId,
              const RECT& rect);
  // 1 when the unit must be re-created.
  int32_t WriteProperty(int32_t index, const PropertyValue& value);
  bool ReadProperty(int32_t index, PropertyValue* value);
  // 0 when the property does not apply in the current settings.
  int32_t PropertyApplicable(int32_t index) const;

 protected:
  void OnClicked() override;
  void OnFocusChanged(bool gained) override;
  void OnFinalMessage() override;

 private:
  void ApplyFont();
  void ApplyColours();
  void RebuildPicture(PictureSlot slot);
  void RaiseEvent(int32_t index);
};

// The type's entry function and its record for the library table.
void* __stdcall SuperBtnEntry(int32_t kind);
DataTypeRecord SuperBtnDataType();
// The property descriptors (35), common entries first.
const PropertyDescriptor* SuperBtnPropertyDescriptors();
