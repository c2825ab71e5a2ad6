// Shared by the Label and TransLabel tests: a form runtime with both unit
// types in a second library, property blocks, solid BMP files, and the
// pixels of a window read back with GDI.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/forms/form_test_support.h"
#include "units/label.h"
#include "units/label_properties.h"
#include "units/trans_label.h"
#include "units/trans_label_properties.h"

// Library 2 of the test program: the Label and the TransLabel.
constexpr uint32_t kLabelType = 0x00020001;
constexpr uint32_t kTransLabelType = 0x00020002;

inline const LibraryInfo* LabelLibrary() {
  static DataTypeRecord types[2] = {LabelDataType(), TransLabelDataType()};
  static LibraryInfo info = [] {
    LibraryInfo i{};
    i.format = kLibraryFormatWord;
    i.dataTypeCount = 2;
    i.dataTypes = Addr(types);
    return i;
  }();
  return &info;
}

class LabelFormTest : public FormTest {
 protected:
  void StartWithLabels(const TemplateDescription& description) {
    ASSERT_TRUE(WriteTemplate(description, &segment_));
    program_.AddLibrary(TestLibrary());
    program_.AddLibrary(LabelLibrary());
    program_.SetTemplate(segment_.data(), static_cast<uint32_t>(segment_.size()));
    program_.SetCodeBase(0);
    app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
    app_->InitialiseRuntime();
    ClearLog();
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

// A window unit record of the test window type with a white background.
inline TemplateUnit UnitAt(uint32_t id, uint32_t type, int32_t left, int32_t top, int32_t width,
                           int32_t height, std::vector<uint8_t> block, uint32_t flags = kUnitVisible) {
  TemplateUnit u;
  u.id = id;
  u.typeCode = type;
  u.name = "unit" + Hex(id);
  u.left = left;
  u.top = top;
  u.width = width;
  u.height = height;
  u.flags = flags;
  u.propertyBlock = std::move(block);
  return u;
}

// A 24-bit BMP file of one colour.
inline std::vector<uint8_t> SolidBmp(int32_t width, int32_t height, COLORREF colour) {
  const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t size = 54 + row * static_cast<uint32_t>(height);
  std::vector<uint8_t> file(size, 0);
  auto put = [&file](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = uint8_t(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, uint32_t(width), 4);
  put(22, uint32_t(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = 54 + y * row + x * 3;
      file[at] = GetBValue(colour);
      file[at + 1] = GetGValue(colour);
      file[at + 2] = GetRValue(colour);
    }
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
    height_ = client.bottom;
    pixels_.assign(static_cast<size_t>(width_) * height_, 0);
    HDC source = GetDCEx(window, nullptr, DCX_CACHE);  // children not clipped out
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; p && i < pixels_.size(); ++i) {
      const uint32_t bgr = p[i];
      pixels_[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
  }
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    return pixels_[static_cast<size_t>(y) * width_ + x];
  }
  // Pixels of the rectangle [left, right) x [top, bottom) equal to colour.
  int Count(const RECT& r, COLORREF colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == colour;
    return n;
  }
  int Area(const RECT& r) const { return (r.right - r.left) * (r.bottom - r.top); }
  // The bounding box of the pixels of a colour inside r (empty when none).
  RECT Bounds(const RECT& r, COLORREF colour) const {
    RECT box{r.right, r.bottom, r.left, r.top};
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) == colour) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<COLORREF> pixels_;
};

inline std::string Colour(COLORREF c) { return Hex(c); }
