#pragma once
#include "host/win.h"

struct Demo;

// The demo window's procedure: keys, the windowed/full-screen switch, the
// blit rectangles, repaint, cursor, fixed size and the end of the show.
host::LRESULT MainWndProc(Demo& demo, host::HWND window, uint32_t message, host::WPARAM wParam,
                          host::LPARAM lParam);
