// The OpenGL side of a device: the SDL window's context and the back buffer,
// an offscreen framebuffer of the device's size that Present shows on the
// window (scaled, aspect kept) and that tests read back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;

namespace platform {

class GlContext {
public:
    // Creates a context on the window with a back buffer of the given size.
    // Returns null (and says why on stderr) when OpenGL cannot be had.
    static std::shared_ptr<GlContext> create(SDL_Window* window, int width, int height);
    ~GlContext();

    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    void makeCurrent();
    // Binds the back buffer for drawing; every draw and clear goes there.
    void bindBackBuffer();
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Recreates the back buffer at a new size (a reset with other parameters).
    bool resize(int width, int height);
    // Shows the back buffer on the window.
    void present();
    // The back buffer as 0xAARRGGBB pixels, row 0 at the top.
    std::vector<uint32_t> readBackBuffer();
    // Puts the back buffer on the window as present does, without showing
    // it, and reads the window's pixels back likewise, with its size.
    std::vector<uint32_t> composeAndReadWindow(int& width, int& height);

private:
    GlContext() = default;
    bool createBackBuffer();
    void destroyBackBuffer();
    // Draws the back buffer onto the window's framebuffer, ready to be shown.
    void compose();

    SDL_Window* m_window = nullptr;
    void* m_context = nullptr;
    int m_width = 0;
    int m_height = 0;
    unsigned m_framebuffer = 0;
    unsigned m_colour = 0;
    unsigned m_depth = 0;
};

}  // namespace platform
