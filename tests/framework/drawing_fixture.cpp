#include "drawing_fixture.h"

#include "Camera.h"
#include "game_device.h"
#include "host.h"
#include "test_env.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace drawtest {

namespace {

LRESULT TestWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

void putLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

}  // namespace

std::string writeBmp(const std::string& name, int width, int height,
                     const std::function<Rgb(int x, int y)>& colourAt) {
    const int rowBytes = (width * 3 + 3) & ~3;
    std::string data;
    data += "BM";
    putLe(data, 54 + rowBytes * height, 4);
    putLe(data, 0, 4);
    putLe(data, 54, 4);
    putLe(data, 40, 4);
    putLe(data, uint32_t(width), 4);
    putLe(data, uint32_t(height), 4);  // positive: bottom-up
    putLe(data, 1, 2);
    putLe(data, 24, 2);
    putLe(data, 0, 4);
    putLe(data, rowBytes * height, 4);
    putLe(data, 2835, 4);
    putLe(data, 2835, 4);
    putLe(data, 0, 4);
    putLe(data, 0, 4);
    for (int row = height - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const Rgb c = colourAt(x, row);
            line.push_back(char(c.b));
            line.push_back(char(c.g));
            line.push_back(char(c.r));
        }
        line.resize(rowBytes, '\0');
        data += line;
    }
    const std::string path = testenv::outputPath(name);
    std::ofstream(path, std::ios::binary) << data;
    return path;
}

std::vector<MeshCorner> rectangle(float x0, float y0, float x1, float y1) {
    return {{x0, y0, 0}, {x0, y1, 0}, {x1, y1, 0}, {x0, y0, 0}, {x1, y1, 0}, {x1, y0, 0}};
}

std::string writeMesh(const std::string& name, const std::vector<MeshCorner>& triangles,
                      const std::vector<D3DCOLORVALUE>& materials,
                      const std::vector<int>& faceMaterials, bool vertexColours) {
    const size_t vertices = triangles.size();
    const size_t faces = vertices / 3;
    float minX = 1e30f, maxX = -1e30f, minY = 1e30f, maxY = -1e30f;
    for (const MeshCorner& c : triangles) {
        minX = std::fmin(minX, c.x);
        maxX = std::fmax(maxX, c.x);
        minY = std::fmin(minY, c.y);
        maxY = std::fmax(maxY, c.y);
    }
    const float spanX = maxX > minX ? maxX - minX : 1.0f;
    const float spanY = maxY > minY ? maxY - minY : 1.0f;

    std::ostringstream x;
    x << "xof 0302txt 0032\n";
    x << "Mesh test {\n " << vertices << ";\n";
    for (size_t i = 0; i < vertices; ++i)
        x << " " << triangles[i].x << ";" << triangles[i].y << ";" << triangles[i].z << ";"
          << (i + 1 < vertices ? "," : ";") << "\n";
    x << " " << faces << ";\n";
    for (size_t f = 0; f < faces; ++f)
        x << " 3;" << 3 * f << "," << 3 * f + 1 << "," << 3 * f + 2 << ";"
          << (f + 1 < faces ? "," : ";") << "\n";

    x << " MeshNormals {\n  1;\n  0.0;0.0;-1.0;;\n  " << faces << ";\n";
    for (size_t f = 0; f < faces; ++f) x << "  3;0,0,0;" << (f + 1 < faces ? "," : ";") << "\n";
    x << " }\n";

    x << " MeshTextureCoords {\n  " << vertices << ";\n";
    for (size_t i = 0; i < vertices; ++i)
        x << "  " << (triangles[i].x - minX) / spanX << ";" << (maxY - triangles[i].y) / spanY
          << ";" << (i + 1 < vertices ? "," : ";") << "\n";
    x << " }\n";

    if (vertexColours) {
        x << " MeshVertexColors {\n  " << vertices << ";\n";
        for (size_t i = 0; i < vertices; ++i)
            x << "  " << i << ";1.0;1.0;1.0;1.0;;" << (i + 1 < vertices ? "," : ";") << "\n";
        x << " }\n";
    }

    if (!materials.empty()) {
        x << " MeshMaterialList {\n  " << materials.size() << ";\n  " << faces << ";\n";
        for (size_t f = 0; f < faces; ++f)
            x << "  " << (f < faceMaterials.size() ? faceMaterials[f] : 0)
              << (f + 1 < faces ? "," : ";") << "\n";
        for (const D3DCOLORVALUE& m : materials)
            x << "  Material {\n   " << m.r << ";" << m.g << ";" << m.b << ";" << m.a
              << ";;\n   0.0;\n   0.0;0.0;0.0;;\n   0.0;0.0;0.0;;\n  }\n";
        x << " }\n";
    }
    x << "}\n";

    const std::string path = testenv::outputPath(name);
    std::ofstream(path, std::ios::binary) << x.str();
    return path;
}

bool near(uint32_t pixel, uint32_t expected, int tolerance) {
    return std::abs(red(pixel) - red(expected)) <= tolerance &&
           std::abs(green(pixel) - green(expected)) <= tolerance &&
           std::abs(blue(pixel) - blue(expected)) <= tolerance;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[r][k] * b.m[k][c];
            out.m[r][c] = sum;
        }
    return out;
}

D3DMATRIX translation(float x, float y, float z) {
    D3DMATRIX m = identity();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

D3DMATRIX scaling(float x, float y, float z) {
    D3DMATRIX m = identity();
    m._11 = x;
    m._22 = y;
    m._33 = z;
    return m;
}

D3DMATRIX rotationX(float a) {
    D3DMATRIX m = identity();
    m._22 = std::cos(a);
    m._23 = std::sin(a);
    m._32 = -std::sin(a);
    m._33 = std::cos(a);
    return m;
}

D3DMATRIX rotationY(float a) {
    D3DMATRIX m = identity();
    m._11 = std::cos(a);
    m._13 = -std::sin(a);
    m._31 = std::sin(a);
    m._33 = std::cos(a);
    return m;
}

D3DMATRIX rotationZ(float a) {
    D3DMATRIX m = identity();
    m._11 = std::cos(a);
    m._12 = std::sin(a);
    m._21 = -std::sin(a);
    m._22 = std::cos(a);
    return m;
}

void transform(const D3DMATRIX& m, float x, float y, float z, float out[4]) {
    const float in[4] = {x, y, z, 1.0f};
    for (int c = 0; c < 4; ++c) {
        out[c] = 0.0f;
        for (int k = 0; k < 4; ++k) out[c] += in[k] * m.m[k][c];
    }
}

bool matricesNear(const D3DMATRIX& a, const D3DMATRIX& b, float tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(a.m[r][c] - b.m[r][c]) > tolerance) return false;
    return true;
}

void DrawingTest::SetUp() {
    WNDCLASSEX wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof(WNDCLASSEX);
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Drawing Test";
    RegisterClassExA(&wc);
    m_window = CreateWindowExA(0, "Drawing Test", "Drawing Test", WS_POPUP | WS_VISIBLE, 0, 0, 640,
                               480, nullptr, nullptr, wc.hInstance, nullptr);
    testenv::makeGameDevice(m_window);
    m_device = g_App.m_pDevice;
}

void DrawingTest::TearDown() {
    // Lets go of whatever the device still has bound from the test.
    testenv::releaseGameDevice(m_window);
    m_device = nullptr;
    m_window = nullptr;
}

void DrawingTest::requireResources() {
    IDirect3DVertexBuffer8* buffer = nullptr;
    const HRESULT hr = m_device->CreateVertexBuffer(112, 0, 0x144, D3DPOOL_MANAGED, &buffer);
    if (buffer) buffer->Release();
    ASSERT_TRUE(SUCCEEDED(hr)) << "the layer refuses to create a managed vertex buffer: " << hex(uint32_t(hr));
}

void DrawingTest::requireDrawing() {
    requireResources();
    if (HasFatalFailure()) return;
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_TRUE(SUCCEEDED(m_device->CreateVertexBuffer(112, 0, 0x144, D3DPOOL_MANAGED, &buffer)));
    BYTE* data = nullptr;
    buffer->Lock(0, 112, &data, 0);
    if (data) std::memset(data, 0, 112);
    buffer->Unlock();
    m_device->SetVertexShader(0x144);
    m_device->SetStreamSource(0, buffer, 28);
    const HRESULT hr = m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    m_device->SetStreamSource(0, nullptr, 0);
    m_device->SetVertexShader(0);
    buffer->Release();
    ASSERT_TRUE(SUCCEEDED(hr)) << "the layer refuses to draw: " << hex(uint32_t(hr));
}

void DrawingTest::lookFromFront(float distance) {
    CCamera camera;
    camera.Init(m_device, m_window);
    camera.m_fZ = -distance;
    camera.LookAt(0.0f, 0.0f, 0.0f);
    camera.Update(m_device, 0);
}

void DrawingTest::beginFrame(D3DCOLOR clear) {
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    m_device->BeginScene();
    m_frame.clear();
}

void DrawingTest::endFrame() {
    m_device->EndScene();
    m_frame = host::readBackBuffer();
}

uint32_t DrawingTest::pixel(int x, int y) {
    if (m_frame.empty()) m_frame = host::readBackBuffer();
    const int width = host::backBufferWidth(), height = host::backBufferHeight();
    if (x < 0 || y < 0 || x >= width || y >= height || m_frame.empty()) return 0;
    return m_frame[size_t(y) * width + x];
}

void DrawingTest::project(float x, float y, float z, int* px, int* py) {
    D3DMATRIX view, projection;
    m_device->GetTransform(D3DTS_VIEW, &view);
    m_device->GetTransform(D3DTS_PROJECTION, &projection);
    float clip[4];
    transform(multiply(view, projection), x, y, z, clip);
    *px = int(std::floor((clip[0] / clip[3] + 1.0f) * 0.5f * 800.0f));
    *py = int(std::floor((1.0f - clip[1] / clip[3]) * 0.5f * 600.0f));
}

void DrawingTest::saveFrame(const std::string& name) {
    host::captureBackBuffer(testenv::outputPath(name));
}

}  // namespace drawtest
