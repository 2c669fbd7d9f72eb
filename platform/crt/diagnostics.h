// What the layer tells a person about files the program asked for and could
// not use: named once on stderr with the reason; the program goes on.
#pragma once

#include <string>

namespace platform {

// "platform: <kind> not loaded: <path>: <why>", once per kind and path.
void reportUnusableFile(const std::string& kind, const std::string& path, const std::string& why);

}  // namespace platform
