#include "units/label_properties.h"

#include <utility>

// "标签"
static constexpr char kLabelCaption[] = "\xb1\xea\xc7\xa9";

bool ResetLabelProperties(LabelProperties* p) {
  *p = LabelProperties{};
  return p->caption.AssignText(kLabelCaption);
}

bool LoadLabelProperties(LabelProperties* out, const uint8_t* block, uint32_t size) {
  LabelProperties p;
  if (!ResetLabelProperties(&p)) return false;
  if (block && size) {
    PropertyReader r(block, size);
    uint32_t version = 0;
    if (!r.ReadUint32(&version) || version > kLabelPropertiesVersion) return false;
    // Stored order differs from the property order (width before border,
    // VAlign before WordWrap).
    r.ReadInt32(&p.effect);
    r.ReadInt32(&p.gradientBorderWidth);
    r.ReadInt32(&p.border);
    r.ReadUint32(&p.gradientBorderColor1);
    r.ReadUint32(&p.gradientBorderColor2);
    r.ReadUint32(&p.gradientBorderColor3);
    r.ReadUint32(&p.textColor);
    r.ReadUint32(&p.backColor);
    r.ReadInt32(&p.backPictureMode);
    r.ReadInt32(&p.gradientBackMode);
    r.ReadUint32(&p.gradientBackColor1);
    r.ReadUint32(&p.gradientBackColor2);
    r.ReadUint32(&p.gradientBackColor3);
    r.ReadInt32(&p.hAlign);
    r.ReadInt32(&p.vAlign);
    r.ReadInt32(&p.wordWrap);
    r.ReadCounted(&p.font);
    r.ReadCounted(&p.backPicture);
    r.ReadCounted(&p.caption);
    if (version >= 2) {
      r.ReadCounted(&p.dataSource);
      r.ReadCounted(&p.dataColumn);
    }
    if (!r.ok()) return false;
  }
  *out = std::move(p);
  return true;
}

PropertyBytes SaveLabelProperties(const LabelProperties& p) {
  return SerialiseProperties([&p](PropertyWriter& w) {
    w.WriteUint32(kLabelPropertiesVersion);
    w.WriteInt32(p.effect);
    w.WriteInt32(p.gradientBorderWidth);
    w.WriteInt32(p.border);
    w.WriteUint32(p.gradientBorderColor1);
    w.WriteUint32(p.gradientBorderColor2);
    w.WriteUint32(p.gradientBorderColor3);
    w.WriteUint32(p.textColor);
    w.WriteUint32(p.backColor);
    w.WriteInt32(p.backPictureMode);
    w.WriteInt32(p.gradientBackMode);
    w.WriteUint32(p.gradientBackColor1);
    w.WriteUint32(p.gradientBackColor2);
    w.WriteUint32(p.gradientBackColor3);
    w.WriteInt32(p.hAlign);
    w.WriteInt32(p.vAlign);
    w.WriteInt32(p.wordWrap);
    w.WriteCounted(p.font);
    w.WriteCounted(p.backPicture);
    w.WriteCounted(p.caption);
    w.WriteCounted(p.dataSource);
    w.WriteCounted(p.dataColumn);
  });
}
