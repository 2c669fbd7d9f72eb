// The rock field's share of one playing frame, taken apart: the move (the
// stream's step with its cull, then the drift and spin), the collisions (the
// ship, the shots and the missiles against the rocks) and the drawing of the
// rocks with the real rock mesh on the headless device. Two loads: a fresh
// wave of 100 rocks with a few shots and missiles in flight, and the field at
// capacity (1,000 rocks, 100 shots, 20 missiles, every spark alive).
#include "BlasterList.h"
#include "Camera.h"
#include "ExplosionList.h"
#include "GraphicsApp.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

LRESULT rockBenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The game's own device set-up (render states, scene light, camera at the
// default distance behind the play-field plane) and its pools at their sizes.
struct RockScene {
    IDirect3DDevice8* device = nullptr;
    CCamera camera;
    CRockField field{1000};
    CPlayerShip ship;
    CBlasterList shots{100};
    CMissileList missiles{20};
    CPowerUpList powerUps{5};
    CExplosionList explosions{50};
    CParticleSystem sparks;

    RockScene() {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (chdir(ROCK_RUN_DIR) != 0) return;
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = rockBenchWindowProc;
        wc.lpszClassName = "Rock Field Bench";
        RegisterClassExA(&wc);
        HWND window = CreateWindowExA(0, "Rock Field Bench", "Rock Field Bench", WS_POPUP | WS_VISIBLE, 0,
                                      0, 800, 600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window) return;
        g_App.CreateD3D();
        D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_A8R8G8B8};
        if (!g_App.InitFullscreen(&mode, D3DDEVTYPE_HAL, window)) return;
        g_App.SetDefaultRenderStates();
        g_App.SetDefaultLight();
        device = g_App.m_pDevice;
        camera.Init(device, window);
        camera.m_fZ = -100.0f;
        camera.Update(device, 0);
        sparks.Create(1000, device, 0xFFFFC040);
        if (!field.Load(device)) device = nullptr;
    }
};

RockScene& Scene() {
    static RockScene scene;
    return scene;
}

int R(int n) { return rand() % n; }

// Rocks, shots, missiles and sparks for one of the two loads, from a fixed
// seed. Rocks keep still so that every iteration sees the same field.
void Populate(RockScene& s, bool atCapacity) {
    s.field.Clear();
    s.shots.Clear();
    s.missiles.Clear();
    s.powerUps.Clear();
    for (int i = 0; i < s.explosions.m_nCount; ++i) s.explosions.Kill(i);
    for (int i = 0; i < s.sparks.m_nCount; ++i) s.sparks.Kill(i);
    s.ship.Reset();
    s.ship.m_fVelX = 0.5f;
    srand(2024);
    const int waves = atCapacity ? 10 : 1;
    for (int w = 0; w < waves; ++w) s.field.SpawnWave(&s.ship, 100.0f);
    // A rock on the ship, so the bounce is part of the frame.
    s.field.m_pRocks[0].m_fX = 12.0f;
    s.field.m_pRocks[0].m_fY = 0.0f;

    const int shotCount = atCapacity ? 100 : 10;
    const int missileCount = atCapacity ? 20 : 2;
    for (int i = 0; i < shotCount; ++i)
        s.shots.Fire(float(300 - R(600)), float(300 - R(600)), 250.0f, float(R(360)), 3.0f, 120, 10);
    for (int i = 0; i < missileCount; ++i) {
        const float heading = float(R(360));
        s.missiles.Fire(float(300 - R(600)), float(300 - R(600)), 250.0f, heading, heading, 2.5f, 120, 100);
    }
    if (atCapacity)
        for (int i = 0; i < s.sparks.m_nCount; ++i)
            s.sparks.Add(float(200 - R(400)), float(200 - R(400)), 245.0f, 0.1f, -0.1f, 1000);
}

// Everything a collision pass changes, copied once and written back before
// every pass.
struct Snapshot {
    std::vector<SRock> rocks;
    std::vector<SBlasterShot> shots;
    std::vector<SMissile> missiles;
    std::vector<SParticle> sparks;
    std::vector<SExplosion> explosions;
    std::vector<SPowerUp> powerUps;

    template <typename T>
    static void Take(std::vector<T>& copy, const T* records, int count) {
        copy.assign(records, records + count);
    }
    template <typename T>
    static void Put(const std::vector<T>& copy, T* records) {
        std::memcpy(static_cast<void*>(records), copy.data(), copy.size() * sizeof(T));
    }

    explicit Snapshot(RockScene& s) {
        Take(rocks, s.field.m_pRocks, s.field.m_nCount);
        Take(shots, s.shots.m_pShots, s.shots.m_nCount);
        Take(missiles, s.missiles.m_pMissiles, s.missiles.m_nCount);
        Take(sparks, s.sparks.m_pParticles, s.sparks.m_nCount);
        Take(explosions, s.explosions.m_pExplosions, s.explosions.m_nCount);
        Take(powerUps, s.powerUps.m_pPowerUps, s.powerUps.m_nCount);
    }
    void Restore(RockScene& s) const {
        Put(rocks, s.field.m_pRocks);
        Put(shots, s.shots.m_pShots);
        Put(missiles, s.missiles.m_pMissiles);
        Put(sparks, s.sparks.m_pParticles);
        Put(explosions, s.explosions.m_pExplosions);
        Put(powerUps, s.powerUps.m_pPowerUps);
        s.ship.m_fVelX = 0.5f;
        s.ship.m_fVelY = 0.0f;
        s.ship.m_nShields = 100;
        s.ship.m_nScore = 0;
        srand(7);
    }
};

RockScene* ReadyScene(benchmark::State& state, bool atCapacity) {
    RockScene& s = Scene();
    if (!s.device) {
        state.SkipWithError("no headless device or no rock mesh in the run directory");
        return nullptr;
    }
    Populate(s, atCapacity);
    return &s;
}

// The stream's step (no rock due this frame) with its cull, then Update.
void Move(benchmark::State& state, bool atCapacity) {
    RockScene* s = ReadyScene(state, atCapacity);
    if (!s) return;
    for (auto _ : state) {
        s->field.m_nStreamCounter = 0;
        s->field.Stream(&s->ship, 75, 1, 350);
        s->field.Update();
        benchmark::DoNotOptimize(s->field.m_pRocks[0].m_fRotX);
    }
    int live = 0;
    for (int i = 0; i < s->field.m_nCount; ++i) live += s->field.m_pRocks[i].m_nHitPoints != 0;
    state.counters["rocks"] = double(live);
}

// CollideShip, CollideShots and CollideMissiles on the same field every time.
void Collide(benchmark::State& state, bool atCapacity) {
    RockScene* s = ReadyScene(state, atCapacity);
    if (!s) return;
    const Snapshot before(*s);
    int destroyed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        before.Restore(*s);
        state.ResumeTiming();
        s->field.CollideShip(&s->ship, &s->sparks);
        destroyed += s->field.CollideShots(&s->shots, &s->ship, &s->sparks, &s->powerUps, &s->explosions);
        destroyed += s->field.CollideMissiles(&s->missiles, &s->ship, &s->sparks, &s->explosions);
    }
    benchmark::DoNotOptimize(destroyed);
    state.counters["score"] = double(s->ship.m_nScore);
}

// Clear, the rocks, present: the frame waits for the renderer to finish.
void DrawRocks(benchmark::State& state, bool atCapacity) {
    RockScene* s = ReadyScene(state, atCapacity);
    if (!s) return;
    auto frame = [s] {
        s->device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        s->device->BeginScene();
        s->field.Draw();
        s->device->EndScene();
        s->device->Present(nullptr, nullptr, nullptr, nullptr);
    };
    // The first frames compile the renderer's shaders for these states.
    for (int i = 0; i < 3; ++i) frame();
    for (auto _ : state) frame();
}

void WaveMove(benchmark::State& state) { Move(state, false); }
void FullFieldMove(benchmark::State& state) { Move(state, true); }
void WaveCollisions(benchmark::State& state) { Collide(state, false); }
void FullFieldCollisions(benchmark::State& state) { Collide(state, true); }
void WaveDraw(benchmark::State& state) { DrawRocks(state, false); }
void FullFieldDraw(benchmark::State& state) { DrawRocks(state, true); }

BENCHMARK(WaveMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(FullFieldMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(WaveCollisions)->Unit(benchmark::kMicrosecond);
BENCHMARK(FullFieldCollisions)->Unit(benchmark::kMicrosecond);
BENCHMARK(WaveDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(FullFieldDraw)->Unit(benchmark::kMillisecond);

}  // namespace
