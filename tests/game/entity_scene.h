// A headless 800x600 device set up as the game sets its own (no culling,
// alpha blending, the directional light and ambient), with a camera, for the
// entity tests that read pixels back.
#pragma once

#include "Camera.h"
#include "headless_device.h"

#include <cstdint>
#include <functional>
#include <vector>

class EntityScene {
public:
    // The camera sits at (0, 0, cameraZ) looking at (0, 0, targetZ).
    EntityScene(float cameraZ, float targetZ);

    IDirect3DDevice8* device() const { return m_device.device(); }
    CCamera* camera() { return &m_camera; }

    // Clears to black, runs draw between begin and end of scene, and keeps
    // the frame.
    void frame(const std::function<void()>& draw);
    // Pixels of the kept frame within [x0, x1) x [y0, y1) that pass the test.
    int count(int x0, int y0, int x1, int y1, const std::function<bool(uint32_t)>& test) const;
    int lit(int x0, int y0, int x1, int y1) const;

private:
    HeadlessDevice m_device;
    CCamera m_camera;
    std::vector<uint32_t> m_frame;
};
