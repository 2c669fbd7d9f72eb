// The game's side of the sound bank: a sound slot of -1 (a file that did not
// load) is never started or changed.
#pragma once

int StartGameSound(int nSound);
int SetGameSoundVolume(int nSound, int nVolume);
// 1 while the slot's sound plays; a slot of -1 never plays.
int IsGameSoundPlaying(int nSound);
