// Ctrl-C and SIGTERM ask the program to end, whatever it is doing: the
// window system then closes every window as its close button would, a box
// on the screen gives up waiting, and the program ends in order, with the
// status a shell expects (128 + the signal's number).
#pragma once

namespace host {

void CatchStopSignals();
// The signal that asked the program to end; 0 while none has.
int StopSignal();

}  // namespace host
