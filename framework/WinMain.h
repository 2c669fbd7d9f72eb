// The program's entry point, its window procedure, and the three operations
// of the game that the entry point calls.
#pragma once

#include "win32_api.h"

int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

int InitGame();
void GameFrame();
void ShutdownGame();
