#include "entity_scene.h"

#include "host.h"
#include "model_states.h"

EntityScene::EntityScene(float cameraZ, float targetZ) {
    IDirect3DDevice8* d = m_device.device();
    if (!d) return;
    testenv::setModelStates(d);

    m_camera.Init(d, m_device.window());
    m_camera.m_fZ = cameraZ;
    m_camera.LookAt(0.0f, 0.0f, targetZ);
    m_camera.Update(d, 0);
}

void EntityScene::frame(const std::function<void()>& draw) {
    IDirect3DDevice8* d = m_device.device();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d->BeginScene();
    draw();
    d->EndScene();
    m_frame = host::readBackBuffer();
}

int EntityScene::count(int x0, int y0, int x1, int y1,
                       const std::function<bool(uint32_t)>& test) const {
    const int width = host::backBufferWidth(), height = host::backBufferHeight();
    int n = 0;
    for (int y = y0; y < y1 && y < height; y++)
        for (int x = x0; x < x1 && x < width; x++)
            if (size_t(y) * width + x < m_frame.size() && test(m_frame[size_t(y) * width + x]))
                n++;
    return n;
}

int EntityScene::lit(int x0, int y0, int x1, int y1) const {
    return count(x0, y0, x1, y1, [](uint32_t p) { return (p & 0xFFFFFF) != 0; });
}
