#include "avi_fixture.h"

#include "test_env.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace avitest {

namespace {

class Writer {
public:
    std::vector<uint8_t> bytes;

    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void fourcc(const char* code) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(code[i]));
    }
    void raw(const std::vector<uint8_t>& data) { bytes.insert(bytes.end(), data.begin(), data.end()); }

    // Starts a chunk (or a LIST/RIFF with its form type); returns where its
    // size goes, for end().
    size_t begin(const char* id, const char* form = nullptr) {
        fourcc(id);
        const size_t at = bytes.size();
        u32(0);
        if (form) fourcc(form);
        return at;
    }
    void end(size_t sizeAt) {
        const uint32_t size = uint32_t(bytes.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i) bytes[sizeAt + size_t(i)] = uint8_t(size >> (8 * i));
        if (size & 1) u8(0);  // chunks are padded to even length
    }
};

struct IndexEntry {
    char id[4];
    uint32_t offset;
    uint32_t size;
};

int pitchOf(int width) { return (width * 3 + 3) & ~3; }

std::vector<uint8_t> framePixels(const AviSpec& spec, int frame) {
    const int pitch = pitchOf(spec.width);
    std::vector<uint8_t> data(size_t(pitch) * size_t(spec.height), 0);
    auto colour = spec.pixel ? spec.pixel : defaultPixel;
    for (int y = 0; y < spec.height; ++y) {
        const int row = spec.topDown ? y : spec.height - 1 - y;
        for (int x = 0; x < spec.width; ++x) {
            const Bgr c = colour(frame, x, y);
            uint8_t* p = &data[size_t(row) * size_t(pitch) + size_t(x) * 3];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
    return data;
}

std::vector<uint8_t> soundSamples(const AviSpec& spec, int64_t from, int64_t count) {
    std::vector<uint8_t> data;
    for (int64_t i = from; i < from + count; ++i) {
        const double t = double(i) / spec.soundRate;
        const auto v = int16_t(8000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * t));
        data.push_back(uint8_t(v));
        data.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return data;
}

void streamHeader(Writer& w, const char* type, const char* handler, uint32_t scale, uint32_t rate,
                  uint32_t length, uint32_t bufferSize, uint32_t sampleSize, int width, int height) {
    const size_t strh = w.begin("strh");
    w.fourcc(type);
    if (handler)
        w.fourcc(handler);
    else
        w.u32(0);
    w.u32(0);  // flags
    w.u16(0);  // priority
    w.u16(0);  // language
    w.u32(0);  // initial frames
    w.u32(scale);
    w.u32(rate);
    w.u32(0);  // start
    w.u32(length);
    w.u32(bufferSize);
    w.u32(0xFFFFFFFFu);  // quality
    w.u32(sampleSize);
    w.u16(0);
    w.u16(0);
    w.u16(uint16_t(width));
    w.u16(uint16_t(height));
    w.end(strh);
}

}  // namespace

Bgr defaultPixel(int frame, int x, int y) {
    if (x == 0 && y == 0) return Bgr{uint8_t(frame), 0, 0};
    if (x == 2 && y == 1) return Bgr{10, 20, 30};
    return Bgr{uint8_t(100 + x), uint8_t(100 + y), 200};
}

std::vector<uint8_t> buildAvi(const AviSpec& spec) {
    const int pitch = pitchOf(spec.width);
    const uint32_t frameBytes = uint32_t(pitch * spec.height);
    const double seconds = spec.soundSeconds >= 0 ? spec.soundSeconds : double(spec.frames) / spec.fps;
    const int64_t soundTotal = spec.withSound ? int64_t(seconds * spec.soundRate) : 0;
    const int videoStream = spec.withSound && spec.soundFirst ? 1 : 0;
    const int soundStream = 1 - videoStream;
    char videoId[5], soundId[5];
    std::snprintf(videoId, sizeof videoId, "%02ddb", videoStream);
    std::snprintf(soundId, sizeof soundId, "%02dwb", soundStream);

    Writer w;
    const size_t riff = w.begin("RIFF", "AVI ");
    const size_t hdrl = w.begin("LIST", "hdrl");
    const size_t avih = w.begin("avih");
    w.u32(uint32_t(1000000 / spec.fps));
    w.u32(frameBytes * uint32_t(spec.fps));
    w.u32(0);
    w.u32(0x10);  // has an index
    w.u32(uint32_t(spec.frames));
    w.u32(0);
    w.u32(spec.withSound ? 2 : 1);
    w.u32(frameBytes);
    w.u32(uint32_t(spec.width));
    w.u32(uint32_t(spec.height));
    for (int i = 0; i < 4; ++i) w.u32(0);
    w.end(avih);

    auto videoList = [&] {
        const size_t strl = w.begin("LIST", "strl");
        streamHeader(w, "vids", "DIB ", 1, uint32_t(spec.fps), uint32_t(spec.frames), frameBytes, 0,
                     spec.width, spec.height);
        const size_t strf = w.begin("strf");
        w.u32(40);
        w.u32(uint32_t(spec.width));
        w.u32(uint32_t(spec.topDown ? -spec.height : spec.height));
        w.u16(1);
        w.u16(24);
        w.u32(0);  // BI_RGB
        w.u32(frameBytes);
        w.u32(0);
        w.u32(0);
        w.u32(0);
        w.u32(0);
        w.end(strf);
        w.end(strl);
    };
    auto soundList = [&] {
        const size_t strl = w.begin("LIST", "strl");
        streamHeader(w, "auds", nullptr, 2, uint32_t(spec.soundRate * 2), uint32_t(soundTotal),
                     uint32_t(spec.soundRate), 2, 0, 0);
        const size_t strf = w.begin("strf");
        w.u16(1);  // PCM
        w.u16(1);
        w.u32(uint32_t(spec.soundRate));
        w.u32(uint32_t(spec.soundRate * 2));
        w.u16(2);
        w.u16(16);
        w.u16(0);
        w.end(strf);
        w.end(strl);
    };
    if (spec.withSound && spec.soundFirst) {
        soundList();
        videoList();
    } else {
        videoList();
        if (spec.withSound) soundList();
    }
    w.end(hdrl);

    std::vector<IndexEntry> index;
    const size_t movi = w.begin("LIST", "movi");
    const size_t moviStart = movi + 4;  // offsets count from the 'movi' form type
    auto chunk = [&](const char* id, const std::vector<uint8_t>& data) {
        IndexEntry entry{};
        std::memcpy(entry.id, id, 4);
        entry.offset = uint32_t(w.bytes.size() - moviStart);
        entry.size = uint32_t(data.size());
        index.push_back(entry);
        const size_t at = w.begin(id);
        w.raw(data);
        w.end(at);
    };
    int64_t soundDone = 0;
    for (int f = 0; f < spec.frames; ++f) {
        chunk(videoId, framePixels(spec, f));
        const int64_t soundUntil =
            f + 1 == spec.frames ? soundTotal : std::min(soundTotal, int64_t(f + 1) * spec.soundRate / spec.fps);
        if (soundUntil > soundDone) {
            chunk(soundId, soundSamples(spec, soundDone, soundUntil - soundDone));
            soundDone = soundUntil;
        }
    }
    w.end(movi);

    const size_t idx1 = w.begin("idx1");
    for (const IndexEntry& entry : index) {
        w.bytes.insert(w.bytes.end(), entry.id, entry.id + 4);
        w.u32(0x10);  // key frame
        w.u32(entry.offset);
        w.u32(entry.size);
    }
    w.end(idx1);
    w.end(riff);
    return w.bytes;
}

std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = testenv::outputPath(name);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

std::string writeAvi(const std::string& name, const AviSpec& spec) {
    return writeFile(name, buildAvi(spec));
}

}  // namespace avitest
