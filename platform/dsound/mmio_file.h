// Test hook of the multimedia file functions.
#pragma once

#include <cstdint>

namespace platform {

// How many times mmioOpen has been called in this process, successful or
// not: shows that a caller gave up before touching a file.
uint64_t mmioOpenCount();

}  // namespace platform
