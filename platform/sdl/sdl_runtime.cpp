#include "sdl_runtime.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace platform {

void chooseHeadlessDriversIfNoDisplay() {
    const bool hasDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!hasDisplay && !std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
}

void leaveTheSoftwareRasteriserOneCoreShort() {
    if (std::getenv("LP_NUM_THREADS")) return;
    const unsigned cores = std::thread::hardware_concurrency();
    const unsigned threads = cores > 2 ? cores - 1 : 1;
    setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 0);
}

bool ensureSdl(uint32_t subsystems) {
    if (SDL_WasInit(subsystems) == subsystems) return true;
    chooseHeadlessDriversIfNoDisplay();
    if (subsystems & SDL_INIT_VIDEO) leaveTheSoftwareRasteriserOneCoreShort();
    // Our tick counter and input are our own; SDL must not install signal
    // handlers that would turn Ctrl+C into a quit event we never asked for.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(subsystems) != 0) {
        std::fprintf(stderr, "platform: SDL could not start: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

}  // namespace platform
