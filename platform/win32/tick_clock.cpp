#include "tick_clock.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {
uint32_t realMilliseconds() {
    using namespace std::chrono;
    static const auto origin = steady_clock::now();
    // Start well away from zero so that a wrap is as far off as on a freshly booted machine.
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - origin).count()) +
           1000u;
}
}  // namespace

TickClock& TickClock::instance() {
    static TickClock clock;
    return clock;
}

uint32_t TickClock::now() {
    ++m_readings;
    if (!m_virtual) return realMilliseconds();
    const uint32_t value = m_virtualNow;
    m_virtualNow += m_step;
    return value;
}

uint32_t TickClock::peek() const { return m_virtual ? m_virtualNow : realMilliseconds(); }

void TickClock::sleep(uint32_t milliseconds) {
    m_slept += milliseconds;
    if (m_virtual) {
        m_virtualNow += milliseconds;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TickClock::useVirtual(uint32_t start, uint32_t stepPerReading) {
    m_virtual = true;
    m_virtualNow = start;
    m_step = stepPerReading;
}

void TickClock::useReal() { m_virtual = false; }

void TickClock::advance(uint32_t milliseconds) { m_virtualNow += milliseconds; }

}  // namespace platform
