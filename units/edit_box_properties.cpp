#include "units/edit_box_properties.h"

#include <utility>

void ResetEditBoxProperties(EditBoxProperties* p) { *p = EditBoxProperties{}; }

bool LoadEditBoxProperties(EditBoxProperties* out, const uint8_t* block, uint32_t size) {
  EditBoxProperties p;
  if (block && size) {
    PropertyReader r(block, size);
    uint32_t version = 0;
    if (!r.ReadUint32(&version) || version > kEditBoxPropertiesVersion) return false;
    r.ReadInt32(&p.border);
    r.ReadUint32(&p.textColor);
    r.ReadUint32(&p.backColor);
    r.ReadInt32(&p.hideSelection);
    r.ReadInt32(&p.maxLength);
    r.ReadInt32(&p.multiLine);
    r.ReadInt32(&p.scrollBars);
    r.ReadInt32(&p.align);
    r.ReadInt32(&p.inputMode);
    r.ReadInt16(&p.passwordChar);
    r.ReadInt32(&p.caseConvert);
    r.ReadInt32(&p.spinMode);
    r.ReadInt32(&p.spinMin);
    r.ReadInt32(&p.spinMax);
    r.ReadInt32(&p.selStart);
    r.ReadInt32(&p.selLength);
    r.ReadCounted(&p.font);
    r.ReadCounted(&p.text);
    if (version >= 2) {
      r.ReadCounted(&p.dataSource);
      r.ReadCounted(&p.dataColumn);
    }
    if (!r.ok()) return false;
  }
  *out = std::move(p);
  return true;
}

PropertyBytes SaveEditBoxProperties(const EditBoxProperties& p) {
  return SerialiseProperties([&p](PropertyWriter& w) {
    w.WriteUint32(kEditBoxPropertiesVersion);
    w.WriteInt32(p.border);
    w.WriteUint32(p.textColor);
    w.WriteUint32(p.backColor);
    w.WriteInt32(p.hideSelection);
    w.WriteInt32(p.maxLength);
    w.WriteInt32(p.multiLine);
    w.WriteInt32(p.scrollBars);
    w.WriteInt32(p.align);
    w.WriteInt32(p.inputMode);
    w.WriteInt16(p.passwordChar);
    w.WriteInt32(p.caseConvert);
    w.WriteInt32(p.spinMode);
    w.WriteInt32(p.spinMin);
    w.WriteInt32(p.spinMax);
    w.WriteInt32(p.selStart);
    w.WriteInt32(p.selLength);
    w.WriteCounted(p.font);
    w.WriteCounted(p.text);
    w.WriteCounted(p.dataSource);
    w.WriteCounted(p.dataColumn);
  });
}
