// Starts SDL's subsystems once for the whole process, on first use.
#pragma once

#include <cstdint>

namespace platform {

// Starts the given SDL subsystems (SDL_INIT_* flags) if they are not yet running.
// Returns false, with SDL's message in lastError(), when SDL refuses.
bool ensureSdl(uint32_t subsystems);

// Selects headless drivers when the process has no display to talk to, so that
// nothing probes for servers that are not there.
void chooseHeadlessDriversIfNoDisplay();

}  // namespace platform
