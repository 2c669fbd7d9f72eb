#include "render_fixture.h"

#include "host.h"
#include "model_states.h"
#include "png_file.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace artcheck {
namespace {

constexpr DWORD kMeshFvf = 0x152;  // position, normal, diffuse, one uv pair
constexpr float kPi = 3.14159265f;

struct MeshVertex {
    float x, y, z, nx, ny, nz;
    DWORD diffuse;
    float u, v;
};

template <class T>
void release(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

double luminance(uint32_t argb) {
    return 0.299 * ((argb >> 16) & 0xFF) + 0.587 * ((argb >> 8) & 0xFF) + 0.114 * (argb & 0xFF);
}

// Rows of the bounding box of the covered pixels; false when none is.
bool coveredRows(const Frame& f, int& top, int& bottom) {
    top = f.height;
    bottom = -1;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            if (f.covered(x, y)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                break;
            }
    return bottom >= top;
}

}  // namespace

double Frame::coverage() const {
    size_t n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) n += covered(x, y);
    return pixels.empty() ? 0.0 : double(n) / double(pixels.size());
}

double Frame::meanLuminance(double y0, double y1) const {
    int top, bottom;
    if (!coveredRows(*this, top, bottom)) return 0.0;
    const int span = bottom - top + 1;
    const int from = top + int(y0 * span), to = top + int(y1 * span);
    double sum = 0;
    size_t n = 0;
    for (int y = from; y < to && y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (covered(x, y)) {
                sum += luminance(pixels[size_t(y) * width + x]);
                ++n;
            }
    return n ? sum / double(n) : 0.0;
}

void Frame::meanColour(double rgb[3]) const {
    double sum[3] = {0, 0, 0};
    size_t n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (covered(x, y)) {
                const uint32_t p = pixels[size_t(y) * width + x];
                sum[0] += (p >> 16) & 0xFF;
                sum[1] += (p >> 8) & 0xFF;
                sum[2] += p & 0xFF;
                ++n;
            }
    for (int i = 0; i < 3; ++i) rgb[i] = n ? sum[i] / double(n) : 0.0;
}

bool Frame::bounds(int& x0, int& y0, int& x1, int& y1) const {
    x0 = width;
    y0 = height;
    x1 = y1 = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (covered(x, y)) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x + 1);
                y1 = std::max(y1, y + 1);
            }
    return x1 > x0;
}

Model::~Model() {
    release(texture);
    release(mesh);
}

D3DXMATRIX placement(D3DXVECTOR3 scale, D3DXVECTOR3 rotation, D3DXVECTOR3 position) {
    const float toRadians = kPi / 180.0f;
    D3DXMATRIX s, rx, ry, rz, t;
    D3DXMatrixScaling(&s, scale.x, scale.y, scale.z);
    D3DXMatrixRotationX(&rx, rotation.x * toRadians);
    D3DXMatrixRotationY(&ry, rotation.y * toRadians);
    D3DXMatrixRotationZ(&rz, rotation.z * toRadians);
    D3DXMatrixTranslation(&t, position.x, position.y, position.z);
    return s * rx * ry * rz * t;
}

D3DXMATRIX placement(float scale, float rotX, float rotY, float rotZ, float x, float y, float z) {
    return placement({scale, scale, scale}, {rotX, rotY, rotZ}, {x, y, z});
}

void saveCrop(const Frame& frame, int x, int y, int w, int h, int zoom, const std::string& name) {
    std::vector<uint32_t> out(size_t(w) * h * zoom * zoom, 0xFF000000);
    for (int oy = 0; oy < h * zoom; ++oy)
        for (int ox = 0; ox < w * zoom; ++ox) {
            const int sx = x + ox / zoom, sy = y + oy / zoom;
            if (sx >= 0 && sy >= 0 && sx < frame.width && sy < frame.height)
                out[size_t(oy) * w * zoom + ox] = frame.pixels[size_t(sy) * frame.width + sx];
        }
    const std::string path = testenv::outputPath(name);
    EXPECT_TRUE(platform::writePng(path, w * zoom, h * zoom, out)) << "cannot write " << path;
}

RenderFixture::RenderFixture() {
    m_device = m_headless.device();
    if (m_device) setGameStates();
}

RenderFixture::~RenderFixture() {}

// The states the game leaves set for its models.
void RenderFixture::setGameStates() {
    testenv::setModelStates(m_device);
    m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    m_device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
}

std::unique_ptr<Model> RenderFixture::load(const std::string& meshFile) {
    if (!m_device) return nullptr;
    const std::string media = testenv::runDir() + "/media/";
    auto model = std::make_unique<Model>();
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* loaded = nullptr;
    HRESULT hr = D3DXLoadMeshFromX((media + meshFile).c_str(), D3DXMESH_MANAGED, m_device, nullptr, &materials,
                                   &materialCount, &loaded);
    EXPECT_EQ(hr, D3D_OK) << "cannot load " << meshFile;
    if (FAILED(hr)) return nullptr;
    if (materials && materialCount > 0) {
        const auto* list = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        if (list[0].pTextureFilename) model->textureFile = list[0].pTextureFilename;
    }
    release(materials);
    if (loaded->GetFVF() != kMeshFvf) {
        hr = loaded->CloneMeshFVF(D3DXMESH_MANAGED, kMeshFvf, m_device, &model->mesh);
        loaded->Release();
        EXPECT_EQ(hr, D3D_OK) << "cannot convert " << meshFile;
        if (FAILED(hr)) return nullptr;
    } else {
        model->mesh = loaded;
    }
    BYTE* data = nullptr;
    if (SUCCEEDED(model->mesh->LockVertexBuffer(0, &data))) {
        auto* vertices = reinterpret_cast<MeshVertex*>(data);
        for (DWORD i = 0; i < model->mesh->GetNumVertices(); ++i) vertices[i].diffuse = 0xFFFFFFFF;
        model->mesh->UnlockVertexBuffer();
    }
    EXPECT_FALSE(model->textureFile.empty()) << meshFile << " names no texture";
    if (!model->textureFile.empty()) {
        hr = D3DXCreateTextureFromFileA(m_device, (media + model->textureFile).c_str(), &model->texture);
        EXPECT_EQ(hr, D3D_OK) << "cannot load " << model->textureFile;
    }
    return model;
}

void RenderFixture::begin(float cameraZ, uint32_t clear) {
    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 0.0f, 0.0f, -cameraZ);  // looking along +z: a pure move
    m_device->SetTransform(D3DTS_VIEW, &view);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    m_device->BeginScene();
}

void RenderFixture::drawModel(const Model& model, const D3DXMATRIX& world, bool textured) {
    m_device->SetTransform(D3DTS_WORLD, &world);
    m_device->SetTexture(0, textured ? model.texture : nullptr);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, textured ? D3DTOP_MODULATE : D3DTOP_SELECTARG2);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    model.mesh->GetVertexBuffer(&vertices);
    model.mesh->GetIndexBuffer(&indices);
    m_device->SetVertexShader(kMeshFvf);
    m_device->SetStreamSource(0, vertices, sizeof(MeshVertex));
    m_device->SetIndices(indices, 0);
    m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, model.mesh->GetNumVertices(), 0,
                                   model.mesh->GetNumFaces());
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    release(vertices);
    release(indices);
}

Frame RenderFixture::finish() {
    m_device->EndScene();
    Frame f;
    f.width = host::backBufferWidth();
    f.height = host::backBufferHeight();
    f.pixels = host::readBackBuffer();
    return f;
}

Frame RenderFixture::draw(const Model& model, const D3DXMATRIX& world, float cameraZ, bool textured,
                          uint32_t clear) {
    if (!m_device || !model.mesh) return {};
    begin(cameraZ, clear);
    drawModel(model, world, textured);
    return finish();
}

Frame RenderFixture::draw(const std::vector<std::pair<const Model*, D3DXMATRIX>>& models, float cameraZ,
                          uint32_t clear) {
    if (!m_device) return {};
    begin(cameraZ, clear);
    for (const auto& [model, world] : models)
        if (model && model->mesh) drawModel(*model, world, true);
    return finish();
}

void RenderFixture::capture(const std::string& name) {
    const std::string path = testenv::outputPath(name);
    EXPECT_TRUE(host::captureBackBuffer(path)) << "cannot write " << path;
}

}  // namespace artcheck
