// Test view of the DirectMusic stand-in: how many of its objects (loaders,
// performances, segments, segment states) are alive, so that a test can see
// that everything it made was released. Never used by the game.
#pragma once

namespace host {

int liveMusicObjects();

}  // namespace host
