#pragma once
#include "display/display.h"

// The demo window's procedure: keys, the windowed/full-screen switch, the
// blit rectangles, repaint, cursor, fixed size and the end of the show.
host::LRESULT MainWndProc(Display& display, host::HWND window, uint32_t message, host::WPARAM wParam,
                          host::LPARAM lParam);
