// The drawing pipeline's costs: parsing a 20,000-face .x file, decoding a
// 1024x1024 bitmap, presenting a frame, and frames of lit, textured meshes
// through the headless renderer: 1,000 meshes of 100 faces, a wave of 100
// rock-sized meshes of 320 faces all in view, and a full field of 1,000 of
// them of which most lie outside the view (a frame should stay well under 30 ms).
#include "bmp_reader.h"
#include "bmp_writer.h"
#include "d3dx8_api.h"
#include "mesh_builder.h"
#include "xfile_parser.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <string>
#include <vector>

namespace {

// A grid of quads, each written as two triangles with its own normal and
// the usual texture coordinates: `side` x `side` quads.
std::string gridXFile(int side) {
    std::string text = "xof 0302txt 0032\nMesh grid {\n";
    const int points = (side + 1) * (side + 1);
    text += std::to_string(points) + ";\n";
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            text += std::to_string(x) + ".0;" + std::to_string(y) + ".0;" + std::to_string((x * y) % 7) + ".25;,\n";
    text.back() = '\n';
    text[text.size() - 2] = ';';
    const int faces = side * side * 2;
    text += std::to_string(faces) + ";\n";
    std::string normalFaces;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int a = y * (side + 1) + x, b = a + 1, c = a + side + 1, d = c + 1;
            text += "3;" + std::to_string(a) + "," + std::to_string(c) + "," + std::to_string(b) + ";,\n";
            text += "3;" + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d) + ";,\n";
            normalFaces += "3;0,0,0;,\n3;1,1,1;,\n";
        }
    text[text.size() - 2] = ';';
    normalFaces[normalFaces.size() - 2] = ';';
    text += "MeshNormals { 2; 0.0;0.0;-1.0;, 0.0;0.6;-0.8;;\n" + std::to_string(faces) + ";\n" + normalFaces + "}\n";
    text += "MeshTextureCoords { " + std::to_string(points) + ";\n";
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            text += std::to_string(x / double(side)) + ";" + std::to_string(y / double(side)) + ";,\n";
    text[text.size() - 2] = ';';
    text += "}\nMeshMaterialList { 1; 1; 0;; Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }\n}\n";
    return text;
}

void ParseXFile20000Faces(benchmark::State& state) {
    const std::string text = gridXFile(100);  // 100 x 100 quads = 20,000 triangles
    for (auto _ : state) {
        platform::XFileScene scene;
        platform::MeshData mesh;
        std::string error;
        if (!platform::parseXFile(text, scene, error) || !platform::buildMesh(scene, 65535, mesh, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(ParseXFile20000Faces)->Unit(benchmark::kMillisecond);

void DecodeBmp1024x1024(benchmark::State& state) {
    std::vector<uint32_t> texels(1024 * 1024);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint32_t(i * 2654435761u) & 0x00FFFFFFu;
    const std::string file = platform::encodeBmp(1024, 1024, texels);
    for (auto _ : state) {
        const platform::DecodeResult result =
            platform::decodeBmp(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        if (!result.ok) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.image.texels.data());
    }
}
BENCHMARK(DecodeBmp1024x1024)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- a frame

LRESULT benchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

struct BenchDevice {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;

    BenchDevice() {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = benchWindowProc;
        wc.lpszClassName = "Pipeline Bench";
        RegisterClassExA(&wc);
        HWND window = CreateWindowExA(0, "Pipeline Bench", "Pipeline Bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                      800, 600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 800;
        params.BackBufferHeight = 600;
        params.BackBufferFormat = D3DFMT_A8R8G8B8;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D24S8;
        if (window && d3d)
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device);
    }
    ~BenchDevice() {
        if (device) device->Release();
        if (d3d) d3d->Release();
    }
};

struct MeshVertex {
    float x, y, z, nx, ny, nz;
    DWORD diffuse;
    float u, v;
};

// A bumpy 5 x 10 patch of quads: 100 triangles on 66 shared vertices.
void makeMesh(IDirect3DDevice8* device, IDirect3DVertexBuffer8** vb, IDirect3DIndexBuffer8** ib) {
    std::vector<MeshVertex> vertices;
    for (int y = 0; y <= 5; ++y)
        for (int x = 0; x <= 10; ++x)
            vertices.push_back({x - 5.0f, y - 2.5f, float((x + y) % 2), 0.0f, 0.3f, -0.95f, 0xFFFFFFFF,
                                x / 10.0f, y / 5.0f});
    std::vector<uint16_t> indices;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) {
            const uint16_t a = uint16_t(y * 11 + x), b = uint16_t(a + 1), c = uint16_t(a + 11), d = uint16_t(c + 1);
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    device->CreateVertexBuffer(UINT(vertices.size() * sizeof(MeshVertex)), 0, 0x152, D3DPOOL_MANAGED, vb);
    device->CreateIndexBuffer(UINT(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib);
    BYTE* data = nullptr;
    (*vb)->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(MeshVertex));
    (*vb)->Unlock();
    (*ib)->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), indices.size() * 2);
    (*ib)->Unlock();
}

void setUpScene(IDirect3DDevice8* device, IDirect3DTexture8* texture) {
    D3DXMATRIX view, projection;
    D3DXMatrixTranslation(&view, 0, 0, 0);
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_AMBIENT, 0x11111111);
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.5f, 0.5f, 0.5f, 0};
    sun.Direction = {0, -1, 1};
    sun.Range = 1000;
    device->SetLight(0, &sun);
    device->LightEnable(0, TRUE);
    D3DLIGHT8 red{};
    red.Type = D3DLIGHT_POINT;
    red.Position = {0, 0, 240};
    red.Diffuse = red.Ambient = {1, 0, 0, 0};
    red.Range = 100;
    device->SetLight(1, &red);
    device->LightEnable(1, TRUE);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
}

void drawFrame(IDirect3DDevice8* device, IDirect3DVertexBuffer8* vb, IDirect3DIndexBuffer8* ib) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    for (int i = 0; i < 1000; ++i) {
        D3DXMATRIX scale, turn, move;
        D3DXMatrixScaling(&scale, 0.3f, 0.3f, 0.3f);
        D3DXMatrixRotationZ(&turn, i * 0.1f);
        D3DXMatrixTranslation(&move, float(i % 40 - 20) * 10.0f, float(i / 40 - 12) * 8.0f, 250.0f);
        const D3DXMATRIX world = scale * turn * move;
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetVertexShader(0x152);
        device->SetStreamSource(0, vb, sizeof(MeshVertex));
        device->SetIndices(ib, 0);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 66, 0, 100);
        device->SetVertexShader(0);
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

// Frames on a headless device with the lit, textured scene and the mesh that
// `make` builds: `prepare` adds what the frame needs beyond the scene, three
// frames compile the renderer's shaders for these states, then `draw` runs
// once per iteration.
template <typename Prepare, typename Draw>
void runMeshFrames(benchmark::State& state,
                   void (*make)(IDirect3DDevice8*, IDirect3DVertexBuffer8**, IDirect3DIndexBuffer8**),
                   Prepare prepare, Draw draw) {
    BenchDevice bench;
    IDirect3DDevice8* device = bench.device;
    if (!device) {
        state.SkipWithError("no headless device");
        return;
    }
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    make(device, &vb, &ib);
    IDirect3DTexture8* texture = nullptr;
    D3DXCreateTexture(device, 64, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture);
    setUpScene(device, texture);
    prepare(device);
    for (int i = 0; i < 3; ++i) draw(device, vb, ib);
    for (auto _ : state) draw(device, vb, ib);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    device->SetTexture(0, nullptr);
    texture->Release();
    vb->Release();
    ib->Release();
}

void FrameOf1000LitMeshes(benchmark::State& state) {
    runMeshFrames(state, makeMesh, [](IDirect3DDevice8*) {}, drawFrame);
}
BENCHMARK(FrameOf1000LitMeshes)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- rock fields

// A bumpy ball of radius about 50 on 320 triangles and 162 shared vertices:
// an icosahedron whose faces are split in four twice.
void makeRock(IDirect3DDevice8* device, IDirect3DVertexBuffer8** vb, IDirect3DIndexBuffer8** ib) {
    const float t = 1.618034f;
    std::vector<std::array<float, 3>> points = {{-1, t, 0}, {1, t, 0},  {-1, -t, 0}, {1, -t, 0},
                                                {0, -1, t}, {0, 1, t},  {0, -1, -t}, {0, 1, -t},
                                                {t, 0, -1}, {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    std::vector<uint16_t> faces = {0, 11, 5, 0, 5,  1, 0, 1, 7, 0, 7,  10, 0, 10, 11, 1, 5, 9, 5, 11,
                                   4, 11, 10, 2, 10, 7, 6, 7, 1, 8, 3, 9,  4, 3,  4,  2, 3, 2, 6, 3,
                                   6, 8,  3, 8,  9, 4, 9, 5, 2, 4, 11, 6,  2, 10, 8,  6, 7, 9, 8, 1};
    for (int round = 0; round < 2; ++round) {
        std::map<std::pair<uint16_t, uint16_t>, uint16_t> middles;
        auto middle = [&](uint16_t a, uint16_t b) {
            const auto key = std::minmax(a, b);
            auto found = middles.find(key);
            if (found != middles.end()) return found->second;
            const auto& p = points[a];
            const auto& q = points[b];
            points.push_back({(p[0] + q[0]) / 2, (p[1] + q[1]) / 2, (p[2] + q[2]) / 2});
            return middles[key] = uint16_t(points.size() - 1);
        };
        std::vector<uint16_t> split;
        for (size_t f = 0; f < faces.size(); f += 3) {
            const uint16_t a = faces[f], b = faces[f + 1], c = faces[f + 2];
            const uint16_t ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
            split.insert(split.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        faces = std::move(split);
    }
    std::vector<MeshVertex> vertices;
    for (size_t i = 0; i < points.size(); ++i) {
        const auto& p = points[i];
        const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        const float nx = p[0] / length, ny = p[1] / length, nz = p[2] / length;
        const float radius = 50.0f + float(i % 5) * 2.0f - 4.0f;
        vertices.push_back({nx * radius, ny * radius, nz * radius, nx, ny, nz, 0xFFFFFFFF,
                            0.5f + std::atan2(nz, nx) / 6.2831853f, 0.5f - std::asin(ny) / 3.1415927f});
    }
    device->CreateVertexBuffer(UINT(vertices.size() * sizeof(MeshVertex)), 0, 0x152, D3DPOOL_MANAGED, vb);
    device->CreateIndexBuffer(UINT(faces.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib);
    BYTE* data = nullptr;
    (*vb)->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(MeshVertex));
    (*vb)->Unlock();
    (*ib)->Lock(0, 0, &data, 0);
    std::memcpy(data, faces.data(), faces.size() * 2);
    (*ib)->Unlock();
}

struct RockPlacement {
    float x, y, scale, turn;
};

// The play view: the camera 350 units in front of the play plane at z 250,
// so that the plane shows about 386 x 290 units.
void setUpPlayView(IDirect3DDevice8* device) {
    D3DXMATRIX view, projection;
    D3DXMatrixTranslation(&view, 0, 0, 100);
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

void drawRocks(IDirect3DDevice8* device, IDirect3DVertexBuffer8* vb, IDirect3DIndexBuffer8* ib,
               const std::vector<RockPlacement>& rocks) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    for (const RockPlacement& rock : rocks) {
        D3DXMATRIX scale, turnX, turnY, move;
        D3DXMatrixScaling(&scale, rock.scale, rock.scale * 0.8f, rock.scale * 1.1f);
        D3DXMatrixRotationX(&turnX, rock.turn);
        D3DXMatrixRotationY(&turnY, rock.turn * 0.7f);
        D3DXMatrixTranslation(&move, rock.x, rock.y, 250.0f);
        const D3DXMATRIX world = scale * turnX * turnY * move;
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetVertexShader(0x152);
        device->SetStreamSource(0, vb, sizeof(MeshVertex));
        device->SetIndices(ib, 0);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 162, 0, 320);
        device->SetVertexShader(0);
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void runRockFrames(benchmark::State& state, const std::vector<RockPlacement>& rocks) {
    runMeshFrames(
        state, makeRock,
        [](IDirect3DDevice8* device) {
            setUpPlayView(device);
            device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        },
        [&rocks](IDirect3DDevice8* device, IDirect3DVertexBuffer8* vb, IDirect3DIndexBuffer8* ib) {
            drawRocks(device, vb, ib, rocks);
        });
}

// A wave of 100 rocks, all in view: 32,000 triangles to draw.
void FrameOf100RocksInView(benchmark::State& state) {
    std::vector<RockPlacement> rocks;
    for (int i = 0; i < 100; ++i)
        rocks.push_back({float(i % 10) * 36.0f - 162.0f, float(i / 10) * 27.0f - 121.0f,
                         0.16f + float(i % 11) * 0.02f, i * 0.37f});
    runRockFrames(state, rocks);
}
BENCHMARK(FrameOf100RocksInView)->Unit(benchmark::kMillisecond);

// A full field of 1,000 rocks spread over 1,400 x 1,400 units around the
// ship, as the streaming keeps it: about one in fifteen lies in view.
void FrameOf1000RocksMostlyOutside(benchmark::State& state) {
    std::vector<RockPlacement> rocks;
    uint32_t seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % uint32_t(range));
    };
    for (int i = 0; i < 1000; ++i) {
        const float x = float(700 - next(1400)), y = float(700 - next(1400));
        rocks.push_back({x, y, 0.16f + float(next(11)) * 0.02f, float(next(628)) / 100.0f});
    }
    runRockFrames(state, rocks);
}
BENCHMARK(FrameOf1000RocksMostlyOutside)->Unit(benchmark::kMillisecond);

// Showing the back buffer on a window of its own size.
void Present800x600(benchmark::State& state) {
    BenchDevice bench;
    IDirect3DDevice8* device = bench.device;
    if (!device) {
        state.SkipWithError("no headless device");
        return;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
    for (int i = 0; i < 3; ++i) device->Present(nullptr, nullptr, nullptr, nullptr);
    for (auto _ : state) device->Present(nullptr, nullptr, nullptr, nullptr);
}
BENCHMARK(Present800x600)->Unit(benchmark::kMillisecond);

}  // namespace

// Weak, so that a benchmark main defined elsewhere in this program wins.
__attribute__((weak)) int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
