// The whole game, headless, as the executable runs it: the entry point's
// window, InitGame with ESC held (the intro shows one frame), then main-loop
// passes on the virtual clock, so the 30 ms pacing and the start-up waits cost
// nothing and only the work is measured.
//
// - A playing frame taken apart: the play step (flight, weapons, pick-ups,
//   collisions, stream, motion), the collisions alone, the drawing (begin,
//   camera, world, music, heads-up display) and Present; and the whole pass
//   (BeginFrame, GameFrame, EndFrame). Two loads: the first wave, and every
//   pool at capacity (1,000 rocks, 100 shots, 20 missiles, 50 explosions,
//   1,000 sparks, 20 rising texts, 5 power-ups), filled again before each pass.
// - A fresh process's start-up, a scripted minute of play after it (frame
//   work median, p99, max, and the frames over twice the median) and the
//   process's peak resident memory (VmHWM).
#include "game_session.h"

#include "BlasterList.h"
#include "ExplosionList.h"
#include "FloatingTextList.h"
#include "GameFrame.h"
#include "GameGlobals.h"
#include "Hud.h"
#include "Input.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"
#include "host.h"
#include "host_input.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The game as main runs it (the session the game's tests drive), on the
// headless drivers.
GameSession* NewSession() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return new GameSession(ROCK_RUN_DIR);
}

// InitGame with ESC held, so the intro ends after its first frame.
bool Start(GameSession& game) { return g_hWnd && game.start() != 0; }

// Keeps the ship flying: a destroyed ship would end play in the main menu.
void keepShipAlive() {
    if (g_Ship.m_nShields < 20) g_Ship.m_nShields = 100;
}

// The game of this process, started once and kept in play for the frame
// benchmarks: fire held, turning left with thrust, so shots, exhaust puffs
// and the rock stream all take part.
GameSession* PlayingGame() {
    static GameSession* game = NewSession();
    static const bool ready = [] {
        if (!Start(*game) || !game->startPlaying()) return false;
        host::pressKey(DIK_LCONTROL);
        host::pressKey(DIK_LEFT);
        host::pressKey(DIK_UP);
        return true;
    }();
    return ready ? game : nullptr;
}

int R(int n) { return rand() % n; }

// A fresh first wave, the same in every run.
void RestartFirstWave() {
    srand(7);
    NewGame();
    g_nGameState = GS_PLAYING;
}

// Every pool of the play field full, around the ship, from a fixed seed.
void FillToCapacity() {
    srand(2024);
    g_nGameState = GS_PLAYING;
    g_Ship.m_nShields = 100;
    g_Rocks.Clear();
    for (int w = 0; w < 10; ++w) g_Rocks.SpawnWave(&g_Ship, 100.0f);
    const float x = g_Ship.m_fX, y = g_Ship.m_fY;
    g_Blaster.Clear();
    for (int i = 0; i < 100; ++i)
        g_Blaster.Fire(x + float(300 - R(600)), y + float(300 - R(600)), 250.0f, float(R(360)), 3.0f, 120,
                       g_Ship.m_nShotDamage);
    g_Missiles.Clear();
    for (int i = 0; i < 20; ++i) {
        const float heading = float(R(360));
        g_Missiles.Fire(x + float(300 - R(600)), y + float(300 - R(600)), 250.0f, heading, heading, 2.5f,
                        120, 100);
    }
    for (int i = 0; i < g_Explosions.m_nCount; ++i) g_Explosions.Kill(i);
    for (int i = 0; i < g_Explosions.m_nCount; ++i)
        g_Explosions.Spawn(x + float(200 - R(400)), y + float(200 - R(400)), 250.0f, 1.0f, 1.0f,
                           D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
    for (int i = 0; i < g_Particles.m_nCount; ++i) g_Particles.Kill(i);
    for (int i = 0; i < g_Particles.m_nCount; ++i)
        g_Particles.Add(x + float(200 - R(400)), y + float(200 - R(400)), 245.0f, 0.1f, -0.1f, 100);
    for (int i = 0; i < g_BonusText.m_nCount; ++i) g_BonusText.Kill(i);
    for (int i = 0; i < g_BonusText.m_nCount; ++i)
        g_BonusText.Add(float(50 + R(600)), float(50 + R(500)), "Shield BONUS", D3DXCOLOR(0.0f, 1.0f, 0.0f, 1.0f),
                        50);
    g_PowerUps.Clear();
    for (int i = 0; i < 5; ++i)
        g_PowerUps.Spawn(x + float(200 - R(400)), y + float(200 - R(400)), 250.0f, i % 4);
}

enum class Load { FirstWave, Capacity };

// Before each pass, untimed: a new first wave every 300 passes (about nine
// seconds of play), or every pool filled again; and the ship kept alive.
void Prepare(benchmark::State& state, Load load, long pass) {
    state.PauseTiming();
    if (load == Load::Capacity)
        FillToCapacity();
    else if (pass % 300 == 0)
        RestartFirstWave();
    keepShipAlive();
    state.ResumeTiming();
}

GameSession* Ready(benchmark::State& state) {
    GameSession* game = PlayingGame();
    if (!game) state.SkipWithError("the game did not start into play");
    return game;
}

// One playing pass taken apart, in GameFrame's order; the 30 ms wait left out.
void PlayingFramePieces(benchmark::State& state, Load load) {
    GameSession* game = Ready(state);
    if (!game) return;
    double update = 0, draw = 0, present = 0;
    long pass = 0;
    for (auto _ : state) {
        Prepare(state, load, pass++);
        Clock::time_point t = Clock::now();
        g_Timer.Start();
        g_Input.m_Keyboard.Update();
        Play();
        update += secondsSince(t);
        t = Clock::now();
        g_App.BeginFrame();
        FollowShip();
        DrawWorld();
        KeepMusicPlaying();
        DrawHud();
        DrawDemoMark();
        draw += secondsSince(t);
        t = Clock::now();
        g_App.EndFrame();
        present += secondsSince(t);
        AdvanceWaveClock();
        game->handleMessage();
    }
    const auto perPass = benchmark::Counter::kAvgIterations;
    state.counters["update_ms"] = benchmark::Counter(update * 1e3, perPass);
    state.counters["draw_ms"] = benchmark::Counter(draw * 1e3, perPass);
    state.counters["present_ms"] = benchmark::Counter(present * 1e3, perPass);
}

// The collisions alone, on the field a playing pass left behind (with the
// capacity load, on the freshly filled field).
void PlayingFrameCollisions(benchmark::State& state, Load load) {
    GameSession* game = Ready(state);
    if (!game) return;
    long pass = 0;
    for (auto _ : state) {
        Prepare(state, load, pass++);
        Collide();
        state.PauseTiming();
        game->frame();
        state.ResumeTiming();
    }
}

// The whole main-loop pass; the virtual clock makes the 30 ms wait instant.
void PlayingFrameWhole(benchmark::State& state, Load load) {
    GameSession* game = Ready(state);
    if (!game) return;
    long pass = 0;
    for (auto _ : state) {
        Prepare(state, load, pass++);
        game->frame();
    }
}

void FirstWaveFramePieces(benchmark::State& state) { PlayingFramePieces(state, Load::FirstWave); }
void FirstWaveCollisions(benchmark::State& state) { PlayingFrameCollisions(state, Load::FirstWave); }
void FirstWaveFrameWhole(benchmark::State& state) { PlayingFrameWhole(state, Load::FirstWave); }
void CapacityFramePieces(benchmark::State& state) { PlayingFramePieces(state, Load::Capacity); }
void CapacityCollisions(benchmark::State& state) { PlayingFrameCollisions(state, Load::Capacity); }
void CapacityFrameWhole(benchmark::State& state) { PlayingFrameWhole(state, Load::Capacity); }

BENCHMARK(FirstWaveFramePieces)->Unit(benchmark::kMillisecond);
// The untimed frame between two passes is thousands of times longer than the
// pass, so the pass count is fixed rather than grown to fill the minimum time.
BENCHMARK(FirstWaveCollisions)->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(FirstWaveFrameWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(CapacityFramePieces)->Unit(benchmark::kMillisecond);
BENCHMARK(CapacityCollisions)->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(CapacityFrameWhole)->Unit(benchmark::kMillisecond);

// ---- A fresh process: start-up, a scripted minute, peak memory ----

const char* const kChildVariable = "ROCK_GAME_BENCH_CHILD";
const int kMinuteFrames = 1980;  // just under the third wave, which ends play in the credits

// The keys of pass `frame` of the scripted minute: fire always, a missile pair
// every five seconds, and the flight changing every three seconds.
void ScriptKeys(int frame) {
    static const int kSteer[][2] = {{DIK_UP, DIK_LEFT}, {DIK_RIGHT, 0}, {DIK_UP, 0}, {DIK_DOWN, DIK_LEFT}, {0, 0}};
    const int phase = frame / 100;
    if (frame % 100 == 0) {
        host::releaseAllInput();
        host::pressKey(DIK_LCONTROL);
        for (int key : kSteer[phase % 5])
            if (key) host::pressKey(key);
    }
    if (frame % 166 == 0) host::pressKey(DIK_SPACE);
    if (frame % 166 == 2) host::releaseKey(DIK_SPACE);
}

long PeakResidentKilobytes() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb;
}

// Runs in the child process: one line of results on stdout, then exits.
[[noreturn]] void RunFreshProcess(benchmark::State&) {
    GameSession& game = *NewSession();
    const Clock::time_point t0 = Clock::now();
    const bool started = Start(game);
    const double startup = secondsSince(t0);
    if (!started || !game.startPlaying()) {
        std::printf("failed\n");
        std::fflush(stdout);
        _exit(1);
    }
    std::vector<double> frames;
    frames.reserve(kMinuteFrames);
    int playing = 0;
    for (int i = 0; i < kMinuteFrames; ++i) {
        ScriptKeys(i);
        keepShipAlive();
        const Clock::time_point t = Clock::now();
        game.frame();
        frames.push_back(secondsSince(t));
        playing += g_nGameState == GS_PLAYING;
    }
    std::vector<double> sorted = frames;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double p99 = sorted[sorted.size() * 99 / 100];
    int spikes = 0;
    std::string where;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] <= 2 * median) continue;
        if (++spikes <= 8) where += (where.empty() ? "" : ",") + std::to_string(i) + ":" +
                                    std::to_string(frames[i] * 1e3).substr(0, 5);
    }
    std::printf("startup=%f median=%f p99=%f max=%f spikes=%d playing=%d hwm_kb=%ld where=%s\n", startup,
                median, p99, sorted.back(), spikes, playing, PeakResidentKilobytes(),
                where.empty() ? "-" : where.c_str());
    std::fflush(stdout);
    _exit(0);
}

// In the child (started with the variable set and a filter for it), the
// child's work is the only benchmark there is.
const bool kIsChild =
    getenv(kChildVariable) && benchmark::RegisterBenchmark("GameFreshProcessChild", RunFreshProcess);

// Start-up work (the manual time) of a new process of this program, and what
// its scripted minute of play measured, as counters.
void StartupAndMinuteInFreshProcess(benchmark::State& state) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0 || kIsChild) {
        state.SkipWithError("no path to this program");
        return;
    }
    self[n] = '\0';
    const std::string command = std::string(kChildVariable) + "=1 '" + self + "' --benchmark_filter=^GameFreshProcessChild$ 2>/dev/null";
    double median = 0, p99 = 0, worst = 0;
    int spikes = 0, playing = 0;
    long hwm = 0;
    for (auto _ : state) {
        FILE* child = popen(command.c_str(), "r");
        char line[1024] = {};
        bool got = false;
        while (child && !got && std::fgets(line, sizeof line, child))
            got = std::strncmp(line, "startup=", 8) == 0;
        if (child) pclose(child);
        double startup = 0;
        char where[512] = {};
        if (!got || std::sscanf(line, "startup=%lf median=%lf p99=%lf max=%lf spikes=%d playing=%d hwm_kb=%ld where=%511s",
                                &startup, &median, &p99, &worst, &spikes, &playing, &hwm, where) != 8) {
            state.SkipWithError("the child process gave no results");
            return;
        }
        state.SetIterationTime(startup);
        state.SetLabel(std::string("over 2x median at frame:ms ") + where);
    }
    state.counters["frame_median_ms"] = median * 1e3;
    state.counters["frame_p99_ms"] = p99 * 1e3;
    state.counters["frame_max_ms"] = worst * 1e3;
    state.counters["frames_over_2x_median"] = spikes;
    state.counters["frames_playing"] = playing;
    state.counters["peak_rss_MB"] = hwm / 1024.0;
}
BENCHMARK(StartupAndMinuteInFreshProcess)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
