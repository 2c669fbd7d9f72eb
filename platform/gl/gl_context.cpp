#include "gl_context.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cstdio>

namespace platform {

std::shared_ptr<GlContext> GlContext::create(SDL_Window* window, int width, int height) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "platform: no OpenGL context: %s\n", SDL_GetError());
        return nullptr;
    }
    std::shared_ptr<GlContext> gl(new GlContext);
    gl->m_window = window;
    gl->m_context = context;
    gl->m_width = width;
    gl->m_height = height;
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(0);  // frames are paced by the program itself
    if (!gl->createBackBuffer()) {
        std::fprintf(stderr, "platform: the OpenGL framebuffer could not be made\n");
        return nullptr;
    }
    return gl;
}

GlContext::~GlContext() {
    if (!m_context) return;
    makeCurrent();
    destroyBackBuffer();
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

void GlContext::makeCurrent() {
    if (SDL_GL_GetCurrentContext() != m_context)
        SDL_GL_MakeCurrent(m_window, static_cast<SDL_GLContext>(m_context));
}

bool GlContext::createBackBuffer() {
    glGenFramebuffers(1, &m_framebuffer);
    glGenRenderbuffers(1, &m_colour);
    glGenRenderbuffers(1, &m_depth);
    glBindRenderbuffer(GL_RENDERBUFFER, m_colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, m_width, m_height);
    glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, m_width, m_height);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glViewport(0, 0, m_width, m_height);
    return complete;
}

void GlContext::destroyBackBuffer() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (m_framebuffer) glDeleteFramebuffers(1, &m_framebuffer);
    if (m_colour) glDeleteRenderbuffers(1, &m_colour);
    if (m_depth) glDeleteRenderbuffers(1, &m_depth);
    m_framebuffer = m_colour = m_depth = 0;
}

bool GlContext::resize(int width, int height) {
    makeCurrent();
    destroyBackBuffer();
    m_width = width;
    m_height = height;
    return createBackBuffer();
}

void GlContext::bindBackBuffer() {
    makeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glViewport(0, 0, m_width, m_height);
}

void GlContext::present() {
    makeCurrent();
    compose();
    SDL_GL_SwapWindow(m_window);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
}

void GlContext::compose() {
    int windowWidth = 0, windowHeight = 0;
    SDL_GL_GetDrawableSize(m_window, &windowWidth, &windowHeight);
    // Scale the back buffer to fit the window, keeping its aspect, centred on black.
    const double scale = std::min(double(windowWidth) / m_width, double(windowHeight) / m_height);
    const int shownWidth = int(m_width * scale), shownHeight = int(m_height * scale);
    const int left = (windowWidth - shownWidth) / 2, bottom = (windowHeight - shownHeight) / 2;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    // Only bars beside or above the picture need the black; a picture that
    // fills the window covers every pixel itself.
    if (shownWidth != windowWidth || shownHeight != windowHeight) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    // At 1:1 every pixel is copied as it is; filtering only matters when scaling.
    const bool unscaled = shownWidth == m_width && shownHeight == m_height;
    glBlitFramebuffer(0, 0, m_width, m_height, left, bottom, left + shownWidth, bottom + shownHeight,
                      GL_COLOR_BUFFER_BIT, unscaled ? GL_NEAREST : GL_LINEAR);
}

namespace {

// A framebuffer's colour as 0xAARRGGBB pixels, row 0 at the top.
std::vector<uint32_t> readPixels(unsigned framebuffer, int width, int height) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    if (framebuffer == 0) glReadBuffer(GL_BACK);  // where the picture is composed
    std::vector<uint32_t> bottomUp(size_t(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bottomUp.data());
    std::vector<uint32_t> pixels(bottomUp.size());
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottomUp[size_t(height - 1 - y) * width], width, &pixels[size_t(y) * width]);
    return pixels;
}

}  // namespace

std::vector<uint32_t> GlContext::readBackBuffer() {
    makeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    return readPixels(m_framebuffer, m_width, m_height);
}

std::vector<uint32_t> GlContext::composeAndReadWindow(int& width, int& height) {
    makeCurrent();
    compose();
    SDL_GL_GetDrawableSize(m_window, &width, &height);
    std::vector<uint32_t> pixels = readPixels(0, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    return pixels;
}

}  // namespace platform
