// Sound buffers on the manual mixer: what CreateSoundBuffer refuses, the
// lock regions, formats other than 8-bit mono, and resampling.
#include "audio_mixer.h"
#include "dsound_api.h"
#include "dsound_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

WAVEFORMATEX pcmFormat(WORD channels, DWORD rate, WORD bits) {
    const WORD block = WORD(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

class DirectSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_mixer = platform::AudioMixer::installManual(11025);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &m_sound, nullptr), DS_OK);
        ASSERT_EQ(m_sound->SetCooperativeLevel(reinterpret_cast<HWND>(uintptr_t(0x10)), DSSCL_NORMAL), DS_OK);
    }
    void TearDown() override {
        for (IDirectSoundBuffer* buffer : m_buffers) buffer->Release();
        if (m_sound) m_sound->Release();
        EXPECT_EQ(m_mixer->voiceCount(), 0u);
    }

    HRESULT create(const WAVEFORMATEX& format, DWORD bytes, DWORD flags, IDirectSoundBuffer** out) {
        m_format = format;
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flags;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &m_format;
        const HRESULT result = m_sound->CreateSoundBuffer(&desc, out, nullptr);
        if (SUCCEEDED(result)) m_buffers.push_back(*out);
        return result;
    }

    IDirectSoundBuffer* filled(const WAVEFORMATEX& format, const std::vector<uint8_t>& bytes,
                               DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY) {
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(create(format, DWORD(bytes.size()), flags, &buffer), DS_OK);
        if (!buffer) return nullptr;
        LPVOID region = nullptr;
        DWORD length = 0;
        EXPECT_EQ(buffer->Lock(0, 0, &region, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        std::memcpy(region, bytes.data(), length);
        EXPECT_EQ(buffer->Unlock(region, length, nullptr, 0), DS_OK);
        return buffer;
    }

    std::shared_ptr<platform::AudioMixer> m_mixer;
    IDirectSound8* m_sound = nullptr;
    WAVEFORMATEX m_format{};
    std::vector<IDirectSoundBuffer*> m_buffers;
};

TEST_F(DirectSoundTest, CreateSoundBufferRefusesWhatItCannotPlay) {
    struct Case {
        const char* name;
        WAVEFORMATEX format;
        DWORD bytes;
        DWORD flags;
        HRESULT expected;
    };
    WAVEFORMATEX misaligned = pcmFormat(2, 11025, 16);
    misaligned.nBlockAlign = 3;
    WAVEFORMATEX compressed = pcmFormat(1, 11025, 8);
    compressed.wFormatTag = 2;
    const Case cases[] = {
        {"too small", pcmFormat(1, 11025, 8), DSBSIZE_MIN - 1, 0, DSERR_INVALIDPARAM},
        {"too big", pcmFormat(1, 11025, 8), DSBSIZE_MAX + 1u, 0, DSERR_INVALIDPARAM},
        {"primary", pcmFormat(1, 11025, 8), 64, DSBCAPS_PRIMARYBUFFER, DSERR_UNSUPPORTED},
        {"compressed", compressed, 64, 0, DSERR_BADFORMAT},
        {"24-bit", pcmFormat(1, 11025, 24), 64, 0, DSERR_BADFORMAT},
        {"six channels", pcmFormat(6, 11025, 8), 64, 0, DSERR_BADFORMAT},
        {"block align", misaligned, 64, 0, DSERR_BADFORMAT},
        {"rate 0", pcmFormat(1, 0, 8), 64, 0, DSERR_BADFORMAT},
        {"smallest", pcmFormat(1, 11025, 8), DSBSIZE_MIN, 0, DS_OK},
        {"16-bit stereo", pcmFormat(2, 44100, 16), 64, 0, DS_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(uintptr_t(1));
        EXPECT_EQ(create(c.format, c.bytes, c.flags, &buffer), c.expected);
        if (FAILED(c.expected)) {
            EXPECT_EQ(buffer, nullptr);
        }
    }
    // The description must be the full form, and the device must be set up.
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc) - sizeof(GUID);
    desc.dwBufferBytes = 64;
    desc.lpwfxFormat = &m_format;
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(m_sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(m_sound->CreateSoundBuffer(nullptr, &buffer, nullptr), DSERR_INVALIDPARAM);
    IDirectSound* fresh = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &fresh, nullptr), DS_OK);
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(fresh->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
    fresh->Release();
}

TEST_F(DirectSoundTest, LockFromTheWriteCursorWrapsRoundTheEnd) {
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(create(pcmFormat(1, 11025, 8), 100, 0, &buffer), DS_OK);
    LPVOID first = nullptr, second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    // A new buffer's cursor is 0: one region, the whole buffer.
    ASSERT_EQ(buffer->Lock(0, 100, &first, &firstBytes, &second, &secondBytes, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(firstBytes, 100u);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(secondBytes, 0u);
    EXPECT_EQ(static_cast<uint8_t*>(first)[0], 0x80) << "new memory is 8-bit silence";
    ASSERT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);

    ASSERT_EQ(buffer->SetCurrentPosition(70), DS_OK);
    ASSERT_EQ(buffer->Lock(0, 50, &first, &firstBytes, &second, &secondBytes, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(firstBytes, 30u);
    EXPECT_EQ(secondBytes, 20u);
    EXPECT_EQ(static_cast<uint8_t*>(first) - static_cast<uint8_t*>(second), 70);
    EXPECT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);

    EXPECT_EQ(buffer->Lock(0, 101, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(100, 1, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(90, 20, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetCurrentPosition(100), DSERR_INVALIDPARAM);
    int outside = 0;
    EXPECT_EQ(buffer->Unlock(&outside, 1, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(DirectSoundTest, SixteenBitStereoAtTwiceTheRatePlaysEveryOtherFrame) {
    // Frames of (left, right) = (i * 500, -i * 500) at 22050 Hz on an 11025 Hz mix.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 40; ++i) {
        for (int16_t value : {int16_t(i * 500), int16_t(-i * 500)}) {
            bytes.push_back(uint8_t(value & 0xFF));
            bytes.push_back(uint8_t((value >> 8) & 0xFF));
        }
    }
    IDirectSoundBuffer* buffer = filled(pcmFormat(2, 22050, 16), bytes);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const std::vector<float> mix = m_mixer->render(25);
    for (int i = 0; i < 20; ++i) {
        EXPECT_FLOAT_EQ(mix[2 * i], 2 * i * 500 / 32768.0f);
        EXPECT_FLOAT_EQ(mix[2 * i + 1], -2 * i * 500 / 32768.0f);
    }
    EXPECT_EQ(mix[40], 0.0f) << "it ends after its 40 frames";
    DWORD status = 1;
    buffer->GetStatus(&status);
    EXPECT_EQ(status, 0u);
}

TEST_F(DirectSoundTest, HalfRateInterpolatesBetweenSamples) {
    IDirectSoundBuffer* buffer = filled(pcmFormat(1, 11025, 8), {128, 192, 128, 64});
    ASSERT_EQ(buffer->SetFrequency(5512), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    const std::vector<float> mix = m_mixer->render(4);
    EXPECT_NEAR(mix[0], 0.0f, 1e-3);
    EXPECT_NEAR(mix[2], 0.25f, 1e-3);
    EXPECT_NEAR(mix[4], 0.5f, 1e-3);
    EXPECT_NEAR(mix[6], 0.25f, 1e-3);
}

TEST_F(DirectSoundTest, DuplicatesPlayTheSameBytesOnTheirOwn) {
    IDirectSoundBuffer* original = filled(pcmFormat(1, 11025, 8), {160, 160, 160, 160, 160, 160, 160, 160});
    ASSERT_EQ(original->SetVolume(-600), DS_OK);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(m_sound->DuplicateSoundBuffer(original, &copy), DS_OK);
    m_buffers.push_back(copy);
    LONG volume = 0;
    copy->GetVolume(&volume);
    EXPECT_EQ(volume, -600) << "starts with the original's settings";
    ASSERT_EQ(copy->SetVolume(0), DS_OK);
    ASSERT_EQ(original->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
    const std::vector<float> mix = m_mixer->render(2);
    EXPECT_NEAR(mix[0], 0.25f + 0.25f * 0.501187f, 1e-4) << "both mixed, each at its own volume";
    EXPECT_EQ(m_sound->DuplicateSoundBuffer(nullptr, &copy), DSERR_INVALIDPARAM);
}

}  // namespace
