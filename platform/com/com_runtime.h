// The classes CoCreateInstance can make. Each module of the layer that
// offers a creatable class registers a factory for its class identifier.
#pragma once

#include "com_api.h"

#include <functional>

namespace platform {

// The factory returns a new object with one reference, or null.
using ClassFactory = std::function<IUnknown*()>;
void registerComClass(const CLSID& clsid, ClassFactory factory);

}  // namespace platform
