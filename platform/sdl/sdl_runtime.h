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

// Without a GPU, Mesa's software rasteriser fills pixels on one thread per
// core by default, which leaves the program's own thread (transforming,
// lighting and handing over the next slice of work) competing with them for a
// core: frames then stall now and then. Unless the user has chosen a number
// (LP_NUM_THREADS), it gets one thread fewer than there are cores. Drivers
// for a GPU ignore the setting. Called before the video subsystem starts.
void leaveTheSoftwareRasteriserOneCoreShort();

}  // namespace platform
