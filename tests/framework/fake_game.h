// A stand-in for the game's three operations, so the entry point and main
// loop can be driven from tests. Each test sets what it needs.
#pragma once

#include <functional>

struct FakeGame {
    int initResult = 1;
    bool createDevice = true;       // InitGame makes the full-screen device as the game does
    int initCalls = 0;
    int frames = 0;
    int shutdownCalls = 0;
    std::function<void(int frame)> onFrame;  // called in every GameFrame with its number (1, 2, ...)
    std::function<void()> onInit;            // called at the end of a successful InitGame

    static FakeGame& instance();
    // Runs the program's entry point once.
    static int runProgram();
};
