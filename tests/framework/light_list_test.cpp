// The point-light table: records live in memory until Enable or Disable
// sends them, and no index outside the table reaches memory or the device.
#include "LightList.h"

#include "drawing_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using drawtest::DrawingTest;

class LightListTest : public DrawingTest {
protected:
    D3DLIGHT8 deviceLight(DWORD index, HRESULT* hr = nullptr) {
        D3DLIGHT8 light;
        std::memset(&light, 0xAB, sizeof light);
        HRESULT result = device()->GetLight(index, &light);
        if (hr) *hr = result;
        return light;
    }
    BOOL deviceEnabled(DWORD index) {
        BOOL enabled = -1;
        device()->GetLightEnable(index, &enabled);
        return enabled;
    }
};

TEST_F(LightListTest, SetPointLightFillsOnlyItsFieldsAndSendsNothing) {
    CLightList lights(4);
    lights.SetDevice(device());
    HRESULT before;
    const D3DLIGHT8 untouched = deviceLight(1, &before);

    lights.SetPointLight(1, 10.0f, -20.0f, 250.0f, 1.0f, 0.0f, 0.0f, 75.0f);
    const D3DLIGHT8& record = lights.m_pLights[1];
    EXPECT_EQ(record.Type, D3DLIGHT_POINT);
    EXPECT_EQ(record.Position.x, 10.0f);
    EXPECT_EQ(record.Position.y, -20.0f);
    EXPECT_EQ(record.Position.z, 250.0f);
    EXPECT_EQ(record.Diffuse.r, 1.0f);
    EXPECT_EQ(record.Ambient.r, 1.0f);
    EXPECT_EQ(record.Diffuse.g, 0.0f);
    EXPECT_EQ(record.Range, 75.0f);
    // Left at zero: alphas, specular, direction and every attenuation factor.
    EXPECT_EQ(record.Diffuse.a, 0.0f);
    EXPECT_EQ(record.Ambient.a, 0.0f);
    EXPECT_EQ(record.Specular.r, 0.0f);
    EXPECT_EQ(record.Attenuation0, 0.0f);
    EXPECT_EQ(record.Attenuation1, 0.0f);
    EXPECT_EQ(record.Attenuation2, 0.0f);
    EXPECT_EQ(record.Falloff, 0.0f);

    HRESULT after;
    const D3DLIGHT8 still = deviceLight(1, &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(std::memcmp(&still, &untouched, sizeof still), 0);
}

TEST_F(LightListTest, EnableAndDisableSendTheLatestRecord) {
    CLightList lights(4);
    lights.SetDevice(device());
    lights.SetPointLight(1, 1.0f, 2.0f, 3.0f, 1.0f, 0.0f, 0.0f, 50.0f);
    lights.SetPointLight(1, 4.0f, 5.0f, 6.0f, 1.0f, 0.0f, 0.0f, 100.0f);
    lights.Enable(1);
    D3DLIGHT8 sent = deviceLight(1);
    EXPECT_EQ(std::memcmp(&sent, &lights.m_pLights[1], sizeof sent), 0);
    EXPECT_EQ(sent.Range, 100.0f);
    EXPECT_EQ(deviceEnabled(1), TRUE);

    lights.SetPointLight(1, 7.0f, 8.0f, 9.0f, 1.0f, 0.0f, 0.0f, 75.0f);
    lights.Disable(1);
    sent = deviceLight(1);
    EXPECT_EQ(sent.Position.x, 7.0f);
    EXPECT_EQ(sent.Range, 75.0f);
    EXPECT_EQ(deviceEnabled(1), FALSE);
}

TEST_F(LightListTest, EnablingAnUnfilledRecordSendsZeros) {
    CLightList lights(4);
    lights.SetDevice(device());
    lights.Enable(2);
    D3DLIGHT8 zero;
    std::memset(&zero, 0, sizeof zero);
    const D3DLIGHT8 sent = deviceLight(2);
    EXPECT_EQ(std::memcmp(&sent, &zero, sizeof sent), 0);
    EXPECT_EQ(deviceEnabled(2), TRUE);
}

TEST_F(LightListTest, IndicesOutsideTheTableAreIgnored) {
    CLightList lights(4);
    lights.SetDevice(device());
    D3DLIGHT8 spare;
    std::memcpy(&spare, &lights.m_pLights[4], sizeof spare);
    HRESULT before4, before9;
    deviceLight(4, &before4);
    deviceLight(9, &before9);

    for (int index : {-1, 4, 9, 1000000}) {
        lights.SetPointLight(index, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 10.0f);
        lights.Enable(index);
        lights.Disable(index);
    }
    EXPECT_EQ(std::memcmp(&spare, &lights.m_pLights[4], sizeof spare), 0);
    HRESULT after4, after9;
    deviceLight(4, &after4);
    deviceLight(9, &after9);
    EXPECT_EQ(after4, before4);
    EXPECT_EQ(after9, before9);
    // The scene light on index 0 is untouched by all of this.
    EXPECT_EQ(deviceLight(0).Type, D3DLIGHT_DIRECTIONAL);
}

TEST(LightListWithoutDevice, EnableBeforeSetDeviceDoesNothing) {
    CLightList lights(4);
    lights.SetPointLight(1, 0, 0, 0, 1, 0, 0, 50);
    lights.Enable(1);
    lights.Disable(1);
    EXPECT_EQ(lights.m_pLights[1].Range, 50.0f);
}

}  // namespace
