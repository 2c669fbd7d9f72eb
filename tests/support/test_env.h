// Helpers every test program shares.
#pragma once

#include <string>

namespace testenv {

// The generated run directory (media/, SOUND/, video/).
std::string runDir();

// A path for a file a test writes (captured frames, scratch files), in a
// folder of this test process's own that exists.
std::string outputPath(const std::string& name);

}  // namespace testenv
