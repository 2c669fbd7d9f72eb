// The thread's message queue. Posted messages come out first in, first out;
// a quit request comes out only once nothing else is waiting, as Win32
// orders it. Closing the SDL window posts WM_CLOSE to it.
#pragma once

#include "win32_api.h"

#include <cstddef>

namespace platform {

// Registers the SDL event listener that turns window closes into messages (once).
void installMessagePump();
// Drops the messages still queued for a window that is gone.
void discardMessagesFor(HWND window);

size_t queuedMessageCount();
unsigned long dispatchedMessageCount();
void clearMessageQueue();

}  // namespace platform
