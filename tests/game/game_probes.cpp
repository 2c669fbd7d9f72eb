#include "game_probes.h"

#include "BlasterList.h"
#include "ExplosionList.h"
#include "GameGlobals.h"
#include "MissileList.h"
#include "PowerUpList.h"
#include "RockField.h"
#include "game_session.h"
#include "test_env.h"
#include "text_trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

int liveRocks() {
    int count = 0;
    for (int i = 0; i < g_Rocks.m_nCount; ++i) count += g_Rocks.m_pRocks[i].m_nHitPoints > 0;
    return count;
}

int liveShots() {
    int count = 0;
    for (int i = 0; i < g_Blaster.m_nCount; ++i) count += g_Blaster.m_pShots[i].m_nLife > 0;
    return count;
}

int liveMissiles() {
    int count = 0;
    for (int i = 0; i < g_Missiles.m_nCount; ++i) count += g_Missiles.m_pMissiles[i].m_nLife > 0;
    return count;
}

int livePowerUps() {
    int count = 0;
    for (int i = 0; i < g_PowerUps.m_nCount; ++i) count += g_PowerUps.m_pPowerUps[i].m_bActive != 0;
    return count;
}

int liveExplosions() {
    int count = 0;
    for (int i = 0; i < g_Explosions.m_nCount; ++i)
        count += g_Explosions.m_pExplosions[i].m_bActive != 0;
    return count;
}

void startPlaying(GameSession& game) {
    ASSERT_EQ(g_nGameState, GS_SHIPSELECT);
    game.startPlaying();
    ASSERT_EQ(g_nGameState, GS_PLAYING);
}

void clearExplosions() {
    for (int i = 0; i < g_Explosions.m_nCount; ++i) g_Explosions.m_pExplosions[i].m_bActive = 0;
}

namespace {

std::string formatText(const char* text, float x, float y, D3DCOLOR colour) {
    char line[128];
    std::snprintf(line, sizeof line, "%s @%g,%g #%08x", text, x, y, static_cast<unsigned>(colour));
    return line;
}

}  // namespace

std::string textLine(const char* text, float x, float y, float r, float g, float b, float a) {
    return formatText(text, x, y, D3DXCOLOR(r, g, b, a));
}

std::vector<std::string> described(const TextTrace& trace, const CTextureFont* font) {
    std::vector<std::string> lines;
    for (const DrawnText& t : trace.with(font))
        lines.push_back(formatText(t.text.c_str(), t.x, t.y, t.colour));
    return lines;
}

std::string runDirWithout(const std::string& name, const std::vector<std::string>& missing) {
    const std::string dir = testenv::outputPath(name);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(testenv::runDir())) {
        if (!entry.is_regular_file()) continue;
        const std::string relative =
            std::filesystem::relative(entry.path(), testenv::runDir()).string();
        bool skip = false;
        for (const std::string& m : missing) skip = skip || relative == m;
        if (skip) continue;
        std::filesystem::create_directories(std::filesystem::path(dir + "/" + relative).parent_path());
        std::filesystem::create_symlink(entry.path(), dir + "/" + relative);
    }
    return dir;
}
