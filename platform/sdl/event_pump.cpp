#include "event_pump.h"

#include <SDL.h>

#include <map>

namespace platform {

namespace {
std::map<int, EventListener>& listeners() {
    static std::map<int, EventListener> table;
    return table;
}
int g_nextToken = 1;
}  // namespace

int addEventListener(EventListener listener) {
    const int token = g_nextToken++;
    listeners()[token] = std::move(listener);
    return token;
}

void removeEventListener(int token) { listeners().erase(token); }

void pumpEvents() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // Copy: a listener may add or remove listeners.
        const auto current = listeners();
        for (const auto& entry : current) entry.second(event);
    }
}

}  // namespace platform
