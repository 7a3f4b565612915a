// What a host backend must provide, in parts: a clock, real windows and
// input, the toolkit's forms, a screen to show the primary surface on, and
// an audio stream. The window system, display device and module player above
// it are shared by every backend; only these calls differ between a desktop
// and a headless run. A caller that needs one part takes only that part.
#pragma once
#include "host/audio_out.h"
#include "host/clock.h"
#include "host/form_host.h"
#include "host/screen.h"
#include "host/window_host.h"

namespace host {

class Backend : public Clock, public WindowHost, public FormHost, public Screen, public AudioOut {};

}  // namespace host
