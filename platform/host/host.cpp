#include "host.h"

#include "d3d_device.h"
#include "dsound_buffer.h"
#include "gl_context.h"
#include "message_queue.h"
#include "png_file.h"
#include "sdl_runtime.h"
#include "tick_clock.h"
#include "window_registry.h"

#include <SDL.h>

namespace host {

using platform::D3DDevice;
using platform::TickClock;

void useVirtualClock(DWORD start, DWORD stepPerReading) {
    TickClock::instance().useVirtual(start, stepPerReading);
}
void useRealClock() { TickClock::instance().useReal(); }
void advanceClock(DWORD milliseconds) { TickClock::instance().advance(milliseconds); }
DWORD clockNow() { return TickClock::instance().peek(); }
uint64_t sleptMilliseconds() { return TickClock::instance().sleptMilliseconds(); }
uint64_t clockReadings() { return TickClock::instance().readings(); }

size_t queuedMessages() { return platform::queuedMessageCount(); }
unsigned long dispatchedMessages() { return platform::dispatchedMessageCount(); }
void clearMessages() { platform::clearMessageQueue(); }

WindowCreation windowCreation(HWND handle) {
    WindowCreation out;
    const platform::Window* window = platform::findWindow(handle);
    if (!window) return out;
    out.exists = true;
    out.className = window->className;
    out.title = window->title;
    out.style = window->style;
    out.x = window->createdX;
    out.y = window->createdY;
    out.width = window->createdWidth;
    out.height = window->createdHeight;
    return out;
}

DWORD soundCooperativeLevel(IDirectSound* directSound, HWND* window) {
    return platform::cooperativeLevelOf(directSound, window);
}

void requestWindowClose() {
    if (!platform::ensureSdl(SDL_INIT_EVENTS)) return;
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

platform::DeviceFaults& deviceFaults() { return platform::DeviceFaults::instance(); }

IDirect3DDevice8* currentDevice() { return D3DDevice::current(); }

int defaultPoolResources() {
    D3DDevice* device = D3DDevice::current();
    return device ? device->defaultPoolResources() : 0;
}

int backBufferWidth() {
    D3DDevice* device = D3DDevice::current();
    return device ? device->gl().width() : 0;
}

int backBufferHeight() {
    D3DDevice* device = D3DDevice::current();
    return device ? device->gl().height() : 0;
}

std::vector<uint32_t> readBackBuffer() {
    D3DDevice* device = D3DDevice::current();
    return device ? device->gl().readBackBuffer() : std::vector<uint32_t>{};
}

uint32_t backBufferPixel(int x, int y) {
    const auto pixels = readBackBuffer();
    const int width = backBufferWidth(), height = backBufferHeight();
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixels[size_t(y) * width + x];
}

std::vector<uint32_t> readPresentedWindow(int& width, int& height) {
    width = height = 0;
    D3DDevice* device = D3DDevice::current();
    return device ? device->gl().composeAndReadWindow(width, height) : std::vector<uint32_t>{};
}

bool captureBackBuffer(const std::string& pngPath) {
    const auto pixels = readBackBuffer();
    if (pixels.empty()) return false;
    return platform::writePng(pngPath, backBufferWidth(), backBufferHeight(), pixels);
}

}  // namespace host
