// The screen texts of the game frame: the heads-up display, the "DEMO" mark
// and the credits roll.
#pragma once

void DrawHud();
void DrawDemoMark();
// Adds each credits line once its frame has come, then draws the roll.
void DrawCredits();
// Forgets which credits lines were added, for a new credits run.
void ClearCreditLines();
