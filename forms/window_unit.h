// The window unit (窗口, type 0x00010001 of the core library): entry 0 of
// every window's unit table, the top-level window the other units sit on.
// It owns the frame, title, icons, background colour, picture and sound, the
// keyboard handling for the units on it, and the closing sequence.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "forms/form_window.h"
#include "forms/unit_contract.h"
#include "forms/window_properties.h"
#include "forms/window_sound.h"
#include "pictures/picture_cache.h"
#include "runtime/program_image.h"

inline constexpr uint32_t kWindowUnitType = 0x00010001;
inline constexpr uint32_t kWindowTypeFlags = 0x800000D0;
inline constexpr uint32_t kWindowPropertyCount = 32;

// Private messages of the window.
enum : UINT {
  kBarRecomputeMessage = 0x8003,     // to a bar unit: recompute your size
  kTrayCallbackMessage = 0x8064,     // from the notification area
  kDeferredDestroyMessage = 0x8065,  // destroy when a reload is pending
  kPaintBackgroundMessage = 0x8389,  // wParam HDC, lParam RECT* clip
};
inline constexpr UINT kTrayIconId = 100;
inline constexpr uint32_t kTrayTipLimit = 62;  // bytes, without the terminator

// How windows talk to the notification area (Shell_NotifyIconA's shape);
// tests watch the calls. Null restores Shell_NotifyIconA.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAA* data);
void SetNotifyIconCall(NotifyIconCall call);

// Events of the window type.
enum WindowEvent : int32_t {
  kWindowLoaded = 0,
  kWindowQueryClose = 1,
  kWindowDestroyed = 2,
  kWindowMoved = 3,
  kWindowResized = 4,
  kWindowActivated = 5,
  kWindowDeactivated = 6,
  kWindowIdle = 7,
  kWindowFirstActivated = 8,
  kWindowTrayIcon = 9,
  kWindowShowing = 10,
  kWindowHiding = 11,
  kWindowCloseRequest = 12,
};

class WindowUnit : public FormWindow {
 public:
  WindowUnit() = default;
  ~WindowUnit() override;

  // Creation: reads the PropertyBlock (false for a version above 6),
  // then makes the window.
  bool Create(const uint8_t* block, uint32_t length, DWORD style, HWND owner, HMENU menu, int32_t left, int32_t top, int32_t width,
              int32_t height);

  // Attributes
  const WindowProperties& Properties() const { return props_; }
  // Position as read: 2 minimised, 3 maximised, else 0.
  int32_t LivePosition() const;
  bool HasTrayIcon() const { return trayIcon_ != nullptr; }
  const WindowSound& Sound() const { return sound_; }

  // Operations
  // Property index - 8 as the type entries pass it.
  bool ReadOwnProperty(int32_t index, PropertyValue* value);
  void WriteOwnProperty(int32_t index, const PropertyValue& value);
  // Puts, changes or (icon null) removes the notification-area icon; the
  // window owns the icon from now on. The tip is cut to 62 bytes.
  void SetTrayIcon(HICON icon, const char* tip);
  // Fills `clip` of `dc` with the background colour and picture.
  void PaintBackground(HDC dc, const RECT& clip);
  // A close request: events 12 and 1, then destruction unless refused.
  void RequestClose();

  // Overrides
  int32_t StartPosition() const override { return props_.position; }
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

  uint32_t childMode = 0;

 private:
  // Styles computed from the properties.
  DWORD TitleBits() const;
  DWORD FrameBits() const;
  DWORD ExtendedFrameBits() const;
  void ApplyTitleBits();
  void ApplyBorderStyle();
  void ApplyShape();
  void ApplyTopmost();
  void ApplyMovable();
  void ApplyPosition();
  void MakeIcons();
  void ReleaseIcons();
  void StartSound();
  void PrepareBackPicture();
  COLORREF BackColour() const;
  RECT PictureRect(const RECT& client) const;
  void DrawBackPicture(HDC dc, const RECT& client);

  // Events
  bool Refuses(int32_t event);
  LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
  void OnSetFocus();
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  void OnDestroy();
  void OnTrayCallback(LPARAM lParam);
  void LayoutBars();

  // Keyboard
  bool HandleKey(MSG* msg);
  bool HandleMnemonic(MSG* msg);
  bool HandleEnter(int32_t focused);
  bool MoveFocus(bool forward);
  bool MoveInGroup(int32_t focused, bool forward);
  bool OpenHelp();
  std::string HelpFileName() const;

  // The window's units
  int32_t UnitIndexOf(HWND hwnd) const;  // -1 when no unit holds it
  Wnd* UnitAt(uint32_t index) const;
  const DataTypeRecord* TypeAt(uint32_t index) const;
  int32_t TabOrderAt(uint32_t index) const;
  bool CanTakeFocus(uint32_t index) const;
  std::vector<uint32_t> TabSequence() const;
  uint32_t InitialFocus() const;  // 0: none
  bool IsDefaultButton(uint32_t index) const;

  WindowProperties props_;
  PictureCache backPicture_;
  WindowSound sound_;
  HICON bigIcon_ = nullptr;  // owned: made from the Icon property
  HICON smallIcon_ = nullptr;
  HICON trayIcon_ = nullptr;
  HWND rememberedFocus_ = nullptr;
  bool firstActivationDone_ = false;
  bool helpOpened_ = false;
  bool unitsReady_ = false;
  bool outlined_ = false;  // a window region is set
  bool created_ = false;   // CreateEx has returned the window
};

// The type's record for the core library's table (flags, the property
// descriptors of indices 0-31, the entry lookup).
DataTypeRecord WindowDataType();
