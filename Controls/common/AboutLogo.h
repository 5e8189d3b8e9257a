#pragma once
// The suite's logo, drawn at the top left of the About box: a 32 x 32 tile
// of our own (a raised tile with a sunken navy well holding a gold "T").
#include "platform/win/gdi.h"

namespace controls {

constexpr int kLogoSize = 32;

// The logo's colour at a pixel (0x00RRGGBB), for drawing and for tests.
uint32_t SuiteLogoPixel(int x, int y);
// A new 32-bit bitmap of the logo; the caller deletes it (0 on failure).
platform::win::HBITMAP CreateSuiteLogo();

} // namespace controls
