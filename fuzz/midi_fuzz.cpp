// Fuzzes the MIDI file check that stands between a file and the synthesiser:
// whatever it accepts must also be described consistently.
#include "dmusic_midi_file.h"
#include "fuzz_target.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    platform::MidiFileInfo info;
    std::string error;
    if (platform::parseMidiFile(bytes, info, error)) {
        // An accepted file has a header's worth of bytes and a sane description.
        if (size < 14 || info.tracks < 1 || info.format < 0 || info.format > 2 || info.seconds < 0)
            std::abort();
    }
    return 0;
}

namespace {

std::string text(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) out.push_back(char(b));
    return out;
}

const std::string kHeader = text({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96});
const std::string kTrackStart = text({'M', 'T', 'r', 'k', 0, 0, 0});

}  // namespace

std::vector<std::string> fuzzSeeds() {
    // One note held for 96 ticks, with a tempo change and running status.
    const std::string events = text({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xC0, 0x00,
                                     0x00, 0x90, 60, 100, 0x60, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
    const std::string good = kHeader + kTrackStart + char(events.size()) + events;
    return {
        good,
        good.substr(0, good.size() - 3),                       // cut inside the last event
        kHeader,                                               // a header and no track
        kHeader + kTrackStart + char(0x7F) + events,           // a track longer than the file
        text({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0xE7, 0x28}) + kTrackStart +
            char(events.size()) + events,                      // time code, one of two tracks
        "RIFF",
    };
}
