// The button list: lookup by name, the strict hit box, the pressed frame
// while the mouse button is held, the click on release, names that do not
// fit, and the two frames on screen.
#include "ButtonList.h"

#include "Camera.h"
#include "Input.h"
#include "drawing_fixture.h"
#include "host_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using drawtest::DrawingTest;
using drawtest::Rgb;

// The list's logic needs no device: a button whose image is missing still
// has its box. The mouse's two states are set as CMouse::Update leaves them.
class ButtonLogicTest : public ::testing::Test {
protected:
    void SetUp() override { m_List.Init(nullptr, nullptr, &m_Input); }

    void MouseFrame(bool bHeld) {
        CMouse& mouse = m_Input.m_Mouse;
        mouse.m_PrevState = mouse.m_State;
        mouse.m_State.rgbButtons[0] = bHeld ? 0x80 : 0;
    }

    CInput m_Input;
    CButtonList m_List;
};

}  // namespace

TEST_F(ButtonLogicTest, TheHitBoxIsStrictlyInsideTheFrame) {
    ASSERT_EQ(m_List.Add("ok", "missing.bmp", 40, 20, 370.0f, 393.0f), 1);
    ASSERT_EQ(m_List.Add("odd", "missing.bmp", 41, 21, 100.0f, 100.0f), 1);
    const struct {
        const char* name;
        float x, y;
        bool inside;
    } points[] = {
        {"ok", 370, 393, true},    {"ok", 350.5f, 383.5f, true}, {"ok", 389.9f, 402.9f, true},
        {"ok", 350, 393, false},   {"ok", 390, 393, false},      {"ok", 370, 383, false},
        {"ok", 370, 403, false},   {"ok", 349, 393, false},
        // An odd size has a whole-pixel half: 41 wide runs from centre - 20 to centre + 21,
        // 21 high from centre - 10 to centre + 11.
        {"odd", 80, 100, false},   {"odd", 80.5f, 100, true},    {"odd", 120.9f, 100, true},
        {"odd", 121, 100, false},  {"odd", 100, 90, false},      {"odd", 100, 90.5f, true},
        {"odd", 100, 110.9f, true}, {"odd", 100, 111, false},
    };
    MouseFrame(true);
    MouseFrame(false);  // a release in this frame
    for (const auto& p : points) {
        EXPECT_EQ(m_List.IsClicked(p.name, p.x, p.y), p.inside ? 1 : 0)
            << p.name << " (" << p.x << ", " << p.y << ")";
        EXPECT_EQ(m_List.DrawAndCheck(p.name, p.x, p.y), p.inside ? 1 : 0)
            << p.name << " (" << p.x << ", " << p.y << ")";
    }
}

TEST_F(ButtonLogicTest, PressedWhileHeldOverItClickedOnlyOnTheRelease) {
    m_List.Add("left", "missing.bmp", 40, 20, 370.0f, 393.0f);
    CButtonNode* button = m_List.m_pHead;
    const struct {
        bool held;
        float x;
        int frame;
        int clicked;
    } frames[] = {
        {false, 370, 0, 0},  // resting under the cursor
        {true, 370, 1, 0},   // pressed over it
        {true, 370, 1, 0},   // still held
        {false, 370, 0, 1},  // released over it: the click, shown at rest
        {false, 370, 0, 0},  // one frame only
        {true, 370, 1, 0},   // pressed over it...
        {true, 500, 0, 0},   // ...dragged off
        {false, 500, 0, 0},  // released elsewhere: no click
        {true, 500, 0, 0},   // pressed elsewhere...
        {false, 370, 0, 1},  // ...released over it: a click
    };
    int n = 0;
    for (const auto& f : frames) {
        MouseFrame(f.held);
        EXPECT_EQ(m_List.DrawAndCheck("left", f.x, 393.0f), f.clicked) << "frame " << n;
        EXPECT_EQ(button->m_nFrame, f.frame) << "frame " << n;
        ++n;
    }
    // IsClicked tests the same without touching the frame.
    MouseFrame(true);
    m_List.DrawAndCheck("left", 370, 393);
    MouseFrame(false);
    EXPECT_EQ(m_List.IsClicked("left", 370, 393), 1);
    EXPECT_EQ(button->m_nFrame, 1);
}

TEST_F(ButtonLogicTest, ButtonsAreFoundByTheirExactNameFirstAddedFirst) {
    m_List.Add("left", "missing.bmp", 40, 20, 370, 393);
    m_List.Add("right", "missing.bmp", 40, 20, 430, 393);
    m_List.Add("left", "missing.bmp", 40, 20, 600, 100);
    ASSERT_NE(m_List.m_pHead, nullptr);
    EXPECT_STREQ(m_List.m_pHead->m_szName, "left");
    EXPECT_STREQ(m_List.m_pHead->m_pNext->m_szName, "right");
    EXPECT_EQ(m_List.m_pTail, m_List.m_pHead->m_pNext->m_pNext);
    EXPECT_EQ(m_List.m_pTail->m_pNext, nullptr);

    MouseFrame(true);
    MouseFrame(false);
    EXPECT_EQ(m_List.IsClicked("left", 370, 393), 1);
    EXPECT_EQ(m_List.m_pCur, m_List.m_pHead);
    EXPECT_EQ(m_List.IsClicked("left", 600, 100), 0) << "the second 'left' is never found";
    EXPECT_EQ(m_List.IsClicked("right", 430, 393), 1);
    EXPECT_EQ(m_List.IsClicked("Right", 430, 393), 0) << "names are case-sensitive";
    EXPECT_EQ(m_List.DrawAndCheck("up", 430, 393), 0);
    EXPECT_EQ(m_List.IsClicked(nullptr, 430, 393), 0);

    m_List.SetPosition("right", 50, 60);
    m_List.SetColour("right", 0x80FF0000);
    m_List.SetPosition("nowhere", 1, 1);
    const CButtonNode* right = m_List.m_pHead->m_pNext;
    EXPECT_EQ(right->m_fX, 50.0f);
    EXPECT_EQ(right->m_fY, 60.0f);
    EXPECT_EQ(right->m_dwColour, 0x80FF0000u);
    EXPECT_EQ(m_List.IsClicked("right", 50, 60), 1);
}

// Each button is a two-frame screen sprite on a 256 by 64 sheet, tinted
// white and centred on its position; the cursor follows the last add or lookup.
TEST_F(ButtonLogicTest, AddMakesAWhiteTwoFrameScreenSpriteAndMovesTheCursor) {
    CCamera camera;
    m_List.Init(nullptr, &camera, &m_Input);
    m_List.Add("ok", "missing.bmp", 40, 20, 498.0f, 395.0f);
    CButtonNode* ok = m_List.m_pHead;
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(m_List.m_pCur, ok);
    EXPECT_EQ(ok->m_pCamera, &camera);
    EXPECT_EQ(ok->m_nTextureWidth, 256);
    EXPECT_EQ(ok->m_nTextureHeight, 64);
    EXPECT_EQ(ok->m_nColumns, 2);
    EXPECT_EQ(ok->m_nRows, 1);
    EXPECT_EQ(ok->m_nFrameWidth, 40);
    EXPECT_EQ(ok->m_nFrameHeight, 20);
    EXPECT_EQ(ok->m_nFrameCount, 2);
    EXPECT_EQ(ok->m_dwColour, 0xFFFFFFFFu);
    EXPECT_EQ(ok->m_nMode, SPRITE_SCREEN);
    EXPECT_EQ(ok->m_fX, 498.0f);
    EXPECT_EQ(ok->m_fY, 395.0f);

    m_List.Add("left", "missing.bmp", 40, 20, 370.0f, 393.0f);
    EXPECT_EQ(m_List.m_pCur, m_List.m_pTail);
    EXPECT_NE(m_List.m_pCur, ok);
    m_List.SetColour("ok", 0xFF00FF00);
    EXPECT_EQ(m_List.m_pCur, ok) << "the button found stays the cursor";
    m_List.Draw("nowhere");
    EXPECT_EQ(m_List.m_pCur, nullptr) << "a name not in the list leaves no cursor";
}

TEST_F(ButtonLogicTest, NamesLongerThanTheFieldAreCut) {
    const std::string longName(60, 'n');
    m_List.Add(longName.c_str(), "missing.bmp", 40, 20, 100, 100);
    m_List.Add(std::string(39, 'x').c_str(), "missing.bmp", 40, 20, 200, 100);
    const CButtonNode* first = m_List.m_pHead;
    EXPECT_EQ(std::string(first->m_szName), std::string(39, 'n'));
    EXPECT_EQ(first->m_pNext, m_List.m_pTail) << "the link after the name is intact";
    EXPECT_EQ(std::string(m_List.m_pTail->m_szName), std::string(39, 'x'));

    MouseFrame(true);
    MouseFrame(false);
    EXPECT_EQ(m_List.IsClicked(std::string(39, 'n').c_str(), 100, 100), 1);
    EXPECT_EQ(m_List.IsClicked(std::string(39, 'x').c_str(), 200, 100), 1);
}

TEST(ButtonListWithoutInput, ReportsNothingAndDoesNotCrash) {
    CButtonList list;
    list.Init(nullptr, nullptr, nullptr);
    EXPECT_EQ(list.Add("ok", nullptr, 40, 20, 10, 10), 1);
    EXPECT_EQ(list.DrawAndCheck("ok", 10, 10), 0);
    EXPECT_EQ(list.IsClicked("ok", 10, 10), 0);
    list.Draw("ok");
}

class ButtonDrawingTest : public DrawingTest {};

// Each node holds a texture of its own; the list's end gives every one back.
TEST_F(ButtonDrawingTest, DestroyingTheListReleasesEveryButtonsTexture) {
    const std::string sheet = drawtest::writeBmp("button_owned.bmp", 256, 64,
                                                 [](int, int) { return Rgb{0, 255, 0}; });
    std::vector<IDirect3DTexture8*> textures;
    {
        CButtonList list;
        list.Init(device(), nullptr, nullptr);
        for (const char* name : {"a", "b", "c"}) list.Add(name, sheet.c_str(), 40, 20, 100.0f, 100.0f);
        for (CButtonNode* node = list.m_pHead; node; node = node->m_pNext) {
            ASSERT_NE(node->m_pTexture, nullptr);
            node->m_pTexture->AddRef();
            textures.push_back(node->m_pTexture);
        }
    }
    ASSERT_EQ(textures.size(), 3u);
    for (IDirect3DTexture8* texture : textures) EXPECT_EQ(texture->Release(), 0u) << "still held by a node";
}

// On screen, with the real mouse path: the sheet's rest frame is red and its
// pressed frame blue.
TEST_F(ButtonDrawingTest, AButtonShowsItsPressedFrameWhileHeldAndClicksOnRelease) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const int w = 40, h = 20;
    const std::string sheet = drawtest::writeBmp("button_sheet.bmp", 256, 64, [&](int x, int) {
        return x < w + 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    });
    CCamera camera;
    camera.Init(device(), window());
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    HWND hWnd = window();
    CInput input;
    ASSERT_EQ(input.Create(&hInstance, &hWnd), 1);
    ASSERT_EQ(input.m_Mouse.Create(&hInstance, &hWnd, &input.m_pDI), 1);

    CButtonList list;
    list.Init(device(), &camera, &input);
    list.Add("ok", sheet.c_str(), w, h, 400.0f, 300.0f);

    auto frame = [&](float mx, float my) {
        input.m_Mouse.Update();
        beginFrame(0xFF000000);
        const int clicked = list.DrawAndCheck("ok", mx, my);
        endFrame();
        return clicked;
    };
    EXPECT_EQ(frame(400, 300), 0);
    EXPECT_TRUE(drawtest::near(pixel(400, 300), 0xFFFF0000, 8)) << drawtest::hex(pixel(400, 300));
    host::pressMouseButton(0);
    EXPECT_EQ(frame(400, 300), 0);
    EXPECT_TRUE(drawtest::near(pixel(400, 300), 0xFF0000FF, 8)) << drawtest::hex(pixel(400, 300));
    saveFrame("button_pressed.png");
    host::releaseMouseButton(0);
    EXPECT_EQ(frame(400, 300), 1);
    EXPECT_TRUE(drawtest::near(pixel(400, 300), 0xFFFF0000, 8)) << drawtest::hex(pixel(400, 300));
    EXPECT_EQ(frame(400, 300), 0);
    // Nothing of the button outside its box.
    EXPECT_EQ(pixel(400 - w / 2 - 2, 300) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixel(400, 300 + h / 2 + 2) & 0xFFFFFF, 0u);

    input.m_Mouse.Release();
    input.Release();
}
