// A window for tests: a class with the default procedure, registered once,
// and a window of it.
#pragma once

#include "win32_api.h"

namespace testenv {

// A borderless window of the given size at the top left (hidden unless
// `visible`), or null when no window can be had.
HWND makeTestWindow(int width = 64, int height = 64, bool visible = false);

}  // namespace testenv
