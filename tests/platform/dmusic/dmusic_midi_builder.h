// Standard MIDI files built in memory for the music tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace miditest {

using Bytes = std::vector<uint8_t>;

inline void append32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

inline void appendVarLength(Bytes& out, uint32_t value) {
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value && count < 4);
    while (count-- > 0) out.push_back(uint8_t(groups[count] | (count ? 0x80 : 0)));
}

inline Bytes header(uint16_t format, uint16_t tracks, uint16_t division) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    for (uint16_t v : {format, tracks, division}) {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    }
    return out;
}

inline Bytes trackChunk(const Bytes& events) {
    Bytes out = {'M', 'T', 'r', 'k'};
    append32(out, uint32_t(events.size()));
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

inline const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

// One piano note (middle C, loud) held for `ticks` at 96 ticks a quarter
// note and 120 beats a minute: 96 ticks last half a second.
inline Bytes oneNoteEvents(uint32_t ticks, uint8_t note = 60) {
    Bytes events = {0x00, 0xC0, 0x00, 0x00, 0x90, note, 100};
    appendVarLength(events, ticks);
    events.insert(events.end(), {0x80, note, 0x40});
    events.insert(events.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    return events;
}

inline Bytes oneNoteFile(uint32_t ticks = 96, uint8_t note = 60) {
    Bytes file = header(0, 1, 96);
    const Bytes track = trackChunk(oneNoteEvents(ticks, note));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Largest absolute sample of an interleaved mix.
inline float peak(const std::vector<float>& mix, size_t from = 0) {
    float best = 0.0f;
    for (size_t i = from; i < mix.size(); ++i) best = std::max(best, mix[i] < 0 ? -mix[i] : mix[i]);
    return best;
}

}  // namespace miditest
