// The process mixer: voices summed and clamped, the helpers for float and
// 16-bit sources, one shared mixer, the SDL device on the dummy driver, and
// what is said when ALSA has no device or cannot open the one it has.
#include "audio_mixer.h"

#include "test_env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

// Adds a constant to both channels and counts the frames it was asked for.
struct ConstantVoice : platform::AudioVoice {
    explicit ConstantVoice(float level) : level(level) {}
    void mixInto(float* mix, size_t frames, int) override {
        for (size_t i = 0; i < 2 * frames; ++i) mix[i] += level;
        framesPulled += frames;
    }
    float level;
    std::atomic<uint64_t> framesPulled{0};
};

TEST(AudioMixer, SumsItsVoicesAndClampsTheMix) {
    auto mixer = platform::AudioMixer::installManual(22050);
    EXPECT_TRUE(mixer->isManual());
    EXPECT_EQ(mixer->sampleRate(), 22050);
    auto a = std::make_shared<ConstantVoice>(0.25f);
    auto b = std::make_shared<ConstantVoice>(0.5f);
    mixer->addVoice(a);
    mixer->addVoice(b);
    for (float value : mixer->render(8)) EXPECT_FLOAT_EQ(value, 0.75f);

    b->level = 0.9f;
    for (float value : mixer->render(8)) EXPECT_FLOAT_EQ(value, 1.0f);

    mixer->removeVoice(b.get());
    EXPECT_EQ(mixer->voiceCount(), 1u);
    for (float value : mixer->render(4)) EXPECT_FLOAT_EQ(value, 0.25f);
    EXPECT_EQ(a->framesPulled, 20u);
    EXPECT_EQ(b->framesPulled, 16u) << "a removed voice is not pulled again";
    EXPECT_EQ(mixer->framesRendered(), 20u);
}

TEST(AudioMixer, HelpersAddMonoToBothSidesAndStereoAsIs) {
    std::vector<float> mix(6, 0.5f);
    const int16_t mono[] = {16384, -32768, 0};
    platform::mixS16Into(mix.data(), mono, 3, 1);
    EXPECT_EQ(mix, (std::vector<float>{1.0f, 1.0f, -0.5f, -0.5f, 0.5f, 0.5f}));

    std::vector<float> stereoMix(4, 0.0f);
    const float stereo[] = {0.5f, -0.5f, 0.25f, 1.0f};
    platform::mixFloatInto(stereoMix.data(), stereo, 2, 2, 0.5f);
    EXPECT_EQ(stereoMix, (std::vector<float>{0.25f, -0.25f, 0.125f, 0.5f}));
}

TEST(AudioMixer, EveryClientSharesTheOneMixer) {
    auto installed = platform::AudioMixer::installManual();
    EXPECT_EQ(platform::AudioMixer::shared(), installed);
    EXPECT_EQ(platform::AudioMixer::shared(), platform::AudioMixer::shared());
}

TEST(AudioMixer, SdlDevicePullsTheMixOnItsOwnThread) {
    auto mixer = platform::AudioMixer::shared();
    ASSERT_NE(mixer, nullptr) << platform::AudioMixer::lastError();
    EXPECT_FALSE(mixer->isManual());
    EXPECT_EQ(mixer->sampleRate(), platform::AudioMixer::kDefaultRate);
    EXPECT_EQ(platform::AudioMixer::shared(), mixer) << "one device for the process";

    auto voice = std::make_shared<ConstantVoice>(0.1f);
    mixer->addVoice(voice);
    // The dummy driver consumes at about real time; give it ample time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (voice->framesPulled == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(voice->framesPulled, 0u);

    // Closing the device stops the pulling for good.
    mixer.reset();
    const uint64_t pulled = voice->framesPulled;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(voice->framesPulled, pulled);
}

// Opens the mixer on ALSA set up by `config` (nothing but that file) and
// returns what the process wrote to stderr meanwhile; asks twice, as the
// game's sound bank and its video do.
std::string openOnAlsaSetUpBy(const std::string& config) {
    const std::string path = testenv::outputPath("asound.conf");
    std::ofstream(path) << config;
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::AudioMixer::shared(), nullptr);
    EXPECT_EQ(platform::AudioMixer::shared(), nullptr);
    return testing::internal::GetCapturedStderr();
}

// A machine without sound: ALSA knows no device. What ALSA says about the
// open that cannot work stays unsaid; the clients say it once.
TEST(AudioMixer, NoSoundDeviceAtAllIsToldToTheClientsAndNothingIsWritten) {
    EXPECT_EQ(openOnAlsaSetUpBy(""), "");
    EXPECT_EQ(platform::AudioMixer::lastError(), platform::AudioMixer::kNoSoundDevice);
}

// A device ALSA lists but cannot open is a fault worth seeing: ALSA's own
// line, then what failed, once however often a client asks.
TEST(AudioMixer, ADeviceThatCannotOpenIsNamedWithTheAudioLibrarysOwnLines) {
    const std::string said = openOnAlsaSetUpBy(R"(
        pcm.!default {
            type plug
            slave.pcm "nothere"
            hint { show on description "plays through a device nobody defined" }
        })");
    const std::string why = platform::AudioMixer::lastError();
    EXPECT_NE(why.find("could not be opened"), std::string::npos) << why;
    const std::string alsaLine = said.substr(0, said.find('\n') + 1);
    EXPECT_EQ(alsaLine.rfind("ALSA lib ", 0), 0u) << said;
    EXPECT_NE(alsaLine.find("Unknown PCM nothere"), std::string::npos) << said;
    EXPECT_EQ(said.substr(alsaLine.size()), "platform: " + why + "\n");
}

}  // namespace
