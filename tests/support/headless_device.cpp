#include "headless_device.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <cstdlib>

HeadlessDevice::HeadlessDevice(int windowWidth, int windowHeight) {
#ifdef __SANITIZE_THREAD__
    // The software rasteriser's own worker threads are not instrumented and
    // only produce false reports; let it draw on the calling thread.
    setenv("LP_NUM_THREADS", "0", 1);
#endif
    m_window = testenv::makeTestWindow(windowWidth, windowHeight, true);
    m_d3d = Direct3DCreate8(D3D_SDK_VERSION);
    m_params.BackBufferWidth = 800;
    m_params.BackBufferHeight = 600;
    m_params.BackBufferFormat = D3DFMT_A8R8G8B8;
    m_params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_params.EnableAutoDepthStencil = TRUE;
    m_params.AutoDepthStencilFormat = D3DFMT_D24S8;
    if (m_window && m_d3d)
        m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, m_window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                            &m_params, &m_device);
    EXPECT_NE(m_device, nullptr) << "no headless device";
}

HeadlessDevice::~HeadlessDevice() {
    if (m_device) m_device->Release();
    if (m_d3d) m_d3d->Release();
    if (m_window) DestroyWindow(m_window);
}
