// Rising texts: the path and lifetime of one text, slot reuse, the 39-character
// field, lives of 0 or less, and what Draw puts on the screen.
#include "FloatingTextList.h"

#include "dirty_heap.h"
#include "headless_device.h"
#include "host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(FloatingTextList, StartsWithEveryRecordZeroed) {
    // Leave garbage where the records are likely to be allocated.
    dirtyHeap(sizeof(SFloatingText) * 21);
    CFloatingTextList list(20);
    ASSERT_NE(list.m_pTexts, nullptr);
    for (int i = 0; i <= 20; i++) {
        EXPECT_EQ(list.m_pTexts[i].m_nLife, 0) << i;
        EXPECT_EQ(list.m_pTexts[i].m_fY, 0.0f) << i;
        EXPECT_EQ(list.m_pTexts[i].m_szText[0], '\0') << i;
        EXPECT_EQ(list.m_pTexts[i].m_Colour, 0u) << i;
    }
}

TEST(FloatingTextList, RisesOnePixelPerDrawAndIsFreedByItsLastDraw) {
    CFloatingTextList list(20);
    ASSERT_EQ(list.Add(0.0f, 620.0f, "Credits", 0x80FFFFFF, 650), 1);
    const SFloatingText& t = list.m_pTexts[0];
    list.Draw();
    EXPECT_EQ(t.m_fY, 619.0f);  // first drawn one pixel above where it was added
    EXPECT_EQ(t.m_nLife, 649);
    for (int i = 2; i <= 649; i++) list.Draw();
    EXPECT_EQ(t.m_fY, -29.0f);  // the last draw
    EXPECT_EQ(t.m_nLife, 1);
    list.Draw();
    EXPECT_EQ(t.m_nLife, 0);  // free
    EXPECT_EQ(std::string(t.m_szText), "Credits");
    EXPECT_EQ(t.m_Colour, 0x80FFFFFFu);
}

TEST(FloatingTextList, FullPoolRefusesAndTheLowestFreeSlotIsReused) {
    CFloatingTextList list(20);
    for (int i = 0; i < 20; i++) ASSERT_EQ(list.Add(float(i), 0, "x", 0, i == 3 ? 1 : 50), 1);
    EXPECT_EQ(list.Add(99, 0, "lost", 0, 50), 0);
    EXPECT_EQ(list.m_pTexts[20].m_nLife, 0);  // the spare record is never used
    list.Draw();                              // slot 3 (life 1) is freed
    list.Kill(7);
    list.Kill(20);  // out of range: nothing happens
    list.Kill(-1);
    EXPECT_EQ(list.Add(100, 0, "a", 0, 50), 1);
    EXPECT_EQ(list.Add(101, 0, "b", 0, 50), 1);
    EXPECT_EQ(list.m_pTexts[3].m_fX, 100.0f);
    EXPECT_EQ(list.m_pTexts[7].m_fX, 101.0f);
    EXPECT_EQ(list.Add(102, 0, "c", 0, 50), 0);
}

TEST(FloatingTextList, LongTextIsCutToItsField) {
    struct Case {
        size_t length;
        size_t kept;
    } const kCases[] = {{38, 38}, {39, 39}, {40, 39}, {45, 39}};
    for (const Case& c : kCases) {
        CFloatingTextList list(2);
        // The record after the first one shows anything written past the field.
        std::memset(&list.m_pTexts[1], 0x5A, sizeof(SFloatingText));
        list.m_pTexts[1].m_nLife = 7;
        const SFloatingText next = list.m_pTexts[1];
        std::string text(c.length, 'W');
        ASSERT_EQ(list.Add(0, 0, text.c_str(), 0x11223344, 5), 1);
        const SFloatingText& t = list.m_pTexts[0];
        EXPECT_EQ(std::string(t.m_szText), text.substr(0, c.kept)) << c.length;
        EXPECT_EQ(t.m_Colour, 0x11223344u) << c.length;
        EXPECT_EQ(t.m_nLife, 5) << c.length;
        EXPECT_EQ(std::memcmp(&list.m_pTexts[1], &next, sizeof next), 0) << c.length;
    }
}

TEST(FloatingTextList, LifeOfZeroOrLessLeavesTheSlotFree) {
    for (int life : {0, -1, -650}) {
        CFloatingTextList list(2);
        EXPECT_EQ(list.Add(5, 5, "gone", 0xFFFFFFFF, life), 1) << life;
        EXPECT_EQ(list.m_pTexts[0].m_nLife, 0) << life;
        list.Draw();
        EXPECT_EQ(list.m_pTexts[0].m_nLife, 0) << life;
        EXPECT_EQ(list.m_pTexts[0].m_fY, 0.0f) << life;  // a free slot is not moved
        // The next text takes the same slot.
        EXPECT_EQ(list.Add(6, 6, "next", 0xFFFFFFFF, 10), 1) << life;
        EXPECT_EQ(list.m_pTexts[0].m_fX, 6.0f) << life;
        EXPECT_EQ(list.m_pTexts[1].m_nLife, 0) << life;
    }
}

int LitPixels(int x0, int y0, int x1, int y1) {
    std::vector<uint32_t> frame = host::readBackBuffer();
    const int width = host::backBufferWidth();
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) n += (frame[size_t(y) * width + x] & 0xFFFFFF) ? 1 : 0;
    return n;
}

TEST(FloatingTextListDrawing, DrawsLiveTextsOnly) {
    HeadlessDevice device;
    ASSERT_NE(device.device(), nullptr);
    CFloatingTextList list(20);
    ASSERT_EQ(list.Init(device.device(), "Arial", 20), S_OK);
    EXPECT_EQ(list.m_pDevice, device.device());
    list.Add(100.0f, 101.0f, "WWWW", 0xFFFFFFFF, 2);
    list.Add(400.0f, 101.0f, "WWWW", 0xFFFFFFFF, 1);  // freed by the first Draw, never seen

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();
    list.Draw();
    device->EndScene();
    EXPECT_GT(LitPixels(100, 100, 250, 140), 0);
    EXPECT_EQ(LitPixels(90, 60, 300, 100), 0);  // nothing above its top line
    EXPECT_EQ(LitPixels(390, 60, 600, 160), 0);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();
    list.Draw();  // the first text's life runs out
    device->EndScene();
    EXPECT_EQ(LitPixels(90, 60, 300, 160), 0);

    // A text is drawn with its own colour, one pixel above where it was
    // added: the same picture as the pool's font gives there.
    const D3DCOLOR green = 0xFF20E040;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();
    list.m_Font.DrawText(200.0f, 300.0f, "Shields", green);
    device->EndScene();
    const std::vector<uint32_t> expected = host::readBackBuffer();
    ASSERT_GT(LitPixels(190, 280, 400, 340), 0);
    list.Add(200.0f, 301.0f, "Shields", green, 5);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();
    list.Draw();
    device->EndScene();
    EXPECT_TRUE(host::readBackBuffer() == expected);
    list.m_Font.Release();  // a texture font lets go of its texture only when told
}

}  // namespace
