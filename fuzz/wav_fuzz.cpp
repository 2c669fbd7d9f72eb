// Fuzzes the WAV path of the sound bank: the RIFF reader walked the way the
// loader walks it (the "WAVE" form, "fmt ", an 18-byte format read, "data"),
// every chunk of the form visited in turn, and the data played through a
// sound buffer on a manual mixer.
#include "audio_mixer.h"
#include "dsound_api.h"
#include "fuzz_target.h"
#include "mmio_api.h"

#include <cstring>
#include <vector>

namespace {

HMMIO openMemory(const uint8_t* data, size_t size) {
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = reinterpret_cast<HPSTR>(const_cast<uint8_t*>(data));
    info.cchBuffer = static_cast<LONG>(size);
    return mmioOpen(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
}

IDirectSound* device() {
    static auto mixer = platform::AudioMixer::installManual(11025);
    static IDirectSound* sound = [] {
        IDirectSound* created = nullptr;
        if (FAILED(DirectSoundCreate(nullptr, &created, nullptr))) return static_cast<IDirectSound*>(nullptr);
        created->SetCooperativeLevel(reinterpret_cast<HWND>(uintptr_t(1)), DSSCL_NORMAL);
        return created;
    }();
    return sound;
}

// Every chunk of the form, one after the other, and each LIST's children.
void walkChunks(HMMIO file, const MMCKINFO& parent) {
    MMCKINFO chunk{};
    for (int i = 0; i < 64 && mmioDescend(file, &chunk, &parent, 0) == MMSYSERR_NOERROR; ++i) {
        if (chunk.ckid == FOURCC_LIST) {
            MMCKINFO child{};
            while (mmioDescend(file, &child, &chunk, 0) == MMSYSERR_NOERROR) {
                if (mmioAscend(file, &child, 0) != MMSYSERR_NOERROR) break;
            }
        }
        if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) break;
    }
}

void playBytes(const std::vector<char>& bytes) {
    IDirectSound* sound = device();
    if (!sound) return;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = static_cast<DWORD>(bytes.size());
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(sound->CreateSoundBuffer(&desc, &buffer, nullptr))) return;
    LPVOID first = nullptr, second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    if (SUCCEEDED(buffer->Lock(0, desc.dwBufferBytes, &first, &firstBytes, &second, &secondBytes,
                               DSBLOCK_FROMWRITECURSOR))) {
        std::memcpy(first, bytes.data(), firstBytes);
        if (second) std::memcpy(second, bytes.data() + firstBytes, secondBytes);
        buffer->Unlock(first, firstBytes, second, secondBytes);
    }
    buffer->SetVolume(-900);
    buffer->Play(0, 0, 0);
    platform::AudioMixer::shared()->render(512);
    buffer->Release();
}

void readWave(HMMIO file) {
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return;
    const LONG formStart = mmioSeek(file, 0, SEEK_CUR);
    walkChunks(file, riff);
    mmioSeek(file, formStart, SEEK_SET);

    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file, &fmt, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR || fmt.cksize < 16) return;
    WAVEFORMATEX format{};
    if (mmioRead(file, reinterpret_cast<HPSTR>(&format), sizeof(format)) < LONG(sizeof(format))) return;
    if (format.wFormatTag != WAVE_FORMAT_PCM || mmioAscend(file, &fmt, 0) != MMSYSERR_NOERROR) return;

    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return;
    const LONG end = mmioSeek(file, 0, SEEK_END);
    mmioSeek(file, LONG(data.dwDataOffset), SEEK_SET);
    if (end < LONG(data.dwDataOffset)) return;
    const DWORD present = DWORD(end) - data.dwDataOffset;
    std::vector<char> bytes(data.cksize < present ? data.cksize : present);
    if (mmioRead(file, bytes.data(), LONG(bytes.size())) != LONG(bytes.size())) return;
    playBytes(bytes);
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
    HMMIO file = openMemory(data, size);
    if (!file) return 0;
    readWave(file);
    mmioClose(file, 0);
    return 0;
}

std::vector<std::string> fuzzSeeds() {
    const std::string samples = "\x80\x90\xA0\xB0\xC0\xB0\xA0\x90\x80\x70\x60";
    const std::string list = chunk("LIST", "INFO" + chunk("ISFT", "tool"));
    return {
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
