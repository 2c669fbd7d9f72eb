// What the MIDI file check accepts, how long it says a piece lasts, and the
// damaged files it refuses.
#include "dmusic_midi_file.h"

#include "dmusic_midi_builder.h"

#include <gtest/gtest.h>

using namespace miditest;
using platform::MidiFileInfo;
using platform::parseMidiFile;

namespace {

Bytes withTrack(Bytes file, const Bytes& events) {
    const Bytes track = trackChunk(events);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

}  // namespace

TEST(MidiFile, LengthFollowsTicksTempoAndTimeCode) {
    struct Case {
        const char* name;
        Bytes file;
        double seconds;
        uint32_t ticks;
    };
    // Tempo 250000 us a quarter from tick 96 on: the second 96 ticks last 0.25 s.
    Bytes tempoChange = {0x00, 0x90, 60, 100, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,
                         0x60, 0x80, 60, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    // Running status: the second note-on omits its status byte.
    Bytes running = {0x00, 0x90, 60, 100, 0x30, 64, 100, 0x30, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    // 25 frames a second, 40 ticks a frame: 1000 ticks a second.
    Bytes timeCode = header(0, 1, 0xE728);
    const Case cases[] = {
        {"one note", oneNoteFile(96), 0.5, 96},
        {"two beats", oneNoteFile(192), 1.0, 192},
        {"tempo change", withTrack(header(0, 1, 96), tempoChange), 0.75, 192},
        {"running status", withTrack(header(0, 1, 96), running), 0.5, 96},
        {"time code", withTrack(timeCode, oneNoteEvents(500)), 0.5, 500},
        {"two tracks", withTrack(withTrack(header(1, 2, 96), oneNoteEvents(96)), oneNoteEvents(288)), 1.5, 288},
    };
    for (const Case& c : cases) {
        MidiFileInfo info;
        std::string error;
        ASSERT_TRUE(parseMidiFile(c.file, info, error)) << c.name << ": " << error;
        EXPECT_NEAR(info.seconds, c.seconds, 1e-9) << c.name;
        EXPECT_EQ(info.lengthTicks, c.ticks) << c.name;
    }
}

TEST(MidiFile, RefusesWhatIsNotACompleteMidiFile) {
    const Bytes good = oneNoteFile(96);
    Bytes cut = good;
    cut.resize(good.size() - 3);
    Bytes noEnd = withTrack(header(0, 1, 96), {0x00, 0x90, 60, 100, 0x10, 0x80, 60, 0});
    Bytes missingTrack = header(1, 2, 96);
    const Bytes track = trackChunk(oneNoteEvents(96));
    missingTrack.insert(missingTrack.end(), track.begin(), track.end());
    Bytes hugeChunk = header(0, 1, 96);
    hugeChunk.insert(hugeChunk.end(), {'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00});
    const Bytes riff = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"a RIFF file", riff},
        {"header only", header(0, 1, 96)},
        {"short header", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}},
        {"format 3", withTrack(header(3, 1, 96), oneNoteEvents(96))},
        {"no tracks", header(0, 0, 96)},
        {"format 0 with two tracks", withTrack(withTrack(header(0, 2, 96), oneNoteEvents(9)), oneNoteEvents(9))},
        {"division 0", withTrack(header(0, 1, 0), oneNoteEvents(96))},
        {"time code with no ticks a frame", withTrack(header(0, 1, 0xE700), oneNoteEvents(96))},
        {"cut in the last event", cut},
        {"no end of track", noEnd},
        {"fewer tracks than announced", missingTrack},
        {"chunk longer than the file", hugeChunk},
        {"data byte first", withTrack(header(0, 1, 96), {0x00, 60, 100, 0x00, 0xFF, 0x2F, 0x00})},
        {"status byte as data", withTrack(header(0, 1, 96), {0x00, 0x90, 0x90, 100, 0x00, 0xFF, 0x2F, 0x00})},
        {"endless delta", withTrack(header(0, 1, 96), {0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1})},
        {"meta longer than its track", withTrack(header(0, 1, 96), {0x00, 0xFF, 0x01, 0x40, 'a'})},
    };
    for (const Case& c : cases) {
        MidiFileInfo info;
        std::string error;
        EXPECT_FALSE(parseMidiFile(c.file, info, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}
