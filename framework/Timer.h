// A millisecond stopwatch on the tick counter; it paces the frames.
#pragma once

#include "win32_api.h"

class CTimer {
public:
    CTimer();
    ~CTimer();

    DWORD GetTime();
    DWORD Start();
    DWORD WaitUntil(DWORD dwMilliseconds);
    float GetElapsedSeconds();
    float GetFPS();

    DWORD m_dwStart;
};

extern CTimer g_Timer;
