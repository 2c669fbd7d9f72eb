// The sound bank over the manual mixer: what LoadSound accepts and refuses,
// what the mixer hears when sounds start, stop and restart, and how every
// function treats numbers that name no sound.
#include "SoundBank.h"

#include "GraphicsApp.h"
#include "audio_mixer.h"
#include "dsound_buffer.h"
#include "host.h"
#include "mmio_file.h"
#include "sound_riff_builder.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

using soundtest::chunk;
using soundtest::formatBody;
using soundtest::formatChunk8Mono;
using soundtest::riff;
using soundtest::wave8Mono;

namespace {

constexpr DWORD kGameFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;  // 224

// The bank holds the plain device object from DirectSoundCreate.
static_assert(std::is_same<decltype(g_pDirectSound), IDirectSound*>::value, "g_pDirectSound is an IDirectSound*");

// Distinct bytes, so that a sample played from the wrong place shows.
std::string rampSamples(size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out.push_back(char((i * 7 + 3) & 0xFF));
    return out;
}

float asSample(char byte) { return (uint8_t(byte) - 128) / 128.0f; }

std::string scratchFile(const std::string& name, const std::string& bytes) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = testenv::outputPath(std::string(test->name()) + "_" + name);
    soundtest::writeFile(path, bytes);
    return path;
}

// Left channel of the next `frames` mixed frames.
std::vector<float> leftChannel(platform::AudioMixer& mixer, size_t frames) {
    const std::vector<float> mix = mixer.render(frames);
    std::vector<float> left(frames);
    for (size_t i = 0; i < frames; ++i) left[i] = mix[2 * i];
    return left;
}

void expectPlays(platform::AudioMixer& mixer, const std::string& samples, size_t from, size_t frames) {
    const std::vector<float> heard = leftChannel(mixer, frames);
    for (size_t i = 0; i < frames; ++i) {
        ASSERT_FLOAT_EQ(heard[i], asSample(samples[from + i])) << "frame " << i;
    }
}

void expectSilence(platform::AudioMixer& mixer, size_t frames) {
    for (float value : mixer.render(frames)) ASSERT_EQ(value, 0.0f);
}

class SoundBankTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One mixer output frame per sound byte, so samples compare one to one.
        m_mixer = platform::AudioMixer::installManual(11025);
        // DirectSound only needs a window handle to exist; nothing draws here.
        g_hWnd = reinterpret_cast<HWND>(uintptr_t(0x1000));
        ASSERT_EQ(InitSound(), 1);
    }
    void TearDown() override { ShutdownSound(); }

    int load(const std::string& name, const std::string& bytes, DWORD flags = kGameFlags) {
        return LoadSound(scratchFile(name, bytes).c_str(), flags);
    }

    std::shared_ptr<platform::AudioMixer> m_mixer;
};

TEST_F(SoundBankTest, PlaysStopsAndRestartsFromTheStart) {
    const std::string samples = rampSamples(400);
    const int nSound = load("ramp.wav", wave8Mono(samples));
    ASSERT_EQ(nSound, 0);
    EXPECT_EQ(GetSoundStatus(nSound), 0);
    expectSilence(*m_mixer, 16);

    ASSERT_EQ(StartSound(nSound, 0), 1);
    EXPECT_EQ(GetSoundStatus(nSound), DSBSTATUS_PLAYING);
    expectPlays(*m_mixer, samples, 0, 100);
    expectPlays(*m_mixer, samples, 100, 50);

    // Starting a sound that is playing rewinds it.
    ASSERT_EQ(StartSound(nSound, 0), 1);
    expectPlays(*m_mixer, samples, 0, 30);

    EXPECT_EQ(StopSound(nSound), 1);
    EXPECT_EQ(GetSoundStatus(nSound), 0);
    expectSilence(*m_mixer, 40);

    ASSERT_EQ(StartSound(nSound, 0), 1);
    expectPlays(*m_mixer, samples, 0, 20);
}

TEST_F(SoundBankTest, OneShotStatusIsExactlyZeroOnceItHasPlayed) {
    const std::string samples = rampSamples(300);
    const int nSound = load("oneshot.wav", wave8Mono(samples));
    ASSERT_EQ(StartSound(nSound, 0), 1);
    expectPlays(*m_mixer, samples, 0, 299);
    EXPECT_EQ(GetSoundStatus(nSound), DSBSTATUS_PLAYING);
    expectPlays(*m_mixer, samples, 299, 1);
    EXPECT_EQ(GetSoundStatus(nSound), 0);
    expectSilence(*m_mixer, 50);

    // Looping goes round and reports both bits until it is stopped.
    ASSERT_EQ(StartSound(nSound, DSBPLAY_LOOPING), 1);
    EXPECT_EQ(GetSoundStatus(nSound), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    m_mixer->render(300);
    expectPlays(*m_mixer, samples, 0, 10);
    EXPECT_EQ(GetSoundStatus(nSound), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    StopSound(nSound);
    EXPECT_EQ(GetSoundStatus(nSound), 0);
}

TEST_F(SoundBankTest, VolumeMapsToHundredthsOfADecibelAndScalesTheSamples) {
    const std::string samples(64, char(228));  // +0.78125 full scale
    const int nSound = load("level.wav", wave8Mono(samples));
    ASSERT_EQ(nSound, 0);
    struct Case {
        int v;
        int result;
        LONG volume;  // what the buffer holds afterwards
    };
    const Case cases[] = {
        {100, 1, 0},      {70, 1, -900},     {0, 1, -3000},      {101, 0, -3000},    {-233, 1, -9990},
        {-234, 0, -9990}, {50, 1, -1500},    {INT_MAX, 0, -1500}, {INT_MIN, 0, -1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("v = " + std::to_string(c.v));
        EXPECT_EQ(SetSoundVolume(nSound, c.v), c.result);
        LONG volume = 1;
        ASSERT_EQ(g_Sounds[nSound].m_pBuffer->GetVolume(&volume), DS_OK);
        EXPECT_EQ(volume, c.volume);
        ASSERT_EQ(StartSound(nSound, 0), 1);
        const float expected = 0.78125f * float(std::pow(10.0, c.volume / 2000.0));
        const std::vector<float> mix = m_mixer->render(4);
        EXPECT_NEAR(mix[0], expected, 1e-5);
        EXPECT_NEAR(mix[1], expected, 1e-5);
    }
    // -9 dB, the game's music level, is a little over a third of full scale.
    EXPECT_NEAR(std::pow(10.0, -900 / 2000.0), 0.3548, 1e-4);
}

TEST_F(SoundBankTest, FrequencyAndPanChangeWhatIsHeard) {
    const std::string samples = rampSamples(200);
    const int nSound = load("pitch.wav", wave8Mono(samples));
    ASSERT_EQ(SetSoundFrequency(nSound, 22050), 1);
    ASSERT_EQ(StartSound(nSound, 0), 1);
    const std::vector<float> fast = leftChannel(*m_mixer, 20);
    for (size_t i = 0; i < fast.size(); ++i) EXPECT_FLOAT_EQ(fast[i], asSample(samples[2 * i]));

    ASSERT_EQ(SetSoundFrequency(nSound, 0), 1);  // back to the buffer's own 11025 Hz
    ASSERT_EQ(SetSoundPan(nSound, DSBPAN_LEFT), 1);
    ASSERT_EQ(StartSound(nSound, 0), 1);
    const std::vector<float> mix = m_mixer->render(8);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(mix[2 * i], asSample(samples[i]));
        EXPECT_NEAR(mix[2 * i + 1], 0.0f, 1e-4);
    }

    EXPECT_EQ(SetSoundFrequency(nSound, 50), 0);
    EXPECT_EQ(SetSoundPan(nSound, 20000), 0);

    // Without the control flags a buffer refuses all three.
    const int nPlain = load("plain.wav", wave8Mono(samples), 0);
    ASSERT_EQ(nPlain, 1);
    EXPECT_EQ(g_BufferDesc.dwFlags, DWORD(DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE));
    EXPECT_EQ(SetSoundVolume(nPlain, 70), 0);
    EXPECT_EQ(SetSoundFrequency(nPlain, 22050), 0);
    EXPECT_EQ(SetSoundPan(nPlain, 0), 0);
}

// Files that load: each row gives the file, the bytes the buffer must hold and
// the rate the slot records. Every buffer is 8-bit mono 11025 Hz.
TEST_F(SoundBankTest, LoadsEveryWellFormedLayoutAsEightBitMono) {
    const std::string samples = rampSamples(101);  // odd: the data chunk carries a pad byte
    const std::string list = chunk("LIST", "INFOISFT" + soundtest::le32(5) + "tool" + std::string(2, '\0'));
    struct Case {
        const char* name;
        std::string file;
        std::string expected;
        int rate;
    };
    const std::string stereo16 = chunk("fmt ", formatBody(1, 2, 44100, 16));
    const Case cases[] = {
        {"plain", wave8Mono(samples), samples, 11025},
        {"list_before_fmt", riff("WAVE", list + formatChunk8Mono() + chunk("data", samples)), samples, 11025},
        {"list_between", riff("WAVE", formatChunk8Mono() + list + chunk("data", samples) + list), samples, 11025},
        {"fmt_18", riff("WAVE", chunk("fmt ", formatBody(1, 1, 22050, 8, true)) + chunk("data", samples)), samples,
         22050},
        {"stereo16_44k", riff("WAVE", stereo16 + chunk("data", samples.substr(0, 100))), samples.substr(0, 100),
         44100},
        // A data size that runs past the file is cut to the bytes that are there.
        {"data_past_end", riff("WAVE", formatChunk8Mono() + "data" + soundtest::le32(5000) + samples), samples,
         11025},
        {"riff_past_end", riff("WAVE", formatChunk8Mono() + chunk("data", samples), 99999), samples, 11025},
    };
    int nExpected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int nSound = load(std::string(c.name) + ".wav", c.file);
        ASSERT_EQ(nSound, nExpected++);
        EXPECT_EQ(g_Sounds[nSound].m_nDataSize, int(c.expected.size()));
        EXPECT_EQ(g_Sounds[nSound].m_nSampleRate, c.rate);
        // The shared description asks for a static software buffer of the data's size.
        EXPECT_EQ(g_BufferDesc.dwFlags, kGameFlags | DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE);
        EXPECT_EQ(g_BufferDesc.dwBufferBytes, DWORD(c.expected.size()));
        EXPECT_EQ(g_BufferDesc.lpwfxFormat, &g_WaveFormat);
        EXPECT_EQ(g_WaveFormat.nAvgBytesPerSec, 11025u);
        EXPECT_EQ(g_WaveFormat.nBlockAlign, 1);
        EXPECT_EQ(g_WaveFormat.cbSize, 0);
        WAVEFORMATEX format{};
        ASSERT_EQ(g_Sounds[nSound].m_pBuffer->GetFormat(&format, sizeof(format), nullptr), DS_OK);
        EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format.nChannels, 1);
        EXPECT_EQ(format.nSamplesPerSec, 11025u);
        EXPECT_EQ(format.wBitsPerSample, 8);
        ASSERT_EQ(StartSound(nSound, 0), 1);
        expectPlays(*m_mixer, c.expected, 0, c.expected.size());
        EXPECT_EQ(GetSoundStatus(nSound), 0);
    }
}

// Files that must not load. Each fails with -1 and leaves slot 0 free for
// the next good file.
TEST_F(SoundBankTest, RefusesEveryBrokenFileAndKeepsTheSlotFree) {
    const std::string samples = rampSamples(64);
    const std::string fmt = formatChunk8Mono();
    const std::string fmt18 = chunk("fmt ", formatBody(1, 1, 11025, 8, true));  // reads fully
    const std::string data = chunk("data", samples);
    const std::string list = chunk("LIST", "INFO");
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"empty", ""},
        {"riff_header_only", "RIFF" + soundtest::le32(4) + "WAVE"},
        {"not_riff", "RIFX" + soundtest::le32(4 + fmt.size() + data.size()) + "WAVE" + fmt + data},
        {"not_wave", riff("AVI ", fmt + data)},
        {"no_fmt", riff("WAVE", data)},
        {"no_data", riff("WAVE", fmt18 + list)},
        {"data_before_fmt", riff("WAVE", data + fmt18)},
        {"fmt_16_at_end", riff("WAVE", fmt)},
        {"fmt_shorter_than_pcm", riff("WAVE", chunk("fmt ", formatBody(1, 1, 11025, 8).substr(0, 8)) + data)},
        {"tag_adpcm", riff("WAVE", chunk("fmt ", formatBody(2, 1, 11025, 8)) + data)},
        {"tag_extensible", riff("WAVE", chunk("fmt ", formatBody(0xFFFE, 1, 11025, 8, true)) + data)},
        {"fmt_past_end", riff("WAVE", "fmt " + soundtest::le32(1000) + formatBody(1, 1, 11025, 8) + data)},
        {"fmt_size_wraps", riff("WAVE", "fmt " + soundtest::le32(0xFFFFFFF8u) + formatBody(1, 1, 11025, 8) + data)},
        {"data_header_cut", riff("WAVE", fmt + "data" + soundtest::le16(3))},
        {"data_empty", riff("WAVE", fmt + chunk("data", ""))},
        {"data_three_bytes", riff("WAVE", fmt + chunk("data", "abc"))},
        {"garbage", std::string(200, char(0xA5))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(std::string(c.name) + ".wav", c.file), -1);
        EXPECT_EQ(g_Sounds[0].m_bInUse, 0);
        EXPECT_EQ(g_Sounds[0].m_pBuffer, nullptr);
    }
    EXPECT_EQ(LoadSound(testenv::outputPath("no_such_file.wav").c_str(), kGameFlags), -1);
    EXPECT_EQ(LoadSound(testenv::outputPath("").c_str(), kGameFlags), -1);  // a folder
    EXPECT_EQ(LoadSound(nullptr, kGameFlags), -1);
    EXPECT_EQ(m_mixer->voiceCount(), 0u);

    EXPECT_EQ(load("good.wav", wave8Mono(samples)), 0);
}

// The game shares the sound card with other programs: the normal level, for its own window.
TEST_F(SoundBankTest, TheDeviceIsSetUpAtTheNormalLevelForTheGamesWindow) {
    HWND window = nullptr;
    EXPECT_EQ(host::soundCooperativeLevel(g_pDirectSound, &window), DWORD(DSSCL_NORMAL));
    EXPECT_EQ(window, g_hWnd);
}

TEST_F(SoundBankTest, TableHoldsTwoHundredFiftySixSounds) {
    const std::string path = scratchFile("short.wav", wave8Mono(rampSamples(16)));
    for (int i = 0; i < MAX_SOUNDS; ++i) ASSERT_EQ(LoadSound(path.c_str(), kGameFlags), i);
    const uint64_t opened = platform::mmioOpenCount();
    EXPECT_EQ(LoadSound(path.c_str(), kGameFlags), -1);
    EXPECT_EQ(platform::mmioOpenCount(), opened) << "a full table must not open the file";
    EXPECT_EQ(DuplicateSound(3), -1);

    // A released slot stays taken until the table is emptied.
    EXPECT_EQ(ReleaseSound(10), 1);
    EXPECT_EQ(GetSoundStatus(10), -1);
    EXPECT_EQ(g_Sounds[10].m_bInUse, 1);
    EXPECT_EQ(LoadSound(path.c_str(), kGameFlags), -1);
    EXPECT_EQ(m_mixer->voiceCount(), 255u);

    // A second InitSound empties the table and keeps the device.
    IDirectSound* device = g_pDirectSound;
    EXPECT_EQ(InitSound(), 1);
    EXPECT_EQ(g_pDirectSound, device);
    EXPECT_EQ(m_mixer->voiceCount(), 0u);
    EXPECT_EQ(g_Sounds[200].m_nIndex, 200);
    EXPECT_EQ(LoadSound(path.c_str(), kGameFlags), 0);
}

// Numbers that name no sound: out of the table (the game keeps -1 for a sound
// that did not load), never loaded, or released.
TEST_F(SoundBankTest, NumbersWithoutASoundDoNothing) {
    const int nLoaded = load("one.wav", wave8Mono(rampSamples(32)));
    ASSERT_EQ(nLoaded, 0);
    const int nReleased = load("two.wav", wave8Mono(rampSamples(32)));
    ASSERT_EQ(ReleaseSound(nReleased), 1);
    for (int nSound : {-1, MAX_SOUNDS, 1000, INT_MIN, INT_MAX, 7, nReleased}) {
        SCOPED_TRACE("slot " + std::to_string(nSound));
        EXPECT_EQ(StartSound(nSound, 0), 1);
        EXPECT_EQ(StopSound(nSound), 1);
        EXPECT_EQ(GetSoundStatus(nSound), -1);
        EXPECT_EQ(SetSoundVolume(nSound, 70), 0);
        EXPECT_EQ(SetSoundFrequency(nSound, 22050), 0);
        EXPECT_EQ(SetSoundPan(nSound, 0), 0);
        EXPECT_EQ(DuplicateSound(nSound), -1);
        EXPECT_EQ(ReleaseSound(nSound), 1);
    }
    expectSilence(*m_mixer, 64);
    EXPECT_EQ(GetSoundStatus(nLoaded), 0);
}

TEST_F(SoundBankTest, DuplicateSharesTheSamplesAndNothingElse) {
    const std::string samples = rampSamples(120);
    const int nSound = load("original.wav", wave8Mono(samples));
    ASSERT_EQ(SetSoundVolume(nSound, 0), 1);
    const int nCopy = DuplicateSound(nSound);
    ASSERT_EQ(nCopy, 1);
    EXPECT_EQ(g_Sounds[nCopy].m_nIndex, 1);
    EXPECT_EQ(g_Sounds[nCopy].m_nDataSize, 120);
    EXPECT_NE(g_Sounds[nCopy].m_pBuffer, g_Sounds[nSound].m_pBuffer);

    ASSERT_EQ(SetSoundVolume(nCopy, 100), 1);
    LONG volume = 0;
    g_Sounds[nSound].m_pBuffer->GetVolume(&volume);
    EXPECT_EQ(volume, -3000);
    ASSERT_EQ(StartSound(nCopy, 0), 1);
    EXPECT_EQ(GetSoundStatus(nSound), 0);
    expectPlays(*m_mixer, samples, 0, 120);
    EXPECT_EQ(GetSoundStatus(nCopy), 0);
}

TEST_F(SoundBankTest, LostBufferDoesNotStart) {
    const int nSound = load("lost.wav", wave8Mono(rampSamples(32)));
    platform::soundBufferFrom(g_Sounds[nSound].m_pBuffer)->markLost();
    EXPECT_EQ(StartSound(nSound, 0), 0);
    EXPECT_EQ(GetSoundStatus(nSound), DSBSTATUS_BUFFERLOST);
    expectSilence(*m_mixer, 32);
}

TEST_F(SoundBankTest, ShutdownReleasesEverySoundAndTheDevice) {
    const std::string samples = rampSamples(50);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(load("s" + std::to_string(i) + ".wav", wave8Mono(samples)), i);
    StartSound(1, DSBPLAY_LOOPING);
    EXPECT_EQ(ShutdownSound(), 1);
    EXPECT_EQ(m_mixer->voiceCount(), 0u);
    EXPECT_EQ(g_pDirectSound, nullptr);
    EXPECT_EQ(m_mixer.use_count(), 1) << "the device let go of the mixer";
    expectSilence(*m_mixer, 16);
}

// Without a usable device every call is safe and every load fails before it
// opens the file.
void expectNoSoundAnywhere(const std::string& path) {
    const uint64_t opened = platform::mmioOpenCount();
    EXPECT_EQ(LoadSound(path.c_str(), kGameFlags), -1);
    EXPECT_EQ(platform::mmioOpenCount(), opened);
    EXPECT_EQ(StartSound(0, 0), 1);
    EXPECT_EQ(GetSoundStatus(0), -1);
    EXPECT_EQ(SetSoundVolume(0, 70), 0);
    EXPECT_EQ(DuplicateSound(0), -1);
    EXPECT_EQ(InitSound(), 0) << "a failed first InitSound is not retried, and says so";
    EXPECT_EQ(ShutdownSound(), 1);
}

TEST(SoundBankWithoutDevice, WindowlessSetUpFails) {
    auto mixer = platform::AudioMixer::installManual(11025);
    g_hWnd = NULL;
    EXPECT_EQ(InitSound(), 0);
    EXPECT_EQ(g_pDirectSound, nullptr);
    expectNoSoundAnywhere(scratchFile("ok.wav", wave8Mono(rampSamples(16))));
    EXPECT_EQ(mixer.use_count(), 1);
}

// As on a machine without a sound card: ALSA knows no device. The game is
// told once that it plays silent, and nothing else is written: neither
// ALSA's own complaints nor a line per sound that cannot load.
TEST(SoundBankWithoutDevice, ASoundlessMachineHearsOnceThatTheGamePlaysSilent) {
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
    g_hWnd = reinterpret_cast<HWND>(uintptr_t(0x1000));
    const std::string path = scratchFile("ok.wav", wave8Mono(rampSamples(16)));
    testing::internal::CaptureStderr();
    EXPECT_EQ(InitSound(), 0);
    for (int i = 0; i < 6; i++) EXPECT_EQ(LoadSound(path.c_str(), kGameFlags), -1);
    EXPECT_EQ(InitSound(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "rockshooter: no sound device; the game plays silent\n");
    ShutdownSound();
}

TEST(SoundBankWithoutDevice, NoAudioOutputFails) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    g_hWnd = reinterpret_cast<HWND>(uintptr_t(0x1000));
    EXPECT_EQ(InitSound(), 0);
    EXPECT_EQ(g_pDirectSound, nullptr);
    expectNoSoundAnywhere(scratchFile("ok.wav", wave8Mono(rampSamples(16))));
}

}  // namespace
