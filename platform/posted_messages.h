#pragma once
// Internal to platform/: the message queue of backends whose events all arrive as posted messages (the
// headless backend and the browser's, where the page delivers events only while the program waits for
// a frame). It defines peekMessage, getMessage, dispatchMessage and postQuitMessage for them; reading
// never waits, so with nothing queued getMessage gives an empty message (none can come meanwhile).

#include "platform/window.h"

namespace platform::detail {

// Queues an event behind those already posted.
void postEvent(const Event& event);

}  // namespace platform::detail
