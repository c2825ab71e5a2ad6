// Pictures on device contexts, read back pixel by pixel (runs under Wine).
#include <gtest/gtest.h>

#include <cstdlib>

#include "picture_test_files.h"
#include "runtime/memory.h"
#include "runtime/typed_value.h"
#include "pictures/picture_cache.h"
#include "pictures/picture_draw.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A 32-bit top-down DIB selected into a memory DC: a target whose pixels
// the test reads directly.
class Target {
 public:
  Target(int width, int height, COLORREF fill) : width_(width) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Target() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  // 0xRRGGBB
  uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[size_t(y) * width_ + x] & 0xFFFFFF;
  }

 private:
  int width_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

// Every pixel of a bitmap (0xRRGGBB, top row first) through GetDIBits.
std::vector<uint32_t> ReadBitmap(HBITMAP bitmap, int* width, int* height) {
  BITMAP info{};
  if (!GetObject(bitmap, sizeof info, &info)) return {};
  *width = info.bmWidth;
  *height = info.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> pixels(size_t(info.bmWidth) * info.bmHeight);
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != info.bmHeight) return {};
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

struct Prepared {
  PreparedPicture p{};
  ~Prepared() { ReleasePrepared(&p); }
};

bool DecodeSample(const char* name, Decoded& d) { return Decode(ReadSample(name), d); }

// PNG: alpha.png is opaque green, blue at alpha 128, transparent black.
TEST(PreparePicture, PngIsBlendedOverTheBackground) {
  Decoded d;
  ASSERT_TRUE(DecodeSample("alpha.png", d));
  Target target(3, 1, RGB(9, 9, 9));
  Prepared prepared;
  ASSERT_TRUE(PreparePicture(target.dc(), &d.picture, kRed, &prepared.p));
  EXPECT_EQ(prepared.p.kind, kPicturePng);
  ASSERT_TRUE(DrawPicture(&prepared.p, 0, 0, -1, -1, SRCCOPY));
  EXPECT_EQ(target.At(0, 0), 0x00FF00u);
  EXPECT_EQ(target.At(1, 0), 0x7F0080u) << "red mixed into the blue";
  EXPECT_EQ(target.At(2, 0), 0xFF0000u) << "transparent shows the background";
}

// Through PictureToBitmap and through HostService code 1003, which uses white.
TEST(PictureToBitmap, PngShowsWhiteMixedIn) {
  Bytes png = ReadSample("alpha.png");
  HBITMAP direct = PictureToBitmap(png.data(), int32_t(png.size()), kWhite);
  auto host = HBITMAP(uintptr_t(HostPictureToBitmap(uint32_t(uintptr_t(png.data())), uint32_t(png.size()))));
  for (HBITMAP bitmap : {direct, host}) {
    ASSERT_NE(bitmap, nullptr);
    int w, h;
    std::vector<uint32_t> pixels = ReadBitmap(bitmap, &w, &h);
    DeleteObject(bitmap);
    ASSERT_EQ(w, 3);
    ASSERT_EQ(h, 1);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0x00FF00, 0x7F7FFF, 0xFFFFFF}));
  }
}

// Each kind's bitmap holds exactly the source pixels.
TEST(PictureToBitmap, EveryBitmapKindKeepsItsPixels) {
  const struct {
    const char* file;
    const char* source;
  } samples[] = {
      {"bmp24.bmp", "colours18.ppm"}, {"bmp4.bmp", "colours15.ppm"},  {"gif.gif", "colours18.ppm"},
      {"interlaced.gif", "rows9.ppm"}, {"pcx8.pcx", "colours18.ppm"}, {"opaque.png", "colours18.ppm"},
      {"noise.gif", "noise.ppm"},     {"noise.pcx", "noise.ppm"},     {"noise.bmp", "noise.ppm"},
  };
  for (const auto& s : samples) {
    SCOPED_TRACE(s.file);
    Bytes bytes = ReadSample(s.file);
    SourceImage expected = ReadSource(s.source);
    HBITMAP bitmap = PictureToBitmap(bytes.data(), int32_t(bytes.size()), kWhite);
    ASSERT_NE(bitmap, nullptr);
    int w, h;
    std::vector<uint32_t> pixels = ReadBitmap(bitmap, &w, &h);
    DeleteObject(bitmap);
    ASSERT_EQ(w, expected.width);
    ASSERT_EQ(h, expected.height);
    ASSERT_EQ(pixels, expected.pixels);
  }
}

TEST(PictureToBitmap, OneBitPcxAndGreyJpeg) {
  Bytes pcx = ReadSample("pcx1.pcx");
  HBITMAP bitmap = PictureToBitmap(pcx.data(), int32_t(pcx.size()), kWhite);
  ASSERT_NE(bitmap, nullptr);
  int w, h;
  std::vector<uint32_t> pixels = ReadBitmap(bitmap, &w, &h);
  DeleteObject(bitmap);
  SourceImage mono = ReadSource("mono.pbm");
  ASSERT_EQ(pixels.size(), mono.pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(pixels[i], mono.pixels[i] ^ 0xFFFFFF) << i << " (ImageMagick stores black as 1)";

  Bytes jpeg = ReadSample("grey.jpg");
  bitmap = PictureToBitmap(jpeg.data(), int32_t(jpeg.size()), kWhite);
  ASSERT_NE(bitmap, nullptr);
  pixels = ReadBitmap(bitmap, &w, &h);
  DeleteObject(bitmap);
  ASSERT_EQ(w, 16);
  ASSERT_EQ(h, 16);
  EXPECT_NEAR(int(pixels[0] & 0xFF), 64, 3) << "top row is the dark half";
  EXPECT_NEAR(int(pixels[15 * 16] & 0xFF), 191, 3);
}

TEST(PictureToBitmap, GifScreenLargerThanItsFirstImage) {
  Bytes gif = ReadSample("small-image.gif");
  HBITMAP bitmap = PictureToBitmap(gif.data(), int32_t(gif.size()), kWhite);
  ASSERT_NE(bitmap, nullptr);
  int w, h;
  std::vector<uint32_t> pixels = ReadBitmap(bitmap, &w, &h);
  DeleteObject(bitmap);
  ASSERT_EQ(w, 10);
  ASSERT_EQ(h, 7);
  SourceImage image = ReadSource("colours18.ppm");
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t expected = x < 6 && y < 3 ? image.At(x, y) : 0xFFFFFF;
      EXPECT_EQ(pixels[size_t(y) * w + x], expected) << x << "," << y;
    }
}

TEST(PictureToBitmap, IconsAreDrawnOverWhite) {
  const struct {
    const char* file;
    uint32_t colour;
  } icons[] = {{"two16.ico", 0x0000FF}, {"cursor.cur", 0xFF0000}};  // ICO: its last entry
  for (const auto& icon : icons) {
    SCOPED_TRACE(icon.file);
    Bytes bytes = ReadSample(icon.file);
    HBITMAP bitmap = PictureToBitmap(bytes.data(), int32_t(bytes.size()), RGB(0, 0, 0));
    ASSERT_NE(bitmap, nullptr);
    int w, h;
    std::vector<uint32_t> pixels = ReadBitmap(bitmap, &w, &h);
    DeleteObject(bitmap);
    ASSERT_EQ(w, 16);
    ASSERT_EQ(h, 16);
    EXPECT_EQ(pixels[8 * 16 + 8], icon.colour);
  }
}

TEST(PictureToBitmap, NotAPicture) {
  Bytes png = ReadSample("alpha.png");
  EXPECT_EQ(PictureToBitmap(png.data(), 7, kWhite), nullptr);
  EXPECT_EQ(PictureToBitmap(nullptr, 100, kWhite), nullptr);
  EXPECT_EQ(PictureToBitmap(png.data(), -5, kWhite), nullptr);
  Bytes broken = ReadSample("bmp24.bmp");
  broken.resize(60);
  EXPECT_EQ(PictureToBitmap(broken.data(), int32_t(broken.size()), kWhite), nullptr);
}

TEST(DrawPicture, TransparentColourLeavesTheTarget) {
  // colours18 has magenta at (5, 0) and nowhere else.
  Decoded d;
  ASSERT_TRUE(DecodeSample("bmp24.bmp", d));
  Target target(8, 4, RGB(0x12, 0x34, 0x56));
  SetTextColor(target.dc(), RGB(1, 2, 3));
  SetBkColor(target.dc(), RGB(4, 5, 6));
  Prepared prepared;
  ASSERT_TRUE(PreparePicture(target.dc(), &d.picture, kWhite, &prepared.p));
  ASSERT_TRUE(DrawPicture(&prepared.p, 1, 1, -1, -1, -int32_t(RGB(255, 0, 255))));
  SourceImage image = ReadSource("colours18.ppm");
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      bool inside = x >= 1 && x < 7 && y >= 1;
      uint32_t expected = inside ? image.At(x - 1, y - 1) : 0x123456;
      if (expected == 0xFF00FF) expected = 0x123456;
      EXPECT_EQ(target.At(x, y), expected) << x << "," << y;
    }
  EXPECT_EQ(GetTextColor(target.dc()), RGB(1, 2, 3)) << "restored";
  EXPECT_EQ(GetBkColor(target.dc()), RGB(4, 5, 6));
}

// A 1-bit picture holds only black and white: a colour that is neither
// leaves it whole, white leaves the target where the picture is white.
TEST(DrawPicture, TransparentColourOnAOneBitPicture) {
  Decoded d;
  ASSERT_TRUE(DecodeSample("pcx1.pcx", d));
  for (COLORREF transparent : {RGB(255, 0, 0), RGB(255, 255, 255)}) {
    SCOPED_TRACE(transparent);
    Target target(9, 3, RGB(0x12, 0x34, 0x56));
    Prepared prepared;
    ASSERT_TRUE(PreparePicture(target.dc(), &d.picture, kWhite, &prepared.p));
    ASSERT_TRUE(DrawPicture(&prepared.p, 0, 0, -1, -1, -int32_t(transparent)));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 9; ++x) {
        uint32_t expected = PixelAt(d.picture, x, y);
        if (transparent == kWhite && expected == 0xFFFFFF) expected = 0x123456;
        EXPECT_EQ(target.At(x, y), expected) << x << "," << y;
      }
  }
}

int Distance(uint32_t a, uint32_t b) {
  int d = 0;
  for (int shift : {0, 8, 16}) d += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
  return d;
}

TEST(DrawPicture, StretchesAndPassesTheRasterOperation) {
  // rows9: one colour per row, 2 wide; stretched to 8 x 36 each row is 8 x 4.
  // With HALFTONE the rows blend into each other, so each band's first line
  // is checked to be nearest to its own row's colour.
  Decoded d;
  ASSERT_TRUE(DecodeSample("interlaced.gif", d));
  Target target(10, 40, RGB(0x12, 0x34, 0x56));
  Prepared prepared;
  ASSERT_TRUE(PreparePicture(target.dc(), &d.picture, kWhite, &prepared.p));
  ASSERT_TRUE(DrawPicture(&prepared.p, 1, 2, 8, 36, SRCCOPY));
  SourceImage rows = ReadSource("rows9.ppm");
  for (int row = 0; row < 9; ++row) {
    uint32_t pixel = target.At(4, 2 + row * 4);
    for (int other = 0; other < 9; ++other) {
      if (other != row) {
        EXPECT_LT(Distance(pixel, rows.At(0, row)), Distance(pixel, rows.At(0, other))) << row;
      }
    }
  }
  EXPECT_EQ(target.At(1, 2), rows.At(0, 0)) << "corners are not blended";
  EXPECT_EQ(target.At(8, 37), rows.At(0, 8));
  EXPECT_EQ(target.At(0, 0), 0x123456u) << "outside the rectangle";
  EXPECT_EQ(target.At(9, 39), 0x123456u);
  EXPECT_EQ(target.At(9, 20), 0x123456u);

  Target inverted(2, 9, 0);
  prepared.p.dc = inverted.dc();
  ASSERT_TRUE(DrawPicture(&prepared.p, 0, 0, -1, -1, NOTSRCCOPY));
  EXPECT_EQ(inverted.At(0, 0), 0x00FFFFu);
}

TEST(DrawPicture, IconAtTheRequestedSize) {
  Decoded d;
  ASSERT_TRUE(DecodeSample("two16.ico", d));
  Target target(40, 40, kWhite);
  Prepared prepared;
  ASSERT_TRUE(PreparePicture(target.dc(), &d.picture, kWhite, &prepared.p));
  EXPECT_NE(prepared.p.icon, nullptr);
  EXPECT_EQ(prepared.p.bitmap, nullptr);
  ASSERT_TRUE(DrawPicture(&prepared.p, 4, 4, 32, 32, SRCCOPY));
  EXPECT_EQ(target.At(30, 30), 0x0000FFu);
  EXPECT_EQ(target.At(37, 37), 0xFFFFFFu);
}

TEST(PreparePicture, Refusals) {
  Decoded d;
  ASSERT_TRUE(DecodeSample("bmp24.bmp", d));
  Target target(1, 1, 0);
  Prepared prepared;
  EXPECT_FALSE(PreparePicture(nullptr, &d.picture, kWhite, &prepared.p));
  EXPECT_FALSE(PreparePicture(target.dc(), nullptr, kWhite, &prepared.p));
  DecodedPicture empty{};
  EXPECT_FALSE(PreparePicture(target.dc(), &empty, kWhite, &prepared.p));
  EXPECT_FALSE(DrawPicture(&prepared.p, 0, 0, -1, -1, SRCCOPY));
  EXPECT_FALSE(DrawPicture(nullptr, 0, 0, -1, -1, SRCCOPY));
}

TEST(DrawPictureOnce, DrawsOverTheBackground) {
  Decoded d;
  ASSERT_TRUE(DecodeSample("alpha.png", d));
  Target target(3, 1, 0);
  ASSERT_TRUE(DrawPictureOnce(target.dc(), &d.picture, 0, 0, -1, -1, kRed));
  EXPECT_EQ(target.At(2, 0), 0xFF0000u);
}

// A byte-set block as units hold picture property values.
void* MakeByteSet(const Bytes& bytes) {
  auto* block = static_cast<uint8_t*>(AllocateRaw(uint32_t(bytes.size() + 8)));
  ByteSetHeader header{1, uint32_t(bytes.size())};
  std::memcpy(block, &header, sizeof header);
  std::memcpy(block + 8, bytes.data(), bytes.size());
  return block;
}

TEST(PictureCache, DecodesOncePerValue) {
  void* png = MakeByteSet(ReadSample("alpha.png"));
  void* copy = MakeByteSet(ReadSample("alpha.png"));
  void* gif = MakeByteSet(ReadSample("gif.gif"));
  PictureCache cache;
  ASSERT_TRUE(cache.SetValue(png, kRed));
  HBITMAP first = cache.Prepared().bitmap;
  const uint8_t* firstData = cache.Decoded().data;
  ASSERT_TRUE(cache.SetValue(copy, kRed));
  EXPECT_EQ(cache.Prepared().bitmap, first) << "equal bytes keep the bitmap";
  EXPECT_EQ(cache.Decoded().data, firstData);

  Target target(3, 1, 0);
  ASSERT_TRUE(cache.Draw(target.dc(), 0, 0, -1, -1, SRCCOPY));
  EXPECT_EQ(target.At(2, 0), 0xFF0000u);
  ASSERT_TRUE(cache.SetValue(copy, kWhite));
  EXPECT_EQ(cache.Decoded().data, firstData) << "a new background does not decode again";
  ASSERT_TRUE(cache.Draw(target.dc(), 0, 0, -1, -1, SRCCOPY));
  EXPECT_EQ(target.At(2, 0), 0xFFFFFFu);

  ASSERT_TRUE(cache.SetValue(gif, kWhite));
  EXPECT_EQ(cache.Kind(), kPictureGif);
  EXPECT_EQ(cache.Width(), 6);
  EXPECT_EQ(cache.Height(), 3);

  EXPECT_FALSE(cache.SetValue(nullptr, kWhite));
  EXPECT_FALSE(cache.HasPicture());
  EXPECT_FALSE(cache.Draw(target.dc(), 0, 0, -1, -1, SRCCOPY));
  Bytes broken = ReadSample("gif.gif");
  broken.resize(20);
  void* bad = MakeByteSet(broken);
  EXPECT_FALSE(cache.SetValue(bad, kWhite));
  EXPECT_FALSE(cache.SetValue(bad, kWhite)) << "the same bad value again";
  EXPECT_FALSE(cache.HasPicture());
  for (void* block : {png, copy, gif, bad}) FreeMemory(block);
}

}  // namespace
