#include "dmusic_midi_file.h"

#include <algorithm>
#include <map>

namespace platform {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note
constexpr uint32_t kMaxTracks = 1024;

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    size_t left() const { return m_size - m_pos; }
    bool byte(uint8_t& out) {
        if (atEnd()) return false;
        out = m_data[m_pos++];
        return true;
    }
    bool skip(size_t count) {
        if (count > left()) return false;
        m_pos += count;
        return true;
    }
    bool bigEndian(int bytes, uint32_t& out) {
        if (left() < size_t(bytes)) return false;
        out = 0;
        for (int i = 0; i < bytes; ++i) out = (out << 8) | m_data[m_pos++];
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    bool varLength(uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b)) return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    const uint8_t* here() const { return m_data + m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

int dataBytesOf(uint8_t status) {
    switch (status & 0xF0) {
        case 0xC0:
        case 0xD0: return 1;
        default: return 2;
    }
}

struct TrackResult {
    uint32_t endTick = 0;
    uint32_t lastEventTick = 0;
};

bool walkTrack(Reader track, std::map<uint32_t, uint32_t>& tempos, TrackResult& result,
               std::string& error) {
    uint32_t tick = 0;
    uint8_t running = 0;
    while (!track.atEnd()) {
        uint32_t delta;
        uint8_t status;
        if (!track.varLength(delta) || !track.byte(status)) return error = "event cut short", false;
        if (uint64_t(tick) + delta > 0x7FFFFFFF) return error = "track too long", false;
        tick += delta;
        if (status == 0xFF) {
            uint8_t type;
            uint32_t length;
            if (!track.byte(type) || !track.varLength(length) || length > track.left())
                return error = "meta event cut short", false;
            if (type == 0x2F) {
                result.endTick = tick;
                return true;
            }
            if (type == 0x51 && length == 3) {
                const uint8_t* t = track.here();
                const uint32_t tempo = (uint32_t(t[0]) << 16) | (uint32_t(t[1]) << 8) | t[2];
                if (tempo > 0) tempos[tick] = tempo;
            }
            track.skip(length);
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t length;
            if (!track.varLength(length) || !track.skip(length)) return error = "sysex cut short", false;
            continue;
        }
        int dataBytes;
        if (status & 0x80) {
            if (status >= 0xF0) return error = "system message inside a track", false;
            running = status;
            dataBytes = dataBytesOf(status);
        } else {
            if (!running) return error = "data byte with no running status", false;
            dataBytes = dataBytesOf(running) - 1;  // the status byte read was the first data byte
        }
        for (int i = 0; i < dataBytes; ++i) {
            uint8_t data;
            if (!track.byte(data) || (data & 0x80)) return error = "bad channel message", false;
        }
        result.lastEventTick = tick;
    }
    return error = "track has no end-of-track event", false;
}

double secondsAt(uint32_t tick, const std::map<uint32_t, uint32_t>& tempos, int division) {
    if (division & 0x8000) {
        const int framesPerSecond = -int8_t(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        return double(tick) / (double(framesPerSecond) * ticksPerFrame);
    }
    double seconds = 0.0;
    uint32_t from = 0, tempo = kDefaultTempo;
    for (const auto& [at, value] : tempos) {
        if (at >= tick) break;
        seconds += double(at - from) * tempo / 1e6 / division;
        from = at;
        tempo = value;
    }
    return seconds + double(tick - from) * tempo / 1e6 / division;
}

}  // namespace

bool parseMidiFile(const std::vector<uint8_t>& bytes, MidiFileInfo& info, std::string& error) {
    Reader file(bytes.data(), bytes.size());
    uint32_t id, headerLength, format, tracks, division;
    if (!file.bigEndian(4, id) || id != 0x4D546864 /* MThd */) return error = "not a MIDI file", false;
    if (!file.bigEndian(4, headerLength) || headerLength < 6 || !file.bigEndian(2, format) ||
        !file.bigEndian(2, tracks) || !file.bigEndian(2, division) || !file.skip(headerLength - 6))
        return error = "MIDI header cut short", false;
    if (format > 2) return error = "unknown MIDI format", false;
    if (tracks == 0 || tracks > kMaxTracks || (format == 0 && tracks != 1))
        return error = "bad number of tracks", false;
    // Ticks per quarter note, or time code: frames a second (negated) and ticks a frame.
    const bool timeCode = division & 0x8000;
    if (division == 0 || (timeCode && ((division & 0xFF) == 0 || -int(int8_t(division >> 8)) <= 0)))
        return error = "bad time division", false;

    std::map<uint32_t, uint32_t> tempos;
    uint32_t endTick = 0, lastEventTick = 0;
    for (uint32_t found = 0; found < tracks;) {
        uint32_t chunkId, length;
        if (!file.bigEndian(4, chunkId) || !file.bigEndian(4, length) || length > file.left())
            return error = "track chunk missing or cut short", false;
        const uint8_t* body = file.here();
        file.skip(length);
        if (chunkId != 0x4D54726B /* MTrk */) continue;  // unknown chunks are skipped
        TrackResult track;
        if (!walkTrack(Reader(body, length), tempos, track, error)) return false;
        endTick = std::max(endTick, track.endTick);
        lastEventTick = std::max(lastEventTick, track.lastEventTick);
        ++found;
    }
    info.format = int(format);
    info.tracks = int(tracks);
    info.division = int(division);
    info.lengthTicks = endTick;
    info.seconds = secondsAt(std::max(endTick, lastEventTick), tempos, int(division));
    return true;
}

}  // namespace platform
