// Maps every file name the program passes ("media\\x.bmp", "media//x.x",
// "SOUND/exp1.WAV") to a real file: backslashes become slashes, repeated
// slashes collapse, and each component that does not exist as written is
// matched case-insensitively in its folder.
#pragma once

#include <string>

namespace platform {

// The path to open: the real file when one matches, otherwise the
// normalised name (so that opening it fails in the usual way).
std::string resolvePath(const char* name);

// Only the separator clean-up, without looking at the disk.
std::string normalisePath(const char* name);

}  // namespace platform
