// Checks a standard MIDI file from end to end before anything plays it, and
// works out how long it lasts, so that a damaged file is refused at load
// time and the end of a piece is known exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct MidiFileInfo {
    int format = 0;  // 0, 1 or 2
    int tracks = 0;
    int division = 0;  // ticks per quarter note (or the raw SMPTE word)
    uint32_t lengthTicks = 0;  // the latest track end, in the file's ticks
    double seconds = 0.0;  // when the last event happens, with the file's tempo changes
};

// False, with the reason in `error`, for anything that is not a complete
// standard MIDI file (header, the announced track chunks, well-formed events).
bool parseMidiFile(const std::vector<uint8_t>& bytes, MidiFileInfo& info, std::string& error);

}  // namespace platform
