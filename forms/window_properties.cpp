#include "forms/window_properties.h"

#include <utility>

void ResetWindowProperties(WindowProperties* p) { *p = WindowProperties{}; }

bool LoadWindowProperties(WindowProperties* out, const uint8_t* block, uint32_t size) {
  WindowProperties p;
  if (block && size) {
    PropertyReader r(block, size);
    int32_t version = 0;
    if (!r.ReadInt32(&version) || version < 0 || version > kWindowPropertiesVersion) return false;
    r.ReadInt32(&p.borderStyle);
    r.ReadInt32(&p.backPictureMode);
    r.ReadUint32(&p.backColor);
    r.ReadInt32(&p.maxButton);
    r.ReadInt32(&p.minButton);
    r.ReadInt32(&p.controlBox);
    r.ReadInt32(&p.position);
    r.ReadInt32(&p.movable);
    r.ReadInt32(&p.soundPlayMode);
    r.ReadInt32(&p.enterMovesFocus);
    r.ReadInt32(&p.escCloses);
    r.ReadInt32(&p.f1Help);
    r.ReadInt32(&p.helpContext);
    if (version > 1) r.ReadInt32(&p.showInTaskbar);
    if (version > 2) {
      r.ReadInt32(&p.dragAnywhere);
      r.ReadInt32(&p.shape);
    }
    if (version > 3) r.ReadInt32(&p.alwaysOnTop);
    if (version > 4) r.ReadInt32(&p.keepTitleActive);
    if (version > 5) r.ReadCounted(&p.windowClass);
    r.ReadCounted(&p.backPicture);
    r.ReadCounted(&p.icon);
    r.ReadCounted(&p.backSound);
    r.ReadCounted(&p.caption);
    r.ReadCounted(&p.helpFile);
    if (!r.ok()) return false;
  }
  *out = std::move(p);
  return true;
}

PropertyBytes SaveWindowProperties(const WindowProperties& p) {
  return SerialiseProperties([&p](PropertyWriter& w) {
    w.WriteInt32(kWindowPropertiesVersion);
    w.WriteInt32(p.borderStyle);
    w.WriteInt32(p.backPictureMode);
    w.WriteUint32(p.backColor);
    w.WriteInt32(p.maxButton);
    w.WriteInt32(p.minButton);
    w.WriteInt32(p.controlBox);
    w.WriteInt32(p.position);
    w.WriteInt32(p.movable);
    w.WriteInt32(p.soundPlayMode);
    w.WriteInt32(p.enterMovesFocus);
    w.WriteInt32(p.escCloses);
    w.WriteInt32(p.f1Help);
    w.WriteInt32(p.helpContext);
    w.WriteInt32(p.showInTaskbar);
    w.WriteInt32(p.dragAnywhere);
    w.WriteInt32(p.shape);
    w.WriteInt32(p.alwaysOnTop);
    w.WriteInt32(p.keepTitleActive);
    w.WriteCounted(p.windowClass);
    w.WriteCounted(p.backPicture);
    w.WriteCounted(p.icon);
    w.WriteCounted(p.backSound);
    w.WriteCounted(p.caption);
    w.WriteCounted(p.helpFile);
  });
}
