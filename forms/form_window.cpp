#include "forms/form_window.h"

FormWindow::~FormWindow() { SetAccelerators(nullptr); }

void FormWindow::Maximise() {
  if (Handle()) ShowWindow(Handle(), SW_MAXIMIZE);
}

void FormWindow::RestoreDisabledOwners() {
  for (const auto& [hwnd, enabled] : disabledOwners)
    if (::IsWindow(hwnd)) EnableWindow(hwnd, enabled);
  disabledOwners.clear();
  isModal = false;
}

void FormWindow::SetAccelerators(HACCEL table) {
  if (accelerators && accelerators != table) DestroyAcceleratorTable(accelerators);
  accelerators = table;
}
