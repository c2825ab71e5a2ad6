#include "units/super_button_properties.h"

#include <algorithm>
#include <utility>

// "超级按钮"
static constexpr char kSuperBtnCaption[] = "\xb3\xac\xbc\xb6\xb0\xb4\xc5\xa5";

uint32_t ShiftColourBrightness(uint32_t colour, int32_t amount) {
  if (amount > 255 || amount < -255) return colour;
  int32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
  int32_t step = amount >= 0 ? std::min({amount, 255 - red, 255 - green, 255 - blue})
                             : std::max({amount, -red, -green, -blue});
  return (colour & 0xFF000000) | uint32_t(red + step) | uint32_t(green + step) << 8 |
         uint32_t(blue + step) << 16;
}

bool ResetSuperBtnProperties(SuperBtnProperties* p, const ButtonSystemColours& colours) {
  *p = SuperBtnProperties{};
  p->fgColorOut = colours.buttonText;
  p->bkColorOut = colours.buttonFace;
  p->fgColorIn = colours.buttonText;
  p->bkColorIn = ShiftColourBrightness(colours.buttonFace, 32);
  p->fgColorFocus = colours.buttonText;
  p->bkColorFocus = colours.buttonFace;
  return p->caption.AssignText(kSuperBtnCaption);
}

bool LoadSuperBtnProperties(SuperBtnProperties* out, const uint8_t* block, uint32_t size,
                            const ButtonSystemColours& colours) {
  SuperBtnProperties p;
  if (!ResetSuperBtnProperties(&p, colours)) return false;
  if (block && size) {
    PropertyReader r(block, size);
    uint32_t version = 0;
    if (!r.ReadUint32(&version) || version > kSuperBtnPropertiesVersion) return false;
    r.ReadInt32(&p.btnStyle);
    r.ReadInt32(&p.checkBox);
    r.ReadInt32(&p.checked);
    r.ReadInt32(&p.alignStyle);
    r.ReadInt32(&p.pressStyle);
    r.ReadInt32(&p.drawBorder);
    r.ReadInt32(&p.drawFocus);
    r.ReadUint32(&p.transColorIn);
    r.ReadUint32(&p.transColorOut);
    r.ReadInt32(&p.defaultColor);
    r.ReadInt32(&p.standardSound);
    r.ReadInt32(&p.defaultStyle);
    for (uint32_t* colour : {&p.fgColorOut, &p.bkColorOut, &p.fgColorIn, &p.bkColorIn,
                             &p.fgColorFocus, &p.bkColorFocus})
      r.ReadUint32(colour);
    r.ReadCounted(&p.picIn);
    r.ReadCounted(&p.picOut);
    r.ReadCounted(&p.font);
    r.ReadCounted(&p.overSound);
    r.ReadCounted(&p.clickSound);
    r.ReadCounted(&p.caption);
    r.ReadCounted(&p.toolTip);
    if (version >= 2) {
      r.ReadUint32(&p.transColorDisabled);
      r.ReadCounted(&p.picDisabled);
    }
    if (!r.ok()) return false;
  }
  *out = std::move(p);
  return true;
}

PropertyBytes SaveSuperBtnProperties(const SuperBtnProperties& p) {
  return SerialiseProperties([&p](PropertyWriter& w) {
    w.WriteUint32(kSuperBtnPropertiesVersion);
    w.WriteInt32(p.btnStyle);
    w.WriteInt32(p.checkBox);
    w.WriteInt32(p.checked);
    w.WriteInt32(p.alignStyle);
    w.WriteInt32(p.pressStyle);
    w.WriteInt32(p.drawBorder);
    w.WriteInt32(p.drawFocus);
    w.WriteUint32(p.transColorIn);
    w.WriteUint32(p.transColorOut);
    w.WriteInt32(p.defaultColor);
    w.WriteInt32(p.standardSound);
    w.WriteInt32(p.defaultStyle);
    for (uint32_t colour : {p.fgColorOut, p.bkColorOut, p.fgColorIn, p.bkColorIn, p.fgColorFocus,
                            p.bkColorFocus})
      w.WriteUint32(colour);
    w.WriteCounted(p.picIn);
    w.WriteCounted(p.picOut);
    w.WriteCounted(p.font);
    w.WriteCounted(p.overSound);
    w.WriteCounted(p.clickSound);
    w.WriteCounted(p.caption);
    w.WriteCounted(p.toolTip);
    w.WriteUint32(p.transColorDisabled);
    w.WriteCounted(p.picDisabled);
  });
}
