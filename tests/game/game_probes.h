// What the whole-game tests look at: live records of the game's pools, the
// texts a trace saw, and run directories with files taken away.
#pragma once

#include "d3d8_api.h"

#include <string>
#include <vector>

class GameSession;
class CTextureFont;
class TextTrace;

int liveRocks();
int liveShots();
int liveMissiles();
int livePowerUps();
int liveExplosions();
void clearExplosions();

// From the ship-select screen into play with the "ok" button (fails the test
// when the game is not on that screen or does not start playing).
void startPlaying(GameSession& game);

// "text @x,y #colour": one text as the game draws it.
std::string textLine(const char* text, float x, float y, float r, float g, float b, float a);
// Every text drawn with `font` while the trace ran, in that form.
std::vector<std::string> described(const TextTrace& trace, const CTextureFont* font);

// A run directory like the real one in which the named files are missing.
std::string runDirWithout(const std::string& name, const std::vector<std::string>& missing);
