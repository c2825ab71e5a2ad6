// The EditBox unit (编辑框): a subclassed "EDIT" control with its own colours,
// font, input filters, an optional spinner at its right edge and an optional
// binding to a data-source unit of its window.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "forms/unit_contract.h"
#include "forms/window_template.h"
#include "framework/wnd.h"
#include "runtime/program_image.h"
#include "units/data_source.h"
#include "units/edit_box_properties.h"

class EditBoxUnit;

// The "msctls_updown32" control attached to a single-line box.
class EditBoxSpin : public Wnd {
 public:
  EditBoxSpin(EditBoxUnit* box, bool automatic) : box_(box), automatic_(automatic) {}
  void Forget() { box_ = nullptr; }
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnFinalMessage() override;

 private:
  void Step(int32_t delta);

  EditBoxUnit* box_;
  bool automatic_;
};

class EditBoxUnit : public Wnd {
 public:
  EditBoxUnit(WindowId windowId, UnitId unitId, uint32_t designMode)
      : windowId_(windowId), unitId_(unitId), designMode_(designMode) {}
  ~EditBoxUnit() override;

  // Operations, by own property index (full index - 8).
  bool Create(const uint8_t* block, uint32_t length, uint32_t style, HWND parent, uint32_t controlId,
              int32_t left, int32_t top, int32_t width, int32_t height);
  int32_t WriteProperty(int32_t index, const PropertyValue& value);
  bool ReadProperty(int32_t index, PropertyValue* value);
  // The current PropertyBlock as a new heap byte-set.
  void* SaveProperties();
  bool WantsKey(uint32_t key) const;

  // Used by the spinner.
  void ForgetSpin() { spin_ = nullptr; }
  void QueueSpinStep(int32_t delta, bool automatic);
  COLORREF TextColor() const;
  COLORREF BackColor() const;
  HBRUSH BackBrush() const { return brush_; }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnFinalMessage() override;

 private:
  bool SingleLine() const { return props_.multiLine == 0; }
  void SetTextQuietly(const char* text);
  std::string WindowText() const;
  // Selections in bytes of `text`, whatever the control counts.
  std::pair<size_t, size_t> ByteSelection(const std::string& text) const;
  void SetByteSelection(const std::string& text, size_t start, size_t end);
  void Select();
  // MaxAllowLength counts bytes, also where the control counts characters.
  bool ByteLimited() const;
  size_t RoomLeft() const;
  std::string WhatFits(const char* insert) const;
  bool RefusesInput(UINT message, WPARAM wParam);
  bool PasteWhatFits();
  void ApplyFont();
  void RebuildBrush();
  void CreateSpin(uint32_t style, HWND parent, uint32_t controlId);
  void PlaceSpin();
  void SetSpinRange();
  void SpinStepped(int32_t delta, bool automatic);
  void OnCommand(uint32_t code);
  void NormaliseOnFocusLoss();
  // Single-line drawing.
  void CentreClientRect(RECT* proposed);
  LRESULT HitTest(LPARAM lParam);
  void PaintFrame(WPARAM region);
  // Data binding.
  void Rebind();
  void Unlink();
  void ApplyReadOnly();
  void RefreshFromSource();
  int32_t BoundColumn();
  void OnSourceNotice(int32_t code, const DataSourceNotice* notice);

  EditBoxProperties props_;
  WindowId windowId_;
  UnitId unitId_;
  uint32_t designMode_;
  HFONT font_ = nullptr;
  HBRUSH brush_ = nullptr;
  EditBoxSpin* spin_ = nullptr;
  HWND sourceWindow_ = nullptr;  // the linked data-source unit
  DataSource* source_ = nullptr;
  volatile LONG programmatic_ = 0;  // set while the unit changes its own text
  enum class Trail { kNone, kPass, kDrop } pendingTrail_ = Trail::kNone;  // of a double-byte WM_CHAR
};

// The type's entry lookup and its record for the core library's table.
void* __stdcall EditBoxTypeEntry(int32_t kind);
DataTypeRecord EditBoxDataType();
constexpr uint32_t kEditBoxPropertyCount = 29;
constexpr uint32_t kEditBoxTypeFlags = 0x80000040;

// Private messages of the box.
constexpr UINT kFindBoundSource = 0x8070;  // answers the named DataSource*, or 0
