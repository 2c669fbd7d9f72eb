// Fuzzes WAV files the way the game loads them: by file name through the
// sound bank's LoadSound with the game's flags (the RIFF reader walking the
// "WAVE" form to "fmt " and "data", a buffer made and filled), then the sound
// played, turned and duplicated on a manual mixer, and its slot given back.
#include "fuzz_support.h"
#include "fuzz_target.h"

#include "GraphicsApp.h"
#include "SoundBank.h"
#include "assetgen/sounds.h"
#include "assetgen/wav_writer.h"
#include "audio_mixer.h"

#include <cstdlib>
#include <memory>

namespace {

// The sound bank, set up once as the game does at start-up.
bool soundBankReady() {
    static std::shared_ptr<platform::AudioMixer> mixer = platform::AudioMixer::installManual(11025);
    static const bool ready = [] {
        g_hWnd = fuzzsupport::window();
        return InitSound() == 1;
    }();
    return ready;
}

std::string le16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string chunk(const std::string& id, const std::string& body) {
    std::string out = id + le32(uint32_t(body.size())) + body;
    if (body.size() % 2) out.push_back('\0');
    return out;
}
std::string format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t block = uint16_t(channels * bits / 8);
    return chunk("fmt ", le16(tag) + le16(channels) + le32(rate) + le32(rate * block) + le16(block) + le16(bits));
}
std::string riff(const std::string& chunks) { return "RIFF" + le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!soundBankReady()) std::abort();
    const std::string path = fuzzsupport::scratchFile(data, size, ".wav");
    const int slot = LoadSound(path.c_str(), DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME);
    if (slot < -1 || slot >= MAX_SOUNDS) std::abort();
    if (slot < 0) return 0;
    // Never more bytes in the buffer than the file holds.
    if (g_Sounds[slot].m_nDataSize < 0 || size_t(g_Sounds[slot].m_nDataSize) > size) std::abort();
    const int copy = DuplicateSound(slot);
    SetSoundVolume(slot, 70);
    SetSoundFrequency(slot, 22050);
    StartSound(slot, 0);
    StartSound(copy, DSBPLAY_LOOPING);
    platform::AudioMixer::shared()->render(512);
    ReleaseSound(copy);
    ReleaseSound(slot);
    // Every slot free again for the next input (InitSound keeps the device).
    InitSound();
    return 0;
}

std::vector<std::string> fuzzSeeds() {
    const std::string samples = "\x80\x90\xA0\xB0\xC0\xB0\xA0\x90\x80\x70\x60";
    const std::string list = chunk("LIST", "INFO" + chunk("ISFT", "tool"));
    return {
        fuzzsupport::text(assetgen::encode_wav_u8(assetgen::to_u8(assetgen::make_zap(), 1))),
        riff(format(1, 1, 11025, 8) + chunk("data", samples)),
        riff(list + format(1, 1, 11025, 8) + list + chunk("data", samples)),
        riff(format(1, 2, 44100, 16) + chunk("data", samples + samples)),
        riff(chunk("data", samples) + format(1, 1, 11025, 8)),
        riff(format(2, 1, 11025, 4) + chunk("data", samples)),
        riff(format(1, 1, 11025, 8) + "data" + le32(0x7FFFFFF0) + samples),
        riff(format(1, 1, 11025, 8)),
        riff(format(1, 1, 11025, 8) + chunk("data", "")),
        "RIFF" + le32(0xFFFFFFFF) + "WAVEfmt " + le32(0xFFFFFFF0),
        std::string("RIFF\x04\0\0\0WAVE", 12),
    };
}
