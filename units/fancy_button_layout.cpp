#include "units/fancy_button_layout.h"

int32_t ChoosePictureSlot(const bool present[kPictureSlotCount], const ButtonDrawState& state) {
  if (!present[kSlotHovered] && !present[kSlotNormal]) return kNoPicture;
  int32_t slot;
  if (state.disabled && present[kSlotDisabled]) return kSlotDisabled;
  if (state.disabled) slot = kSlotHovered;
  else if (state.pressed || (state.hovering && !state.checkBoxMode)) slot = kSlotHovered;
  else slot = kSlotNormal;
  // An empty hovered or normal slot falls back to the other of the two.
  if (!present[slot]) slot = slot == kSlotHovered ? kSlotNormal : kSlotHovered;
  return slot;
}

ButtonPoint PlacePicture(int32_t alignment, const ButtonRect& item, int32_t clientRight,
                         int32_t width, int32_t height, int32_t margin, bool hasText,
                         ButtonRect* text) {
  const int32_t centreX = item.left + (item.Width() - width) / 2;
  const int32_t centreY = item.top + (item.Height() - height) / 2;
  switch (alignment) {
    case kPictureLeft:
      if (!hasText) return {centreX, centreY};
      text->left += width + margin;
      return {item.left + margin, centreY};
    case kPictureAbove:
      if (!hasText) return {centreX, centreY};
      text->top += height;
      return {centreX, item.top + margin};
    case kPictureRight: {
      if (!hasText) return {centreX, item.top};
      const int32_t oldLeft = text->left;
      text->left = margin;
      text->right -= margin + oldLeft + width;
      return {clientRight - margin - width, centreY};
    }
    default: return {item.left, item.top};
  }
}

ButtonRect CentreBlock(const ButtonRect& area, int32_t width, int32_t height) {
  const int32_t left = area.left + (area.Width() - width) / 2;
  const int32_t top = area.top + (area.Height() - height) / 2;
  return {left, top, left + width, top + height};
}
