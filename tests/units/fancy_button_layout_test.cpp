#include "units/fancy_button_layout.h"

#include <gtest/gtest.h>

TEST(FancyButtonLayout, PictureSlotByStateWithFallbacks) {
  const bool all[3] = {true, true, true}, onlyNormal[3] = {false, true, false},
             onlyHovered[3] = {true, false, false}, onlyDisabled[3] = {false, false, true};
  const ButtonDrawState normal{}, hovered{true, false, false, false}, pressed{false, true, false, false},
      disabled{false, false, true, false}, hoveredCheckBox{true, false, false, true};
  EXPECT_EQ(ChoosePictureSlot(all, normal), kSlotNormal);
  EXPECT_EQ(ChoosePictureSlot(all, hovered), kSlotHovered);
  EXPECT_EQ(ChoosePictureSlot(all, pressed), kSlotHovered);
  EXPECT_EQ(ChoosePictureSlot(all, disabled), kSlotDisabled);
  EXPECT_EQ(ChoosePictureSlot(all, hoveredCheckBox), kSlotNormal);
  EXPECT_EQ(ChoosePictureSlot(onlyNormal, hovered), kSlotNormal);
  EXPECT_EQ(ChoosePictureSlot(onlyNormal, disabled), kSlotNormal);
  EXPECT_EQ(ChoosePictureSlot(onlyHovered, normal), kSlotHovered);
  // A disabled picture alone is never shown.
  EXPECT_EQ(ChoosePictureSlot(onlyDisabled, disabled), kNoPicture);
}

TEST(FancyButtonLayout, PicturePlacementByAlignment) {
  const ButtonRect item{0, 0, 100, 40};
  ButtonRect text = item;
  EXPECT_EQ(PlacePicture(kPictureLeft, item, 100, 16, 10, 3, true, &text), (ButtonPoint{3, 15}));
  EXPECT_EQ(text, (ButtonRect{19, 0, 100, 40}));
  text = item;
  EXPECT_EQ(PlacePicture(kPictureLeft, item, 100, 16, 10, 3, false, &text), (ButtonPoint{42, 15}));
  EXPECT_EQ(text, item);
  EXPECT_EQ(PlacePicture(kPictureAbove, item, 100, 16, 10, 3, true, &text), (ButtonPoint{42, 3}));
  EXPECT_EQ(text, (ButtonRect{0, 10, 100, 40}));
  text = {1, 1, 99, 39};
  EXPECT_EQ(PlacePicture(kPictureRight, {1, 1, 99, 39}, 100, 16, 10, 3, true, &text), (ButtonPoint{81, 15}));
  EXPECT_EQ(text, (ButtonRect{3, 1, 79, 39}));
  text = item;
  EXPECT_EQ(PlacePicture(kPictureRight, item, 100, 16, 10, 3, false, &text), (ButtonPoint{42, 0}));
  EXPECT_EQ(PlacePicture(kPictureUnder, {2, 2, 98, 38}, 100, 16, 10, 3, true, &text), (ButtonPoint{2, 2}));
  EXPECT_EQ(CentreBlock(item, 30, 12), (ButtonRect{35, 14, 65, 26}));
}
