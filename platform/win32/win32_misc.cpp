// Tick counter, Sleep, MulDiv and the current folder.
#include "tick_clock.h"
#include "win32_api.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

using platform::TickClock;

DWORD GetTickCount() { return TickClock::instance().now(); }

void Sleep(DWORD milliseconds) { TickClock::instance().sleep(milliseconds); }

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    // Rounded to nearest, halves away from zero.
    long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(denominator));
    const long long result = negative ? -magnitude : magnitude;
    if (result > 0x7FFFFFFF || result < -0x7FFFFFFFLL - 1) return -1;
    return static_cast<int>(result);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char path[4096];
    if (!getcwd(path, sizeof path)) return 0;
    const DWORD length = static_cast<DWORD>(std::strlen(path));
    // Too small a buffer: the size needed, terminator included, and nothing written.
    if (!buffer || bufferLength <= length) return length + 1;
    std::memcpy(buffer, path, length + 1);
    return length;
}
