// The menu screens on a real headless device with the generated assets, a
// real input object and scripted keys and mouse: the main menu's keys, key
// delay, clicks and pulse; the cursor; the ship-select arrows, buttons and
// preview; an empty ship list; and states that are neither screen.
#include "Menu.h"

#include "Camera.h"
#include "GameGlobals.h"
#include "Input.h"
#include "PlayerShip.h"
#include "ShipList.h"
#include "game_test_device.h"
#include "host.h"
#include "host_input.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The highest red level in a box: the menu's texts are grey, its panel blue.
int BrightestRed(const std::vector<uint32_t>& frame, int x0, int y0, int x1, int y1) {
    int best = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) best = std::max(best, int((frame[size_t(y) * 800 + x] >> 16) & 0xFF));
    return best;
}

// Everything the game hands the menu: the full-screen device with the
// game's default render states and light, camera, input (created on the
// device's window, keyboard and mouse), the ship list read from the run
// directory's default.msl, and the ship.
class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Game.Create();
        if (HasFatalFailure()) return;
        m_hInstance = GetModuleHandleA(nullptr);
        m_hWnd = m_Game.window();
        m_pDevice = m_Game.device();
        ASSERT_EQ(m_Input.Create(&m_hInstance, &m_hWnd), 1);
        ASSERT_EQ(m_Input.m_Keyboard.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 1);
        ASSERT_EQ(m_Input.m_Mouse.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 1);
        m_Camera.Init(m_pDevice, m_hWnd);
    }

    void TearDown() override {
        m_Menu.m_Font.Release();  // a texture font lets go of its texture only when told
        m_Input.m_Keyboard.Release();
        m_Input.m_Mouse.Release();
        m_Input.Release();
        host::releaseAllInput();
        m_Game.Release();
    }

    void LoadShips(const char* szFile = "media\\default.msl") {
        m_Ships.SetDevice(m_pDevice);
        m_Ships.ReadFile(szFile);
        m_Ships.LoadMeshes();
    }

    // The ship list, the ship with the first model, and the menu, as the start-up leaves them.
    void InitAll() {
        LoadShips();
        ASSERT_EQ(m_Ships.m_nCount, 3) << "the generated ship list has three ships";
        m_Ship.SetModel(m_Ships.GetAt(0), &m_Ships.m_Records[0]);
        ASSERT_EQ(m_Menu.Init(m_pDevice, &m_Camera, &m_Input), 1);
    }

    // One game frame as far as the menu is concerned: the keyboard is read,
    // then the menu runs inside the scene.
    int Frame(int nState) {
        m_Input.m_Keyboard.Update();
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        m_pDevice->BeginScene();
        const int nResult = m_Menu.Update(nState, &m_Ships, &m_Ship);
        m_pDevice->EndScene();
        return nResult;
    }

    // Lets the key counter run out without any input.
    void WaitForKeys(int nState = GS_MAINMENU) {
        for (int i = 0; i < 5; ++i) ASSERT_EQ(Frame(nState), nState);
    }

    // Puts the tested point (the cursor less 8, 8) at (px, py).
    void PointAt(float px, float py) {
        m_Menu.m_CursorSprite.m_fX = px + 8.0f;
        m_Menu.m_CursorSprite.m_fY = py + 8.0f;
    }

    // Button 0 pressed in one frame and released in the next, at (px, py):
    // the result of the release frame (the press frame must not choose).
    int ClickAt(float px, float py, int nState) {
        PointAt(px, py);
        host::pressMouseButton(0);
        EXPECT_EQ(Frame(nState), nState) << "the press alone chooses nothing";
        host::releaseMouseButton(0);
        return Frame(nState);
    }

    GameTestDevice m_Game;
    IDirect3DDevice8* m_pDevice = nullptr;
    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    CInput m_Input;
    CCamera m_Camera;
    CShipList m_Ships;
    CPlayerShip m_Ship;
    CMenu m_Menu;
};

}  // namespace

TEST_F(MenuTest, InitCreatesThePicturesTheFontAndTheButtonsWhereTheScreensDrawThem) {
    InitAll();
    EXPECT_EQ(m_Menu.m_pDevice, m_pDevice);
    EXPECT_EQ(m_Menu.m_pCamera, &m_Camera);
    EXPECT_EQ(m_Menu.m_pInput, &m_Input);
    const struct {
        const char* name;
        const CSprite* sprite;
        int width, height;
        D3DCOLOR colour;
    } sprites[] = {
        {"menu", &m_Menu.m_MenuSprite, 128, 128, 0xFFFFFFFF},
        {"cursor", &m_Menu.m_CursorSprite, 16, 16, 0xB3FFFFFF},
        {"ship select", &m_Menu.m_ShipSelectSprite, 256, 217, 0xFFFFFFFF},
    };
    for (const auto& s : sprites) {
        EXPECT_NE(s.sprite->m_pTexture, nullptr) << s.name;
        EXPECT_EQ(s.sprite->m_nTextureWidth, s.width) << s.name;
        EXPECT_EQ(s.sprite->m_nTextureHeight, s.height) << s.name;
        EXPECT_EQ(s.sprite->m_nFrameWidth, s.width) << s.name;
        EXPECT_EQ(s.sprite->m_nFrameHeight, s.height) << s.name;
        EXPECT_EQ(s.sprite->m_dwColour, s.colour) << s.name;
        EXPECT_EQ(s.sprite->m_nMode, SPRITE_SCREEN) << s.name;
        EXPECT_EQ(s.sprite->m_fX, 400.0f) << s.name;
        EXPECT_EQ(s.sprite->m_fY, 300.0f) << s.name;
    }
    EXPECT_NE(m_Menu.m_Font.m_pTexture, nullptr);

    const struct {
        const char* name;
        float x, y;
    } buttons[] = {{"left", 370, 393}, {"right", 430, 393}, {"ok", 498, 395}};
    const CButtonNode* node = m_Menu.m_Buttons.m_pHead;
    for (const auto& b : buttons) {
        ASSERT_NE(node, nullptr) << b.name;
        EXPECT_STREQ(node->m_szName, b.name);
        EXPECT_EQ(node->m_fX, b.x) << b.name;
        EXPECT_EQ(node->m_fY, b.y) << b.name;
        EXPECT_EQ(node->m_nFrameWidth, 40) << b.name;
        EXPECT_EQ(node->m_nFrameHeight, 20) << b.name;
        node = node->m_pNext;
    }
    EXPECT_EQ(node, nullptr) << "three buttons";
}

// The pictures are looked for in media/ of the working directory: from a
// folder without them Init says so, but still sets everything up.
TEST_F(MenuTest, InitReportsAPictureThatCannotBeLoaded) {
    ASSERT_EQ(chdir(testenv::outputPath("").c_str()), 0);
    EXPECT_EQ(m_Menu.Init(m_pDevice, &m_Camera, &m_Input), 0);
    EXPECT_EQ(m_Menu.m_pInput, &m_Input);
    EXPECT_EQ(m_Menu.m_CursorSprite.m_fX, 400.0f);
    ASSERT_NE(m_Menu.m_Buttons.m_pTail, nullptr);
    EXPECT_STREQ(m_Menu.m_Buttons.m_pTail->m_szName, "ok");
    // Still usable: the screens run without their pictures.
    EXPECT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);
    EXPECT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
}

// Holding a key moves the selection once every five frames; it stops at both ends,
// where the key still restarts the delay.
TEST_F(MenuTest, HeldArrowsMoveTheSelectionAtTheKeyDelaysPaceAndStopAtTheEnds) {
    InitAll();
    struct Step {
        int key;
        std::vector<int> selections;  // after each frame
    };
    const Step steps[] = {
        {DIK_DOWN, {0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2}},
        {DIK_UP, {2, 2, 2, 2, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}},
    };
    for (const Step& step : steps) {
        host::pressKey(step.key);
        for (size_t i = 0; i < step.selections.size(); ++i) {
            ASSERT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);
            EXPECT_EQ(m_Menu.m_nSelection, step.selections[i]) << "key " << step.key << " frame " << i;
        }
        EXPECT_EQ(m_Menu.m_nKeyCounter, 0) << "the blocked move at the end restarts the delay";
        host::releaseKey(step.key);
    }
    // Without keys the counter counts up to one past the delay and stays there.
    for (int i = 0; i < 8; ++i) Frame(GS_MAINMENU);
    EXPECT_EQ(m_Menu.m_nKeyCounter, 5);
    EXPECT_EQ(m_Menu.m_nSelection, 0);
}

TEST_F(MenuTest, ReturnChoosesTheSelectedItemAfterTheArrowsOfTheSameFrame) {
    InitAll();
    const struct {
        int selection;
        std::vector<int> keys;
        int result;
        int selectionAfter;
    } cases[] = {
        {0, {DIK_RETURN}, GS_PLAYING, 0},
        {1, {DIK_RETURN}, GS_NEWGAME, 1},
        {2, {DIK_RETURN}, GS_QUIT, 2},
        {0, {DIK_DOWN, DIK_RETURN}, GS_NEWGAME, 1},
        {2, {DIK_UP, DIK_RETURN}, GS_NEWGAME, 1},
        {0, {DIK_UP, DIK_DOWN, DIK_RETURN}, GS_NEWGAME, 1},
        {1, {DIK_UP, DIK_DOWN, DIK_RETURN}, GS_NEWGAME, 1},
        {2, {DIK_UP, DIK_DOWN}, GS_MAINMENU, 2},
    };
    for (const auto& c : cases) {
        m_Menu.m_nSelection = c.selection;
        m_Menu.m_nKeyCounter = 5;
        for (int key : c.keys) host::pressKey(key);
        EXPECT_EQ(Frame(GS_MAINMENU), c.result) << "selection " << c.selection;
        EXPECT_EQ(m_Menu.m_nSelection, c.selectionAfter) << "selection " << c.selection;
        host::releaseAllInput();
        Frame(GS_PLAYING);  // lets the keyboard see the release
    }
}

// Until the counter has run out, neither keys nor clicks count; a click is
// not kept for later either.
TEST_F(MenuTest, NothingCountsBeforeTheKeyCounterRunsOut) {
    InitAll();
    const float continueX = 400.0f, continueY = 293.0f;
    EXPECT_EQ(ClickAt(continueX, continueY, GS_MAINMENU), GS_MAINMENU);  // frames 1 and 2
    host::pressKey(DIK_RETURN);
    m_Menu.m_nSelection = 2;
    EXPECT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);  // frame 3
    EXPECT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);  // frame 4
    EXPECT_EQ(Frame(GS_MAINMENU), GS_QUIT) << "the fifth frame takes the held key";
    host::releaseKey(DIK_RETURN);

    // A move restarts the wait for the mouse as well.
    host::pressKey(DIK_UP);
    EXPECT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);
    host::releaseKey(DIK_UP);
    EXPECT_EQ(m_Menu.m_nSelection, 1);
    EXPECT_EQ(ClickAt(continueX, continueY, GS_MAINMENU), GS_MAINMENU);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);
    EXPECT_EQ(m_Menu.m_nKeyCounter, 5);
    EXPECT_EQ(ClickAt(continueX, continueY, GS_MAINMENU), GS_PLAYING);
}

// The tested point is the cursor less (8, 8); every box is open, so a point
// on an edge chooses nothing and one a pixel inside does.
TEST_F(MenuTest, AClickChoosesTheItemWhoseOpenBoxHoldsThePoint) {
    InitAll();
    const struct {
        float px, py;
        int result;
    } clicks[] = {
        // "Continue": 365..437 by 285..301
        {365, 293, GS_MAINMENU}, {366, 293, GS_PLAYING}, {437, 293, GS_MAINMENU},
        {436, 293, GS_PLAYING},  {400, 285, GS_MAINMENU}, {400, 286, GS_PLAYING},
        {400, 301, GS_MAINMENU}, {400, 300, GS_PLAYING},
        // "New Game": 357..437 by 303..319
        {357, 311, GS_MAINMENU}, {358, 311, GS_NEWGAME}, {437, 311, GS_MAINMENU},
        {436, 311, GS_NEWGAME},  {400, 303, GS_MAINMENU}, {400, 304, GS_NEWGAME},
        {400, 319, GS_MAINMENU}, {400, 318, GS_NEWGAME},
        // "Exit": 382..430 by 321..337
        {382, 329, GS_MAINMENU}, {383, 329, GS_QUIT},     {430, 329, GS_MAINMENU},
        {429, 329, GS_QUIT},     {400, 321, GS_MAINMENU}, {400, 322, GS_QUIT},
        {400, 337, GS_MAINMENU}, {400, 336, GS_QUIT},
        // between the rows, inside both x ranges
        {400, 302, GS_MAINMENU}, {400, 320, GS_MAINMENU},
    };
    WaitForKeys();
    for (const auto& c : clicks) {
        EXPECT_EQ(ClickAt(c.px, c.py, GS_MAINMENU), c.result) << "(" << c.px << ", " << c.py << ")";
        EXPECT_EQ(m_Menu.m_nSelection, 0) << "a click leaves the selection alone";
    }
}

// The cursor moves one pixel per mouse count, stays on the screen edges
// included, and is drawn centred on its position, also over a state that is
// neither screen (which comes back unchanged and takes no menu input).
TEST_F(MenuTest, TheCursorFollowsTheMouseAndStaysOnTheScreen) {
    InitAll();
    const struct {
        int dx, dy;
        float x, y;
    } moves[] = {
        {-100, 50, 300, 350}, {7, -3, 307, 347}, {-5000, -5000, 0, 0},
        {1, 1, 1, 1},         {5000, 5000, 800, 600}, {-1, 0, 799, 600},
    };
    host::pressKey(DIK_DOWN);
    for (const auto& m : moves) {
        host::moveMouse(m.dx, m.dy);
        EXPECT_EQ(Frame(GS_PLAYING), GS_PLAYING);
        EXPECT_EQ(m_Menu.m_CursorSprite.m_fX, m.x) << m.dx << ", " << m.dy;
        EXPECT_EQ(m_Menu.m_CursorSprite.m_fY, m.y) << m.dx << ", " << m.dy;
    }
    EXPECT_EQ(m_Menu.m_nSelection, 0) << "no main-menu input in another state";
    EXPECT_EQ(m_Menu.m_nKeyCounter, 5) << "the counter still counts";

    // Only the cursor is drawn: every lit pixel lies in its 16 by 16 quad.
    host::moveMouse(-499, -250);
    ASSERT_EQ(Frame(GS_PLAYING), GS_PLAYING);
    const std::vector<uint32_t> frame = host::readBackBuffer();
    ASSERT_EQ(frame.size(), size_t(800 * 600));
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (frame[size_t(y) * 800 + x] & 0xFFFFFF) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "the cursor is drawn";
    EXPECT_GE(left, 300 - 8);
    EXPECT_LE(right, 300 + 7);
    EXPECT_GE(top, 350 - 8);
    EXPECT_LE(bottom, 350 + 7);
    EXPECT_LE(left, 300 - 4) << "the arrow's tip sits near the top-left corner";
    EXPECT_LE(top, 350 - 4) << "the arrow's tip sits near the top-left corner";
}

// States that are not the two screens pass through unchanged, whatever is held.
TEST_F(MenuTest, AnyOtherStateComesBackUnchanged) {
    InitAll();
    WaitForKeys();
    host::pressKey(DIK_RETURN);
    const int states[] = {GS_PLAYING, GS_NEWGAME, GS_CREDITS, GS_QUIT, 2, -1, 42};
    for (int state : states) EXPECT_EQ(Frame(state), state);
    EXPECT_EQ(m_Menu.m_nShipIndex, 0);
    EXPECT_EQ(m_Menu.m_bFirstShipSelect, 1) << "the ship-select screen has not run";
}

// The selected item is drawn in the pulse's grey, the others in 0.7 grey; the
// pulse falls from 1.0 in steps of 0.1 to 0.0 and rises again. The screenshot
// main_menu.png shows the screen.
TEST_F(MenuTest, TheSelectedItemPulsesAndTheOthersStayGrey) {
    InitAll();
    std::vector<float> pulses;
    int continueBright = 0, newGameBright = 0, continueAtHalf = 0;
    PointAt(600, 450);
    for (int i = 0; i < 22; ++i) {
        ASSERT_EQ(Frame(GS_MAINMENU), GS_MAINMENU);
        pulses.push_back(m_Menu.m_fPulse);
        if (i == 0) {
            const std::vector<uint32_t> frame = host::readBackBuffer();
            ASSERT_EQ(frame.size(), size_t(800 * 600));
            continueBright = BrightestRed(frame, 365, 285, 437, 301);
            newGameBright = BrightestRed(frame, 357, 303, 437, 319);
            EXPECT_TRUE(host::captureBackBuffer(testenv::outputPath("main_menu.png")));
        }
        if (i == 5) continueAtHalf = BrightestRed(host::readBackBuffer(), 365, 285, 437, 301);
    }
    const float expected[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f, 0.0f,
                              0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 0.9f};
    ASSERT_EQ(pulses.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < pulses.size(); ++i) EXPECT_NEAR(pulses[i], expected[i], 1e-5f) << i;
    EXPECT_GE(continueBright, 250) << "the selected item at full brightness";
    EXPECT_NEAR(newGameBright, 179, 6) << "the other items in 0.7 grey";
    EXPECT_NEAR(continueAtHalf, 128, 6) << "the selected item at half brightness";
}

// "left" and "right" step through the three ships with wrap-around, show the
// chosen one and give the ship its model and handling values; "ok" plays it.
TEST_F(MenuTest, TheArrowsStepThroughTheShipsAndOkPlaysTheChosenOne) {
    InitAll();
    const float leftX = 370, rightX = 430, arrowY = 393, okX = 498, okY = 395;
    ASSERT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
    EXPECT_EQ(m_Menu.m_pPreview, m_Ships.GetAt(0)) << "the first visit shows the first ship";
    const struct {
        float x;
        int index;
    } steps[] = {{leftX, 2}, {leftX, 1}, {rightX, 2}, {rightX, 0}, {rightX, 1}};
    for (const auto& s : steps) {
        EXPECT_EQ(ClickAt(s.x, arrowY, GS_SHIPSELECT), GS_SHIPSELECT);
        ASSERT_EQ(m_Menu.m_nShipIndex, s.index);
        EXPECT_EQ(m_Menu.m_pPreview, m_Ships.GetAt(s.index));
        EXPECT_EQ(m_Ship.m_pModel, m_Ships.GetAt(s.index));
        const SShipRecord& record = m_Ships.m_Records[s.index];
        EXPECT_EQ(m_Ship.m_fAccel, record.m_fAccel) << s.index;
        EXPECT_EQ(m_Ship.m_fTurnRate, record.m_fTurnRate) << s.index;
        EXPECT_EQ(m_Ship.m_nShotDamage, record.m_nShotDamage) << s.index;
        EXPECT_EQ(m_Ship.m_nFireDelay, record.m_nFireDelay) << s.index;
    }
    // The generated ships differ, so the values above really came from record 1.
    EXPECT_NE(m_Ships.m_Records[1].m_nShotDamage, m_Ships.m_Records[0].m_nShotDamage);

    // The preview turns 5 degrees a frame and shows 360 before 0.
    m_Menu.m_fSpin = 350.0f;
    const float spins[] = {355.0f, 360.0f, 0.0f, 5.0f};
    PointAt(10, 10);
    for (float spin : spins) {
        // The model is the ship's own, and play leaves it and the camera where the ship flew.
        CShipNode& preview = *m_Menu.m_pPreview;
        preview.m_fX = 120.0f, preview.m_fY = -40.0f, preview.m_fZ = 250.0f;
        preview.m_fRotZ = 77.0f;
        m_Camera.m_fX = 120.0f, m_Camera.m_fY = -40.0f, m_Camera.m_fZ = -100.0f;
        ASSERT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
        EXPECT_EQ(m_Menu.m_fSpin, spin);
        EXPECT_EQ(preview.m_fRotX, -45.0f);
        EXPECT_EQ(preview.m_fRotY, spin);
        EXPECT_EQ(preview.m_fRotZ, 0.0f);
        EXPECT_EQ(preview.m_fX, 0.0f);
        EXPECT_EQ(preview.m_fY, 0.0f);
        EXPECT_EQ(preview.m_fZ, 0.0f);
        EXPECT_EQ(m_Camera.m_fX, 0.0f);
        EXPECT_EQ(m_Camera.m_fY, 0.0f);
        EXPECT_EQ(m_Camera.m_fZ, -50.0f);
    }

    EXPECT_EQ(ClickAt(okX, okY, GS_SHIPSELECT), GS_PLAYING);
    EXPECT_EQ(m_Menu.m_fSpin, 10.0f) << "the ok frame leaves the preview alone";
    EXPECT_EQ(m_Ship.m_pModel, m_Ships.GetAt(1));
    EXPECT_EQ(m_Ship.m_nShotDamage, m_Ships.m_Records[1].m_nShotDamage);
    EXPECT_EQ(m_Ship.m_nFireDelay, m_Ships.m_Records[1].m_nFireDelay);

    // The next visit keeps the chosen ship.
    PointAt(10, 10);
    ASSERT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
    EXPECT_EQ(m_Menu.m_pPreview, m_Ships.GetAt(1));
}

// A button pressed and then left before the release does nothing; the main
// menu's keys do nothing here either.
TEST_F(MenuTest, APressDraggedOffAButtonDoesNothing) {
    InitAll();
    const struct {
        float x, y;
    } buttons[] = {{370, 393}, {430, 393}, {498, 395}};
    host::pressKey(DIK_RETURN);
    for (const auto& b : buttons) {
        PointAt(b.x, b.y);
        host::pressMouseButton(0);
        EXPECT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
        host::moveMouse(0, 40);
        host::releaseMouseButton(0);
        EXPECT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT) << b.x;
        EXPECT_EQ(m_Menu.m_nShipIndex, 0) << b.x;
        EXPECT_EQ(m_Ship.m_pModel, m_Ships.GetAt(0)) << b.x;
    }
}

// An empty ship list: no preview, the arrows read no record and change
// nothing, and "ok" still starts play.
TEST_F(MenuTest, AnEmptyShipListShowsNoModelAndTheArrowsDoNothing) {
    LoadShips("media\\no-such-list.msl");
    ASSERT_EQ(m_Ships.m_nCount, 0);
    ASSERT_EQ(m_Menu.Init(m_pDevice, &m_Camera, &m_Input), 1);
    const float accel = m_Ship.m_fAccel;
    const int damage = m_Ship.m_nShotDamage;

    ASSERT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
    EXPECT_EQ(m_Menu.m_pPreview, nullptr);
    const float arrows[] = {370, 430, 370};
    for (float x : arrows) {
        EXPECT_EQ(ClickAt(x, 393, GS_SHIPSELECT), GS_SHIPSELECT) << x;
        EXPECT_EQ(m_Menu.m_nShipIndex, 0) << x;
        EXPECT_EQ(m_Menu.m_pPreview, nullptr) << x;
        EXPECT_EQ(m_Ship.m_pModel, nullptr) << x;
        EXPECT_EQ(m_Ship.m_fAccel, accel) << x;
        EXPECT_EQ(m_Ship.m_nShotDamage, damage) << x;
    }
    EXPECT_EQ(ClickAt(498, 395, GS_SHIPSELECT), GS_PLAYING);
}

// On screen: the panel, the buttons and the turning model in the middle,
// which an empty list leaves out. The screenshot ship_select.png shows it.
TEST_F(MenuTest, TheShipSelectScreenShowsThePanelTheButtonsAndTheModel) {
    InitAll();
    PointAt(600, 450);
    // The first frame places the camera for the preview; the second shows it.
    for (int i = 0; i < 6; ++i) ASSERT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
    const std::vector<uint32_t> withShip = host::readBackBuffer();
    ASSERT_EQ(withShip.size(), size_t(800 * 600));
    EXPECT_TRUE(host::captureBackBuffer(testenv::outputPath("ship_select.png")));

    // The panel covers x 272..528, y 192..408; outside it only the cursor is drawn.
    EXPECT_NE(withShip[size_t(200) * 800 + 280] & 0xFFFFFF, 0u) << "the panel";
    EXPECT_EQ(withShip[size_t(180) * 800 + 400] & 0xFFFFFF, 0u) << "above the panel";
    EXPECT_EQ(withShip[size_t(300) * 800 + 260] & 0xFFFFFF, 0u) << "left of the panel";

    // The same frame without a model.
    CShipNode* preview = m_Menu.m_pPreview;
    m_Menu.m_pPreview = nullptr;
    m_Menu.m_fSpin -= 5.0f;
    ASSERT_EQ(Frame(GS_SHIPSELECT), GS_SHIPSELECT);
    const std::vector<uint32_t> withoutShip = host::readBackBuffer();
    m_Menu.m_pPreview = preview;
    int changed = 0;
    for (int y = 250; y < 350; ++y)
        for (int x = 330; x < 470; ++x)
            changed += withShip[size_t(y) * 800 + x] != withoutShip[size_t(y) * 800 + x];
    EXPECT_GT(changed, 1500) << "the model covers the middle of the panel";
    int changedElsewhere = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (y < 200 || y >= 400 || x < 280 || x >= 520)
                changedElsewhere += withShip[size_t(y) * 800 + x] != withoutShip[size_t(y) * 800 + x];
    EXPECT_EQ(changedElsewhere, 0) << "the model stays in the panel's viewport";
}
