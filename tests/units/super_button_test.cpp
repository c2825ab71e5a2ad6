// The SuperBtn on a real window: clicks and their event, the three looks in
// each state read back as pixels, pictures, sounds, properties and the
// tooltip.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "forms/window_unit.h"
#include "pictures/picture_draw.h"
#include "tests/forms/form_test_support.h"
#include "tests/forms/template_test_support.h"
#include "tests/forms/window_test_library.h"
#include "runtime/values.h"
#include "units/super_button.h"

namespace {

constexpr uint32_t kMain = 0x52000001, kMainUnit = 0x06000001;
constexpr uint32_t kButton = 0x16000002, kOther = 0x16000003;
constexpr uint32_t kSuperBtnType = 0x00020001;  // type 1 of the second library
constexpr int kWidth = 100, kHeight = 40;
constexpr COLORREF kBlue = RGB(0, 0, 255), kMagenta = RGB(255, 0, 255);

const LibraryInfo* SuperBtnLibrary() {
  static DataTypeRecord types[1] = {SuperBtnDataType()};
  static LibraryInfo info = [] {
    LibraryInfo i{};
    i.format = kLibraryFormatWord;
    i.dataTypeCount = 1;
    i.dataTypes = Addr(types);
    return i;
  }();
  return &info;
}

// The Checked property as the Clicked handler sees it.
// A window the Clicked handler destroys after logging, when set.
HWND g_closeOnClick = nullptr;
void __cdecl ClickedHandler(EventResult*) {
  Log().push_back("clicked " + std::to_string(ReadProperty(kMain, kButton, 8 + kChecked)));
  if (HWND window = std::exchange(g_closeOnClick, nullptr)) DestroyWindow(window);
}

// The common focus events, apart from the Clicked log.
std::vector<std::string> g_focusEvents;
void __cdecl FocusGained(EventResult*) { g_focusEvents.push_back("gained"); }
void __cdecl FocusLost(EventResult*) { g_focusEvents.push_back("lost"); }

struct SoundCall {
  std::string what;  // the resource name, the first chunk's name of a memory sound, or "stop"
  HMODULE module;
  DWORD flags;
  LPCSTR at;  // what playback goes on reading after the call
};
std::vector<SoundCall> g_sounds;
BOOL g_playAnswer = TRUE;  // FALSE: as PlaySound when it plays nothing

BOOL WINAPI RecordSound(LPCSTR sound, HMODULE module, DWORD flags) {
  const bool resource = (flags & SND_RESOURCE) == SND_RESOURCE;
  const std::string what = !sound ? "stop" : resource ? std::string(sound) : std::string(sound + 12, 4);
  g_sounds.push_back({what, module, flags, sound});
  return g_playAnswer;
}

// A WAVE file of 20 bytes: one empty chunk named `tag` (four letters).
std::string Wave(const char* tag) { return std::string("RIFF\x0C\0\0\0WAVE", 12) + tag + std::string(4, '\0'); }
void AssignWave(PropertyBytes* sound, const char* tag) {
  const std::string wave = Wave(tag);
  sound->Assign(wave.data(), uint32_t(wave.size()));
}

// A 24-bit BMP of 10 x 10 magenta pixels with a blue 6 x 6 middle.
std::vector<uint8_t> PictureBytes() {
  constexpr int kSide = 10, kRow = 32;  // 30 bytes padded to 32
  std::vector<uint8_t> b(54 + kRow * kSide, 0);
  auto put = [&b](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, uint32_t(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, kSide, 4);
  put(22, kSide, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const bool inner = x >= 2 && x < 8 && y >= 2 && y < 8;
      const COLORREF c = inner ? kBlue : kMagenta;
      uint8_t* p = &b[54 + y * kRow + x * 3];
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
  return b;
}

// The client area as the button paints it, read back pixel by pixel.
class Capture {
 public:
  explicit Capture(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    width_ = r.right, height_ = r.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, width_, height_, BLACKNESS);
    SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    pixels_.assign(p, p + width_ * height_);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // 0x00BBGGRR, as GDI colours are given.
  COLORREF At(int x, int y) const {
    const uint32_t v = pixels_[y * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) n += At(x, y) == colour;
    return n;
  }
  // Text is smoothed: pixels inside the edges nearer to `colour` than to
  // `background`.
  int CountTowards(COLORREF colour, COLORREF background) const {
    auto distance = [](COLORREF a, COLORREF b) {
      return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) +
             abs(GetBValue(a) - GetBValue(b));
    };
    int n = 0;
    for (int y = 3; y < height_ - 3; ++y)
      for (int x = 3; x < width_ - 3; ++x) n += distance(At(x, y), colour) < distance(At(x, y), background);
    return n;
  }
  // Top-left corner of the first pixel of a colour, or (-1, -1).
  POINT Find(COLORREF colour) const {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (At(x, y) == colour) return {x, y};
    return {-1, -1};
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};

COLORREF Sys(int index) { return GetSysColor(index); }

class SuperBtnTest : public FormTest {
 protected:
  void SetUp() override {
    g_sounds.clear();
    SetButtonSoundPlayer(&RecordSound);
    SetPictureToBitmap([](const uint8_t* bytes, int32_t length, uint32_t) {
      return HostPictureToBitmap(Addr(bytes), uint32_t(length));
    });
    SetCursorPos(0, 0);
  }
  void TearDown() override {
    FormTest::TearDown();
    SetButtonSoundPlayer(nullptr);
    SetButtonColourSource(nullptr);
  }

  // One window with the button (and a plain test unit after it).
  void StartWith(const std::function<void(SuperBtnProperties&)>& edit, uint32_t flags = kUnitVisible | kUnitTabStop) {
    SuperBtnProperties p;
    ASSERT_TRUE(ResetSuperBtnProperties(&p, {Sys(COLOR_BTNTEXT), Sys(COLOR_BTNFACE)}));
    edit(p);
    PropertyBytes block = SaveSuperBtnProperties(p);
    StartWithBlock(std::vector<uint8_t>(block.data(), block.data() + block.size()), kWidth, kHeight, flags);
  }

  void StartWithBlock(const std::vector<uint8_t>& block, int width, int height,
                      uint32_t flags = kUnitVisible | kUnitTabStop) {
    TemplateWindow w;
    w.id = kMain;
    TemplateUnit window = TestWindowUnit(kMainUnit);
    if (realWindow_) {
      window.typeCode = kWindowUnitType;
      window.propertyBlock = WindowBlock(WindowProperties{});
    }
    w.units.push_back(window);
    TemplateUnit button;
    button.id = kButton;
    button.typeCode = kSuperBtnType;
    button.left = 10, button.top = 10, button.width = width, button.height = height;
    button.flags = flags;
    button.bindings.push_back({kSuperBtnClicked, OffsetOf(&ClickedHandler)});
    button.bindings.push_back({-7, OffsetOf(&FocusGained)});
    button.bindings.push_back({-8, OffsetOf(&FocusLost)});
    button.propertyBlock = block;
    w.units.push_back(button);
    TemplateUnit other = TestUnit(kOther, kTestUnitType, kUnitVisible | kUnitTabStop);
    other.top = 100;
    w.units.push_back(other);

    ASSERT_TRUE(WriteTemplate({{w}}, &segment_));
    program_.AddLibrary(realWindow_ ? WindowTestLibrary() : TestLibrary());
    program_.AddLibrary(SuperBtnLibrary());
    program_.SetTemplate(segment_.data(), uint32_t(segment_.size()));
    app_ = new RuntimeApp(program_.Image(), 0, FormRuntimeSeam());
    app_->InitialiseRuntime();
    ASSERT_EQ(Load(kMain), 0);
    Pump();
    ClearLog();
    button_ = Handle(kMain, kButton);
    ASSERT_TRUE(button_);
  }

  SuperBtnUnit* Unit() { return dynamic_cast<SuperBtnUnit*>(Object(kMain, kButton)); }

  void Hover() {
    POINT centre{kWidth / 2, kHeight / 2};
    ClientToScreen(button_, &centre);
    SetCursorPos(centre.x, centre.y);
    SendMessageA(button_, WM_MOUSEMOVE, 0, MAKELPARAM(kWidth / 2, kHeight / 2));
  }
  void Press(bool on) { SendMessageA(button_, BM_SETSTATE, on, 0); }
  void Click() {
    SendMessageA(button_, BM_CLICK, 0, 0);
    Pump();
  }

  HWND button_ = nullptr;
  bool realWindow_ = false;  // the window unit itself, with its keyboard handling
};

TEST_F(SuperBtnTest, ClickRaisesClickedOnceAndCheckBoxTogglesFirst) {
  StartWith([](SuperBtnProperties&) {});
  EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  char caption[32] = {};
  GetWindowTextA(button_, caption, sizeof caption);
  EXPECT_STREQ(caption, "超级按钮");
  Click();
  EXPECT_EQ(Log(), std::vector<std::string>{"clicked 0"});
  // A posted press and release is a click too.
  ClearLog();
  PostMessageA(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(button_, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_EQ(Log(), std::vector<std::string>{"clicked 0"});

  // Check-box mode: the write re-creates the unit; Checked flips before Clicked.
  WriteProperty(kMain, kButton, 8 + kCheckBox, 1);
  button_ = Handle(kMain, kButton);
  ClearLog();
  Click();
  Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"clicked 1", "clicked 0"}));
  SendMessageA(button_, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessageA(button_, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ReadProperty(kMain, kButton, 8 + kChecked), 1u);
}

// The application's Upgrade button, from its template block.
TEST_F(SuperBtnTest, ApplicationButtonShowsItsCaptionFlatAndClicksOnce) {
  StartWithBlock(SuperBtnPropertyBlock("升级"), 56, 24);
  char caption[16] = {};
  GetWindowTextA(button_, caption, sizeof caption);
  EXPECT_STREQ(caption, "升级");
  const COLORREF face = Sys(COLOR_BTNFACE);
  Capture shown(button_);
  EXPECT_EQ(shown.At(0, 0), face);
  EXPECT_EQ(shown.At(55, 23), face);
  EXPECT_GT(shown.CountTowards(Sys(COLOR_BTNTEXT), face), 20);
  Click();
  EXPECT_EQ(Log(), std::vector<std::string>{"clicked 0"});
}

TEST_F(SuperBtnTest, FlatLookBackgroundsEdgesAndTextByState) {
  StartWith([](SuperBtnProperties& p) {
    p.defaultColor = 0;
    p.fgColorOut = RGB(255, 0, 0), p.bkColorOut = RGB(200, 200, 0);
    p.fgColorIn = RGB(0, 255, 0), p.bkColorIn = RGB(0, 100, 100);
  });
  const COLORREF highlight = Sys(COLOR_BTNHIGHLIGHT), shadow = Sys(COLOR_BTNSHADOW);
  Capture normal(button_);
  EXPECT_EQ(normal.At(0, 0), RGB(200, 200, 0));  // flat: no edge
  EXPECT_EQ(normal.At(kWidth - 1, kHeight - 1), RGB(200, 200, 0));
  EXPECT_GT(normal.CountTowards(RGB(255, 0, 0), RGB(200, 200, 0)), 30);

  Hover();
  EXPECT_TRUE(Unit()->hovering);
  Capture hovered(button_);
  EXPECT_EQ(hovered.At(0, 0), highlight);
  EXPECT_EQ(hovered.At(kWidth - 1, kHeight - 1), shadow);
  EXPECT_EQ(hovered.At(3, 3), RGB(0, 100, 100));
  EXPECT_GT(hovered.CountTowards(RGB(0, 255, 0), RGB(0, 100, 100)), 30);
  EXPECT_EQ(hovered.CountTowards(RGB(255, 0, 0), RGB(0, 100, 100)), 0);

  Press(true);
  Capture pressed(button_);
  EXPECT_EQ(pressed.At(0, 0), shadow);
  EXPECT_EQ(pressed.At(kWidth - 1, kHeight - 1), highlight);
  EXPECT_EQ(pressed.At(3, 3), RGB(0, 100, 100));
  Press(false);

  // Losing the mouse ends the hover state.
  SendMessageA(button_, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(Unit()->hovering);
  EnableWindow(button_, FALSE);
  Capture disabled(button_);
  EXPECT_EQ(disabled.At(3, 3), RGB(200, 200, 0));
  EXPECT_EQ(disabled.CountTowards(RGB(255, 0, 0), RGB(200, 200, 0)), 0);
  EXPECT_GT(disabled.CountTowards(shadow, RGB(200, 200, 0)), 30);
}

TEST_F(SuperBtnTest, ThreeDLookEdgesAndNoHover) {
  StartWith([](SuperBtnProperties& p) {
    p.btnStyle = 1;
    AssignWave(&p.overSound, "over");
  });
  const COLORREF face = Sys(COLOR_BTNFACE), shadow = Sys(COLOR_BTNSHADOW);
  Capture normal(button_);
  EXPECT_EQ(normal.At(0, 0), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(normal.At(1, 1), Sys(COLOR_3DLIGHT));
  EXPECT_EQ(normal.At(kWidth - 1, kHeight - 1), Sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(normal.At(kWidth - 2, kHeight - 2), shadow);
  EXPECT_EQ(normal.At(4, 4), face);
  EXPECT_GT(normal.CountTowards(Sys(COLOR_BTNTEXT), face), 30);

  Hover();
  EXPECT_FALSE(Unit()->hovering);
  EXPECT_TRUE(g_sounds.empty());
  EXPECT_EQ(Capture(button_).At(4, 4), face);

  Press(true);
  Capture pressed(button_);
  EXPECT_EQ(pressed.At(0, 0), shadow);
  EXPECT_EQ(pressed.At(kWidth - 1, kHeight - 1), shadow);
  EXPECT_EQ(pressed.At(4, 4), ShiftColourBrightness(face, 32));
  Press(false);

  // The default button gets a black frame outside its edges.
  WriteProperty(kMain, kButton, 8 + kDefaultStyle, 1);
  button_ = Handle(kMain, kButton);
  Capture framed(button_);
  EXPECT_EQ(framed.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(framed.At(1, 1), Sys(COLOR_BTNHIGHLIGHT));
}

TEST_F(SuperBtnTest, XpLookRoundsTheLitBackgroundWithoutEdges) {
  StartWith([](SuperBtnProperties& p) { p.btnStyle = 2; });
  const COLORREF face = Sys(COLOR_BTNFACE), lit = ShiftColourBrightness(face, 32);
  EXPECT_EQ(ReadProperty(kMain, kButton, 8 + kBkColorIn), lit);
  if (face == RGB(0xF0, 0xF0, 0xF0)) {
    EXPECT_EQ(lit, RGB(255, 255, 255));
  }
  Capture normal(button_);
  EXPECT_EQ(normal.At(0, 0), face);
  Hover();
  Capture hovered(button_);
  EXPECT_EQ(hovered.At(kWidth / 2, 0), RGB(0, 0, 0));
  EXPECT_EQ(hovered.At(kWidth / 2, kHeight - 1), RGB(0, 0, 0));
  EXPECT_EQ(hovered.At(0, kHeight / 2), RGB(0, 0, 0));
  EXPECT_EQ(hovered.At(4, 4), lit);
  Press(true);
  Capture pressed(button_);
  EXPECT_EQ(pressed.At(0, kHeight / 2), RGB(0, 0, 0));
  EXPECT_EQ(pressed.At(1, kHeight / 2), lit);  // no sunken edge inside the outline
}

COLORREF g_face = 0;
DWORD WINAPI SchemeColour(int index) { return index == COLOR_BTNFACE ? g_face : GetSysColor(index); }

TEST_F(SuperBtnTest, LitBackgroundIsTheFaceLightenedBy32) {
  g_face = RGB(0xC0, 0xC0, 0xC0);
  SetButtonColourSource(&SchemeColour);
  StartWithBlock({}, kWidth, kHeight);  // every property at its reset value
  EXPECT_EQ(ReadProperty(kMain, kButton, 8 + kBkColorIn), RGB(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(ReadProperty(kMain, kButton, 8 + kBkColorOut), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(Capture(button_).At(4, 4), RGB(0xC0, 0xC0, 0xC0));
  Hover();
  EXPECT_EQ(Capture(button_).At(4, 4), RGB(0xE0, 0xE0, 0xE0));
  g_face = RGB(0xF0, 0xF0, 0xF0);
  EXPECT_EQ(Capture(button_).At(4, 4), RGB(0xFF, 0xFF, 0xFF));
}

TEST_F(SuperBtnTest, OnlyPicOutServesEveryStateAndItsTopLeftColourIsTransparent) {
  const std::vector<uint8_t> bmp = PictureBytes();
  StartWith([&bmp](SuperBtnProperties& p) {
    p.caption.Clear();
    p.picOut.Assign(bmp.data(), uint32_t(bmp.size()));
  });
  const COLORREF face = Sys(COLOR_BTNFACE);
  const POINT corner{(kWidth - 10) / 2, (kHeight - 10) / 2};
  Capture normal(button_);
  EXPECT_EQ(normal.Find(kBlue).x, corner.x + 2);
  EXPECT_EQ(normal.Find(kBlue).y, corner.y + 2);
  EXPECT_EQ(normal.Count(kBlue), 36);
  EXPECT_EQ(normal.Count(kMagenta), 0);
  EXPECT_EQ(normal.At(corner.x, corner.y), face);

  Hover();
  Capture hovered(button_);
  EXPECT_EQ(hovered.Count(kBlue), 36);
  EXPECT_EQ(hovered.At(corner.x, corner.y), ShiftColourBrightness(face, 32));
  Press(true);
  Capture pressed(button_);
  EXPECT_EQ(pressed.Find(kBlue).x, corner.x + 3);  // moved by the press shift (1, 1)
  EXPECT_EQ(pressed.Find(kBlue).y, corner.y + 3);
  Press(false);
  SendMessageA(button_, WM_MOUSELEAVE, 0, 0);

  EnableWindow(button_, FALSE);
  Capture disabled(button_);
  EXPECT_EQ(disabled.Count(kBlue), 0);
  EXPECT_EQ(disabled.At(corner.x + 4, corner.y + 4), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(disabled.At(corner.x, corner.y), face);
  EnableWindow(button_, TRUE);

  // Bytes that are no picture empty the slot.
  const char junk[] = "not a picture";
  WriteProperty(kMain, kButton, 8 + kPicOut, Addr(MakeByteSet(junk, sizeof junk)));
  EXPECT_EQ(Capture(button_).Count(kBlue), 0);
}

TEST_F(SuperBtnTest, CheckBoxPictureStaysPutWhenChecked) {
  const std::vector<uint8_t> bmp = PictureBytes();
  StartWith([&bmp](SuperBtnProperties& p) {
    p.caption.Clear();
    p.checkBox = 1;
    p.transColorOut = kMagenta;
    p.picOut.Assign(bmp.data(), uint32_t(bmp.size()));
  });
  const POINT before = Capture(button_).Find(kBlue);
  Click();
  EXPECT_EQ(Log(), std::vector<std::string>{"clicked 1"});
  Capture checked(button_);
  EXPECT_EQ(checked.At(1, 1), ShiftColourBrightness(Sys(COLOR_BTNFACE), 32));  // drawn pressed
  EXPECT_EQ(checked.Find(kBlue).x, before.x);
  EXPECT_EQ(checked.Find(kBlue).y, before.y);
}

// The window's sound and the click share the process's one sound: once the
// click has taken its place, the window's stop stops nothing.
TEST_F(SuperBtnTest, AClickTakesTheProcessSoundFromTheWindow) {
  realWindow_ = true;
  StartWith([](SuperBtnProperties& p) { AssignWave(&p.clickSound, "clic"); });
  void* set = MakeByteSet(Wave("back").data(), 20);
  WriteProperty(kMain, 0, 13, Addr(set));  // BackSound, played in a loop
  FreeMemory(set);
  Click();
  WriteProperty(kMain, 0, 14, 2);  // SoundPlayMode: not played
  ASSERT_EQ(g_sounds.size(), 2u) << g_sounds.back().what;
  EXPECT_EQ(g_sounds[0].what + " " + g_sounds[1].what, "back clic");
}

TEST_F(SuperBtnTest, SoundsGoThroughTheStandardResourceOrTheBytes) {
  StartWith([](SuperBtnProperties& p) {
    AssignWave(&p.overSound, "over");
    AssignWave(&p.clickSound, "clic");
  });
  Hover();
  Click();
  ASSERT_EQ(g_sounds.size(), 2u);
  EXPECT_EQ(g_sounds[0].what, "over");
  EXPECT_EQ(g_sounds[1].what, "clic");
  EXPECT_EQ(g_sounds[1].flags, DWORD(SND_MEMORY | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT));
  // A call that plays nothing (the device busy) stops nothing: the sound
  // before it still reads its bytes.
  g_playAnswer = FALSE;
  Click();
  g_playAnswer = TRUE;
  ASSERT_EQ(g_sounds.size(), 3u);
  EXPECT_EQ(std::string(g_sounds[1].at, 20), Wave("clic"));

  g_sounds.clear();
  WriteProperty(kMain, kButton, 8 + kStandardSound, 1);
  Click();
  ASSERT_EQ(g_sounds.size(), 1u);
  EXPECT_EQ(g_sounds[0].what, kStandardClickSound);
  EXPECT_EQ(g_sounds[0].module, GetModuleHandleA(nullptr));
  EXPECT_EQ(g_sounds[0].flags, DWORD(SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT));

  // The resource is there and holds a WAVE file.
  HRSRC found = FindResourceA(nullptr, kStandardClickSound, "WAVE");
  ASSERT_TRUE(found);
  const auto* wav = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
  ASSERT_GT(SizeofResource(nullptr, found), 44u);
  EXPECT_EQ(std::string(wav, 4), "RIFF");
  EXPECT_EQ(std::string(wav + 8, 4), "WAVE");

  // Playback from memory reads as far as the file says: a click sound whose
  // RIFF length reaches past its bytes is not played.
  WriteProperty(kMain, kButton, 8 + kStandardSound, 0);
  auto writeClickSound = [](const std::string& wave) {
    void* set = MakeByteSet(wave.data(), uint32_t(wave.size()));
    WriteProperty(kMain, kButton, 8 + kClickSound, Addr(set));
    FreeMemory(set);
  };
  std::string torn = Wave("clic");
  torn[4] = '\x40';
  writeClickSound(torn);
  g_sounds.clear();
  Click();
  EXPECT_TRUE(g_sounds.empty());
  writeClickSound(Wave("clic"));

  // Playback reads on after the call: a Clicked handler that closes the
  // window frees the unit's bytes, not what is playing.
  g_sounds.clear();
  g_closeOnClick = Handle(kMain, 0);
  Click();
  EXPECT_FALSE(IsWindow(button_));
  ASSERT_EQ(g_sounds.size(), 1u);
  EXPECT_EQ(std::string(g_sounds[0].at, 20), Wave("clic"));
}

TEST_F(SuperBtnTest, PropertiesReadBackAndDefaultStyleRecreates) {
  StartWith([](SuperBtnProperties&) {});
  WriteProperty(kMain, kButton, 8 + kBtnStyle, 7);
  EXPECT_EQ(ReadProperty(kMain, kButton, 8 + kBtnStyle), 2u);
  EXPECT_TRUE(Unit()->xp);
  WriteProperty(kMain, kButton, 8 + kBtnCaption, Addr("升级"));
  char caption[32] = {};
  GetWindowTextA(button_, caption, sizeof caption);
  EXPECT_STREQ(caption, "升级");
  // A font member write builds the font and hands it to the window.
  WriteProperty(kMain, kButton, 8 + kBtnFont, 24, kFontSize);
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(button_, WM_GETFONT, 0, 0)), sizeof font, &font);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, PointsToHeight(24, GetDeviceCaps(screen, LOGPIXELSY)));
  EXPECT_LT(font.lfHeight, -20);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(font.lfQuality, PROOF_QUALITY);
  WriteProperty(kMain, kButton, 8 + kPressStyle, 1);
  EXPECT_EQ(Unit()->pressShift.y, 2);

  auto isDefault = reinterpret_cast<IsDefaultButtonFn>(SuperBtnEntry(kEntryIsDefaultButton));
  EXPECT_EQ(isDefault(Unit()), 0);
  EXPECT_EQ(SendMessageA(button_, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
  HWND old = button_;
  WriteProperty(kMain, kButton, 8 + kDefaultStyle, 1);
  button_ = Handle(kMain, kButton);
  EXPECT_NE(button_, old);
  EXPECT_EQ(isDefault(Unit()), 1);
  EXPECT_EQ(SendMessageA(button_, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
  EXPECT_STREQ((GetWindowTextA(button_, caption, sizeof caption), caption), "升级");  // kept
  EXPECT_EQ(ReadProperty(kMain, kButton, 8 + kBtnStyle), 2u);

  // The dialog manager's style changes keep the owner-draw type.
  SendMessageA(button_, BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
  EXPECT_EQ(isDefault(Unit()), 0);
  EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  SendMessageA(button_, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
  EXPECT_EQ(isDefault(Unit()), 1);
  EXPECT_EQ(GetWindowLongA(button_, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

  // Designer queries.
  auto applicable = reinterpret_cast<int32_t(__stdcall*)(Wnd*, int32_t)>(SuperBtnEntry(kEntryPropertyApplicable));
  EXPECT_EQ(applicable(Unit(), kChecked), 0);
  EXPECT_EQ(applicable(Unit(), kFgColorOut), 0);  // DefaultColor on
  EXPECT_EQ(applicable(Unit(), kDrawBorder), 1);
  EXPECT_EQ(SuperBtnEntry(kEntryWantsKey), nullptr);

  // Disabling the focused button hands the focus on.
  g_focusEvents.clear();
  SetFocus(button_);
  ASSERT_EQ(GetFocus(), button_);
  WriteProperty(kMain, kButton, 6, 1);
  EXPECT_EQ(GetFocus(), Handle(kMain, kOther));
  EXPECT_EQ(g_focusEvents, (std::vector<std::string>{"gained", "lost"}));
}

TEST_F(SuperBtnTest, EnterPressesTheDefaultStyleButtonWhereverTheFocusIs) {
  realWindow_ = true;
  StartWith([](SuperBtnProperties& p) {
    p.defaultStyle = 1;
    AssignWave(&p.clickSound, "clic");
  });
  auto enter = [] {
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    RuntimeApp::Get().PumpWaiting();
  };
  HWND other = Handle(kMain, kOther);
  SetFocus(other);
  ASSERT_EQ(GetFocus(), other);
  enter();
  EXPECT_EQ(Log(), std::vector<std::string>{"clicked 0"});
  EXPECT_EQ(GetFocus(), other);

  // With the focus on it, Enter clicks it: the click sound plays as well.
  SetFocus(button_);
  ClearLog();
  g_sounds.clear();
  enter();
  EXPECT_EQ(Log(), std::vector<std::string>{"clicked 0"});
  EXPECT_EQ(g_sounds.size(), 1u);

  // A normal-style button is left alone.
  WriteProperty(kMain, kButton, 8 + kDefaultStyle, 0);
  SetFocus(other);
  ClearLog();
  enter();
  EXPECT_EQ(std::count(Log().begin(), Log().end(), "clicked 0"), 0);
}

TEST_F(SuperBtnTest, ToolTipIsMadeOnFirstNeedAndFollowsTheText) {
  StartWith([](SuperBtnProperties&) {});
  EXPECT_EQ(Unit()->tooltip, nullptr);
  WriteProperty(kMain, kButton, 8 + kBtnToolTip, Addr("点击升级"));
  HWND tip = Unit()->tooltip;
  ASSERT_TRUE(tip);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  char text[64] = {};
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = button_;
  tool.uId = 1;
  tool.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, "点击升级");
  WriteProperty(kMain, kButton, 8 + kBtnToolTip, 0);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

// Kind 9 visits the face name, the caption and the tooltip, in that order.
std::vector<std::string> g_visited;
char* __stdcall Visit(char* text, int32_t faceName, uint32_t) {
  g_visited.push_back(std::to_string(faceName) + text);
  if (faceName) std::memcpy(text, "Tahoma", 7);
  return faceName ? nullptr : MakeTextCopy("X");
}

TEST(SuperBtnTexts, VisitorSeesFaceCaptionTooltipAndMayReplaceThem) {
  SuperBtnProperties p;
  ASSERT_TRUE(ResetSuperBtnProperties(&p, {0, 0}));
  LogFontBytes font{};
  std::memcpy(font.faceName, "Arial", 6);
  p.font.Assign(&font, sizeof font);
  p.toolTip.AssignText("tip");
  PropertyBytes block = SaveSuperBtnProperties(p);
  uint32_t length = block.size();
  auto visit = reinterpret_cast<VisitTextsFn>(SuperBtnEntry(kEntryVisitTexts));
  void* made = visit(block.data(), &length, &Visit, 0);
  ASSERT_TRUE(made);
  EXPECT_EQ(g_visited, (std::vector<std::string>{"1Arial", "0超级按钮", "0tip"}));
  SuperBtnProperties back;
  ASSERT_TRUE(LoadSuperBtnProperties(&back, static_cast<uint8_t*>(made), length, {0, 0}));
  EXPECT_STREQ(back.caption.text(), "X");
  EXPECT_STREQ(back.toolTip.text(), "X");
  LogFontBytes face{};
  ASSERT_TRUE(FontOf(back.font, &face));
  EXPECT_STREQ(face.faceName, "Tahoma");
  FreeMemory(made);
  uint32_t bad = 4;
  const uint8_t later[4] = {3, 0, 0, 0};  // version 3
  EXPECT_EQ(visit(later, &bad, &Visit, 0), nullptr);
  EXPECT_EQ(bad, 0u);
  // Nor is a unit made from it.
  auto create = reinterpret_cast<CreateUnitFn>(SuperBtnEntry(kEntryCreateUnit));
  EXPECT_EQ(create(later, 4, 0, nullptr, 1, nullptr, 0, 0, 10, 10, 1, 2, 0, 0), nullptr);
}

}  // namespace
