// The millisecond tick counter behind GetTickCount and Sleep. Real time by
// default; tests switch it to a virtual clock that moves only when told to
// (and by a fixed step on every reading, so busy-waits end).
#pragma once

#include <cstdint>

namespace platform {

class TickClock {
public:
    static TickClock& instance();

    uint32_t now();                 // one reading; advances a virtual clock by its step
    void sleep(uint32_t milliseconds);

    void useVirtual(uint32_t start, uint32_t stepPerReading);
    void useReal();
    bool isVirtual() const { return m_virtual; }
    void advance(uint32_t milliseconds);
    uint32_t peek() const;          // the current value without stepping
    uint64_t sleptMilliseconds() const { return m_slept; }
    uint64_t readings() const { return m_readings; }

private:
    bool m_virtual = false;
    uint32_t m_virtualNow = 0;
    uint32_t m_step = 1;
    uint64_t m_slept = 0;
    uint64_t m_readings = 0;
};

}  // namespace platform
