// One frame of the game: play, camera, world, music, menus, credits, the
// heads-up display and the pacing. GameFrame itself is declared with the
// entry point (WinMain.h).
#pragma once

#include "WinMain.h"
