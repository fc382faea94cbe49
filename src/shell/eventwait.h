#pragma once

namespace zel {

// One round of the window's pending events, operator input included.
void processPendingEvents();

// Waits ms milliseconds without freezing the window: it keeps painting, and
// timers, sockets and the serial port are served, but no operator input is
// handled meanwhile, so no click handler can start in the middle of the
// caller. Nothing spins.
void pauseWithoutFreezing(int ms);

} // namespace zel
