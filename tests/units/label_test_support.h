// Shared by the Label and TransLabel tests: a form runtime with both unit
// types in a second library, solid BMP files, a bold font, and the pixels
// of a window read back with GDI.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "forms/window_properties.h"
#include "forms/window_unit.h"
#include "tests/forms/form_test_support.h"
#include "tests/units/test_data_source.h"
#include "units/label.h"
#include "units/label_properties.h"
#include "units/trans_label.h"
#include "units/trans_label_properties.h"

// Library 2: the Label, the TransLabel, a data-source unit and the window
// unit.
constexpr uint32_t kLabelType = 0x00020001, kTransLabelType = 0x00020002, kSourceType = 0x00020003,
                   kWindowType = 0x00020004;

inline const LibraryInfo* LabelLibrary() {
  static DataTypeRecord types[4] = {LabelDataType(), TransLabelDataType(), TestDataSourceType(),
                                    WindowDataType()};
  static LibraryInfo info{};
  info.format = kLibraryFormatWord;
  info.dataTypeCount = 4;
  info.dataTypes = Addr(types);
  return &info;
}

// The window unit's own record, with a background colour of its own.
inline TemplateUnit ColouredWindow(uint32_t unitId, COLORREF colour) {
  WindowProperties p;
  ResetWindowProperties(&p);
  p.backColor = colour;
  TemplateUnit u;
  u.id = unitId;
  u.typeCode = kWindowType;
  u.left = u.top = 40;
  u.width = 300;
  u.height = 200;
  u.flags = kUnitVisible;
  const PropertyBytes block = SaveWindowProperties(p);
  u.propertyBlock.assign(block.data(), block.data() + block.size());
  return u;
}

class LabelFormTest : public FormTest {
 protected:
  void StartWithLabels(const TemplateDescription& description) {
    ASSERT_TRUE(WriteTemplate(description, &segment_));
    program_.AddLibrary(TestLibrary());
    program_.AddLibrary(LabelLibrary());
    program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
    app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
    app_->InitialiseRuntime();
  }
  // Lets every queued message and paint run.
  void Settle(HWND window) {
    Pump();
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
  }
};

inline std::vector<uint8_t> Bytes(const PropertyBytes& block) {
  return std::vector<uint8_t>(block.data(), block.data() + block.size());
}

inline TemplateUnit UnitAt(uint32_t id, uint32_t type, RECT r, std::vector<uint8_t> block,
                           uint32_t flags = kUnitVisible) {
  TemplateUnit u;
  u.id = id;
  u.typeCode = type;
  u.name = "unit" + Hex(id);
  u.left = r.left;
  u.top = r.top;
  u.width = r.right - r.left;
  u.height = r.bottom - r.top;
  u.flags = flags;
  u.propertyBlock = std::move(block);
  return u;
}

// A 24-bit BMP file of one colour.
inline std::vector<uint8_t> SolidBmp(int32_t width, int32_t height, COLORREF colour) {
  const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u, size = 54 + row * uint32_t(height);
  std::vector<uint8_t> file(size, 0);
  auto put = [&file](size_t at, uint32_t value) { std::memcpy(&file[at], &value, 4); };
  file[0] = 'B', file[1] = 'M', file[26] = 1, file[28] = 24;
  put(2, size), put(10, 54), put(14, 40), put(18, uint32_t(width)), put(22, uint32_t(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &file[54 + y * row + x * 3];
      p[0] = GetBValue(colour), p[1] = GetGValue(colour), p[2] = GetRValue(colour);
    }
  return file;
}

// A 60-byte bold font of the given pixel height.
inline std::vector<uint8_t> BoldFont(int32_t height) {
  LOGFONTA font{};
  font.lfHeight = -height;
  font.lfWeight = FW_BOLD;
  std::strcpy(font.lfFaceName, "Tahoma");
  const auto* bytes = reinterpret_cast<const uint8_t*>(&font);
  return std::vector<uint8_t>(bytes, bytes + sizeof font);
}

// The client area of a window as drawn, children included.
class Pixels {
 public:
  explicit Pixels(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    pixels_.assign(size_t(client.right) * client.bottom, 0);
    HDC source = GetDCEx(window, nullptr, DCX_CACHE);  // children not clipped out
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    GdiFlush();
    for (size_t i = 0; bits && i < pixels_.size(); ++i) {
      const uint32_t bgr = static_cast<const uint32_t*>(bits)[i];
      pixels_[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
  }
  COLORREF At(int x, int y) const { return pixels_.at(size_t(y) * width_ + x); }
  // How many pixels of [left, right) x [top, bottom) have the colour.
  int Count(const RECT& r, COLORREF colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == colour;
    return n;
  }
  static int Area(const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); }
  // The bounding box of the pixels of a colour inside r.
  RECT Bounds(const RECT& r, COLORREF colour) const {
    RECT box{r.right, r.bottom, r.left, r.top};
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) == colour) box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                                       std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
    return box;
  }

 private:
  int width_ = 0;
  std::vector<COLORREF> pixels_;
};
