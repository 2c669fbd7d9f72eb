// A headless full-screen device for the drawing objects' tests, with helpers
// to build small test files (24-bit BMP images, text .x meshes) and to read
// pixels back from the real renderer.
#pragma once

#include "GraphicsApp.h"
#include "d3d8_api.h"
#include "d3dx8_api.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drawtest {

struct Rgb {
    uint8_t r, g, b;
};

// Writes a bottom-up 24-bit BMP whose texel (x, y), row 0 at the top, is
// colourAt(x, y). Returns the path.
std::string writeBmp(const std::string& name, int width, int height,
                     const std::function<Rgb(int x, int y)>& colourAt);

struct MeshCorner {
    float x, y, z;
};

// A text .x file of triangles (three corners each) with one normal (0, 0, -1)
// for all corners and texture coordinates (x, y) scaled to 0..1 by the
// bounding box. materials, when given, are the diffuse colours (r, g, b, a)
// and faceMaterials the material number per face. Returns the path.
std::string writeMesh(const std::string& name, const std::vector<MeshCorner>& triangles,
                      const std::vector<D3DCOLORVALUE>& materials = {},
                      const std::vector<int>& faceMaterials = {}, bool vertexColours = false);

// A flat rectangle in the z = 0 plane from (x0, y0) to (x1, y1), two faces.
std::vector<MeshCorner> rectangle(float x0, float y0, float x1, float y1);

// The colour channels of an 0xAARRGGBB pixel.
inline int red(uint32_t p) { return (p >> 16) & 0xFF; }
inline int green(uint32_t p) { return (p >> 8) & 0xFF; }
inline int blue(uint32_t p) { return p & 0xFF; }
// True when every colour channel is within `tolerance` of the expected one.
bool near(uint32_t pixel, uint32_t expected, int tolerance = 3);
std::string hex(uint32_t value);

// Row-vector products for expectations, computed without D3DX.
D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b);
D3DMATRIX translation(float x, float y, float z);
D3DMATRIX scaling(float x, float y, float z);
D3DMATRIX rotationX(float radians);
D3DMATRIX rotationY(float radians);
D3DMATRIX rotationZ(float radians);
// A point through a matrix (row vector, w = 1): x, y, z, w.
void transform(const D3DMATRIX& m, float x, float y, float z, float out[4]);
bool matricesNear(const D3DMATRIX& a, const D3DMATRIX& b, float tolerance = 1e-5f);

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    IDirect3DDevice8* device() { return m_device; }
    HWND window() { return m_window; }

    // Fail the test (fatally: callers return on HasFatalFailure) when the
    // layer refuses to create managed resources or to draw.
    void requireResources();
    void requireDrawing();

    // A pure-translation view with the camera at (0, 0, -distance) looking
    // along +z, and the perspective projection the camera sets.
    void lookFromFront(float distance);

    void beginFrame(D3DCOLOR clear);
    void endFrame();
    uint32_t pixel(int x, int y);
    // Where a world point lands on the 800 x 600 back buffer under the
    // device's current view and projection.
    void project(float x, float y, float z, int* px, int* py);
    // Saves the back buffer for a person to look at when a test fails.
    void saveFrame(const std::string& name);

private:
    HWND m_window = nullptr;
    IDirect3DDevice8* m_device = nullptr;
    std::vector<uint32_t> m_frame;
};

}  // namespace drawtest
