#include "Timer.h"

// Built right after g_App, before the game's objects (they follow at 1003).
__attribute__((init_priority(1002))) CTimer g_Timer;

CTimer::CTimer() : m_dwStart(0) {}

CTimer::~CTimer() {}

DWORD CTimer::GetTime() { return GetTickCount(); }

DWORD CTimer::Start() {
    m_dwStart = GetTime();
    return m_dwStart;
}

// Spins on the tick counter: the frame keeps the thread busy until its time is up.
DWORD CTimer::WaitUntil(DWORD dwMilliseconds) {
    while (GetTime() - m_dwStart < dwMilliseconds) {
    }
    return GetTime();
}

float CTimer::GetElapsedSeconds() {
    const DWORD dwElapsed = GetTime() - m_dwStart;
    return float(dwElapsed) / 1000.0f;
}

// With no time passed there is no rate to speak of: 0 rather than infinity.
float CTimer::GetFPS() {
    const float fSeconds = GetElapsedSeconds();
    return fSeconds > 0.0f ? 1.0f / fSeconds : 0.0f;
}
