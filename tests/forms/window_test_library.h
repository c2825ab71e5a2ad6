// The test library with the real window unit as type 0x00010001 and a test
// unit that answers IsDefaultButton, shared by the window tests and their
// child program.
#pragma once
#include <cstdint>
#include <vector>

#include "forms/window_properties.h"
#include "runtime/program_image.h"

// A test unit of default-capable type; it reports itself as the default
// button when its settings' number is 1.
constexpr uint32_t kDefaultButtonType = 0x00010009;

// Test units of label-like type (mnemonics pass the focus on) and of bar
// type (docked by the window by the two low bits of their style).
constexpr uint32_t kLabelLikeType = 0x0001000A;
constexpr uint32_t kBarType = 0x0001000B;

const LibraryInfo* WindowTestLibrary();
// The PropertyBlock of a window with these properties.
std::vector<uint8_t> WindowBlock(const WindowProperties& properties);
