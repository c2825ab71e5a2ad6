#include "units/trans_label_properties.h"

#include <utility>

// "透明标签"
static constexpr char kTransLabelCaption[] = "\xcd\xb8\xc3\xf7\xb1\xea\xc7\xa9";

bool ResetTransLabelProperties(TransLabelProperties* p) {
  *p = TransLabelProperties{};
  return p->caption.AssignText(kTransLabelCaption);
}

bool LoadTransLabelProperties(TransLabelProperties* out, const uint8_t* block, uint32_t size) {
  TransLabelProperties p;
  if (!ResetTransLabelProperties(&p)) return false;
  if (block && size) {
    PropertyReader r(block, size);
    uint32_t version = 0;
    if (!r.ReadUint32(&version) || version > kTransLabelPropertiesVersion) return false;
    r.ReadInt32(&p.effect);
    r.ReadUint32(&p.textColor);
    r.ReadInt32(&p.hAlign);
    r.ReadInt32(&p.vAlign);
    r.ReadInt32(&p.wordWrap);
    r.ReadCounted(&p.font);
    r.ReadCounted(&p.caption);
    if (!r.ok()) return false;
  }
  *out = std::move(p);
  return true;
}

PropertyBytes SaveTransLabelProperties(const TransLabelProperties& p) {
  return SerialiseProperties([&p](PropertyWriter& w) {
    w.WriteUint32(kTransLabelPropertiesVersion);
    w.WriteInt32(p.effect);
    w.WriteUint32(p.textColor);
    w.WriteInt32(p.hAlign);
    w.WriteInt32(p.vAlign);
    w.WriteInt32(p.wordWrap);
    w.WriteCounted(p.font);
    w.WriteCounted(p.caption);
  });
}
