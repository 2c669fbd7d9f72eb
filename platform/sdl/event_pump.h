// One pump for every SDL event the process receives. The message queue, the
// input devices and anything else that cares register a listener; whoever
// needs fresh events (PeekMessageA, a keyboard read) calls pumpEvents().
#pragma once

#include <functional>

union SDL_Event;

namespace platform {

using EventListener = std::function<void(const SDL_Event&)>;

// Returns a token for removeEventListener.
int addEventListener(EventListener listener);
void removeEventListener(int token);

// Polls every waiting SDL event and hands each to every listener, in order.
void pumpEvents();

}  // namespace platform
