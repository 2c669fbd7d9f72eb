// One frame of the game: play, camera, world, music, menus, credits, the
// heads-up display and the pacing. GameFrame itself is declared with the
// entry point (WinMain.h).
#pragma once

#include "WinMain.h"

// The frame's steps, in the order GameFrame runs them while playing; apart so
// that each can be measured on its own.
void Play();      // flight, weapons, pick-ups, Collide, the rock stream and the motion
void Collide();   // the ship, the shots and the missiles against the rocks
void FollowShip();
void DrawWorld();
void KeepMusicPlaying();
void AdvanceWaveClock();
