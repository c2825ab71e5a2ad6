// An owner-drawn push button with flat, 3D and XP looks, colours per state,
// pictures with transparent colours, sounds, a tooltip, a check-box mode and
// a default-button mode. The SuperBtn unit stands on it. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>

#include "framework/wnd.h"
#include "units/fancy_button_layout.h"

// How buttons play their sounds (PlaySoundA's shape); tests watch the calls.
// Buttons and windows share the one sound of the process, and so the player.
using ButtonSoundPlayer = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);
// Null restores PlaySoundA.
void SetButtonSoundPlayer(ButtonSoundPlayer player);

// Where buttons read the system colours (GetSysColor's shape), so that a
// button can be shown over another colour scheme. Null restores GetSysColor.
using SystemColourSource = DWORD(WINAPI*)(int index);
void SetButtonColourSource(SystemColourSource source);
COLORREF ButtonSystemColour(int index);

// The WAVE resource of the built-in click sound.
inline constexpr char kStandardClickSound[] = "uxa2_IDR_WAVE1";

// WAV bytes a button plays, not owned by it; bytes that are no sound file,
// or whose chunks reach past `size`, are not played.
struct ButtonSound {
  const uint8_t* bytes = nullptr;
  uint32_t size = 0;
};

// The six working colours, in the order the button keeps them.
enum ButtonColour : int { kTextOut, kBackOut, kTextIn, kBackIn, kTextFocus, kBackFocus, kButtonColourCount };

// A picture of the button: its bitmap (transparent pixels turned black) and
// a monochrome mask in which the transparent pixels are 1.
struct ButtonPicture {
  HBITMAP bitmap = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  HBITMAP mask = nullptr;
  bool empty() const { return bitmap == nullptr; }
};

// Makes the mask of `bitmap` for a transparent colour (0xFF000000: the
// colour of pixel (0, 0)) and blackens the transparent pixels; false (the
// bitmap untouched) when the size cannot be read or the mask not made.
bool MakeButtonPicture(HBITMAP bitmap, uint32_t transparent, ButtonPicture* out);
void FreeButtonPicture(ButtonPicture* picture);

class FancyButton : public Wnd {
 public:
  ~FancyButton() override;

  // Attributes: the drawing state.
  bool flat = true;  // the flat and XP looks
  bool xp = false;
  bool hovering = false;
  bool pressed = false;
  bool focused = false;
  bool disabled = false;
  bool checkBoxMode = false;
  bool checked = false;
  bool defaultButton = false;
  POINT pressShift{1, 1};
  SIZE pictureMargin{3, 3};
  int32_t alignment = kPictureLeft;
  bool drawBorder = true;
  bool drawFocus = false;
  bool systemColours = true;  // reload the colours from the system on every draw
  COLORREF colours[kButtonColourCount]{};
  ButtonPicture pictures[kPictureSlotCount];
  bool standardSound = false;
  ButtonSound hoverSound;
  ButtonSound clickSound;
  HWND tooltip = nullptr;
  bool trackHover = true;

  // Operations
  // Style 0 flat, 1 3D, 2 XP; press style 0 left to right, 1 top to bottom.
  void SetLook(int32_t style);
  void SetPressStyle(int32_t style);
  // Replaces a picture slot by a bitmap the button then owns (null clears
  // the slot). False when the mask cannot be made: the bitmap is deleted
  // and the slot keeps its picture.
  bool SetPicture(PictureSlot slot, HBITMAP bitmap, uint32_t transparent);
  // Creates the tooltip on first need; an empty text removes the tool.
  void SetToolTip(const char* text);
  void SetChecked(bool on);
  void EndHover();
  // The type bits of a style the button takes over: notes the check-box and
  // default types and answers the style with the owner-draw type.
  DWORD TakeOverStyle(DWORD style);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL PreTranslateMessage(MSG* msg) override;

  // Overridables
  virtual void OnClicked() {}
  virtual void OnFocusChanged(bool /*gained*/) {}

  void PlayHoverSound();
  void PlayClickSound();
  void ReleaseResources();

 private:
  void DrawItem(const DRAWITEMSTRUCT& item);
  void DrawBackground(HDC dc, RECT* rect);
  void DrawEdges(HDC dc, const RECT& rect);
  void DrawPicture(HDC dc, const RECT& item, RECT* textRect, bool hasText);
  void DrawCaption(HDC dc, RECT textRect, const char* text);
  void OnMouseMove(WPARAM keys);
  void OnDisabled();
  void PlayBytes(const ButtonSound& wav);
};
