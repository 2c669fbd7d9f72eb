#include "game_test_device.h"

#include "GraphicsApp.h"
#include "game_device.h"
#include "host.h"
#include "test_env.h"
#include "test_window.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

void GameTestDevice::Create() {
    m_previousDir = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(testenv::runDir().c_str()), 0);
    m_window = testenv::makeTestWindow(640, 480, true);
    testenv::makeGameDevice(m_window);
    m_device = g_App.m_pDevice;
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_EQ(host::backBufferWidth(), 800);
    ASSERT_EQ(host::backBufferHeight(), 600);
}

void GameTestDevice::Release() {
    testenv::releaseGameDevice(m_window);
    m_device = nullptr;
    m_window = nullptr;
    if (!m_previousDir.empty()) (void)chdir(m_previousDir.c_str());
    m_previousDir.clear();
}
