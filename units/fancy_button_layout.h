// Where an owner-drawn button puts its picture and text, and which picture
// it shows in which state. Pure code.
#pragma once
#include <cstdint>

// Picture slots, in the order the button keeps them.
enum PictureSlot : int32_t { kSlotHovered, kSlotNormal, kSlotDisabled, kPictureSlotCount };
constexpr int32_t kNoPicture = -1;

// AlignStyle values.
enum PictureAlignment : int32_t {
  kPictureLeft = 0,   // picture left, text right
  kPictureAbove = 1,  // picture above the text
  kPictureRight = 2,  // picture right, text left
  kPictureUnder = 3,  // picture at the top-left corner, text over it
};

struct ButtonRect {
  int32_t left, top, right, bottom;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const ButtonRect&) const = default;
};

struct ButtonPoint {
  int32_t x, y;
  bool operator==(const ButtonPoint&) const = default;
};

struct ButtonDrawState {
  bool hovering, pressed, disabled, checkBoxMode;
};

// The slot to draw, or kNoPicture when neither the hovered nor the normal
// slot holds a picture. present[slot] tells which slots hold one.
int32_t ChoosePictureSlot(const bool present[kPictureSlotCount], const ButtonDrawState& state);

// The picture's top-left corner for an alignment; *text (the rectangle the
// caption goes in, initially the item rectangle) is adjusted to leave the
// picture room. clientRight: the right edge of the button's client area.
ButtonPoint PlacePicture(int32_t alignment, const ButtonRect& item, int32_t clientRight,
                         int32_t width, int32_t height, int32_t margin, bool hasText,
                         ButtonRect* text);

// Where a measured text block of width x height goes: centred in `area`.
ButtonRect CentreBlock(const ButtonRect& area, int32_t width, int32_t height);
