// The whole game run in this process as the executable runs it: the entry
// point's window, InitGame, main-loop passes one at a time, ShutdownGame.
// Time is the virtual clock; keys and the mouse are scripted.
#pragma once

#include <memory>
#include <string>

class GameSession {
public:
    // Works in `runDir` (the generated run directory unless a test made its own).
    explicit GameSession(const std::string& runDir = std::string());
    ~GameSession();
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // Call before start: the sound output is never pumped, so a sound that
    // was started stays playing until it is stopped.
    void holdAudio();

    // InitGame's result. With `skipIntro`, ESC is held from the start, so the
    // intro shows one frame, and let go of once the start-up is done.
    int start(bool skipIntro = true);
    // One pass of the main loop: begin, the game frame, end (with the
    // recovery of a lost device), one waiting message handled.
    void frame();
    void frames(int count);
    // The pass's last step on its own: one waiting message handled (a quit
    // stays queued).
    void handleMessage();
    // Passes until `done` holds or `limit` passes ran; true when it held.
    template <typename Done>
    bool framesUntil(Done done, int limit) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            frame();
        }
        return done();
    }
    void finish();  // ShutdownGame, once

    void press(int dik);
    void release(int dik);
    // Key down for `count` passes, then up (and one more pass to see it up).
    void tap(int dik, int count = 1);

    // The menu cursor: moves the mouse so that the point the menus test (the
    // cursor less 8, 8) lands on (x, y), without a pass; pointAt adds one pass
    // for the motion.
    void aimCursor(int x, int y);
    void pointAt(int x, int y);
    // The left button down for one pass, then up for one.
    void click();
    // From the ship-select screen with the "ok" button; true when in play.
    bool startPlaying();

    // True once the game has posted its quit message (it stays queued).
    bool quitPosted();
    // Writes the last picture to build/test-output/screenshots/<name>.png.
    bool screenshot(const std::string& name);

private:
    bool m_started = false;
    bool m_finished = false;
    std::string m_previousDir;
    std::shared_ptr<void> m_heldAudio;
};
