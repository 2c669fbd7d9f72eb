#include "message_queue.h"

#include "event_pump.h"
#include "tick_clock.h"
#include "window_registry.h"

#include <SDL.h>

#include <algorithm>
#include <deque>

namespace platform {

namespace {

struct Queue {
    std::deque<MSG> posted;
    bool quitPending = false;
    int quitCode = 0;
    unsigned long dispatched = 0;
    bool pumpInstalled = false;
};

Queue& queue() {
    static Queue q;
    return q;
}

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = TickClock::instance().peek();
    return msg;
}

void onSdlEvent(const SDL_Event& event) {
    if (event.type == SDL_QUIT) {
        if (HWND window = firstWindow()) PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (Window* w = findWindowBySdlId(event.window.windowID))
            PostMessageA(reinterpret_cast<HWND>(w), WM_CLOSE, 0, 0);
    }
}

}  // namespace

void installMessagePump() {
    if (queue().pumpInstalled) return;
    queue().pumpInstalled = true;
    addEventListener(onSdlEvent);
}

void discardMessagesFor(HWND window) {
    auto& posted = queue().posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const MSG& m) { return m.hwnd == window; }),
                 posted.end());
}

size_t queuedMessageCount() { return queue().posted.size() + (queue().quitPending ? 1 : 0); }
unsigned long dispatchedMessageCount() { return queue().dispatched; }

void clearMessageQueue() {
    queue().posted.clear();
    queue().quitPending = false;
}

}  // namespace platform

using namespace platform;

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) return FALSE;
    pumpEvents();
    Queue& q = queue();
    (void)window;  // one window: every message of the thread is its
    // A range of 0..0 takes every message; otherwise the first one within it.
    const bool all = filterMin == 0 && filterMax == 0;
    auto wanted = [&](UINT message) { return all || (message >= filterMin && message <= filterMax); };
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!wanted(it->message)) continue;
        *msg = *it;
        if (removeFlags & PM_REMOVE) q.posted.erase(it);
        return TRUE;
    }
    if (q.quitPending && wanted(WM_QUIT)) {
        *msg = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0);
        if (removeFlags & PM_REMOVE) q.quitPending = false;
        return TRUE;
    }
    return FALSE;
}

// Nothing in the program uses character messages, so there is nothing to translate.
BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    Window* window = findWindow(msg->hwnd);
    if (!window) return 0;
    ++queue().dispatched;
    return window->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !findWindow(window)) return FALSE;
    // A posted WM_QUIT too is an ordinary posted message, retrieved in its turn.
    queue().posted.push_back(makeMessage(window, message, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    queue().quitPending = true;
    queue().quitCode = exitCode;
}
