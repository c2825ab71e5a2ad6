#include "units/border_style.h"

void ApplyBorderStyle(HWND unit, int32_t style) {
  constexpr LONG kEdges = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
  LONG exStyle = GetWindowLongA(unit, GWL_EXSTYLE) & ~kEdges;
  LONG plain = GetWindowLongA(unit, GWL_STYLE) & ~WS_BORDER;
  switch (style) {
    case 1: exStyle |= WS_EX_CLIENTEDGE; break;
    case 2: exStyle |= WS_EX_DLGMODALFRAME; break;
    case 3: exStyle |= WS_EX_STATICEDGE; break;
    case 4: exStyle |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME; break;
    case 5: plain |= WS_BORDER; break;
    default: break;
  }
  SetWindowLongA(unit, GWL_EXSTYLE, exStyle);
  SetWindowLongA(unit, GWL_STYLE, plain);
  SetWindowPos(unit, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
