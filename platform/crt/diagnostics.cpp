#include "diagnostics.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

namespace platform {

void reportUnusableFile(const std::string& kind, const std::string& path, const std::string& why) {
    static std::mutex mutex;
    static std::set<std::pair<std::string, std::string>>* reported =
        new std::set<std::pair<std::string, std::string>>();  // kept to the very end of the process
    std::lock_guard<std::mutex> guard(mutex);
    if (!reported->insert({kind, path}).second) return;
    std::fprintf(stderr, "platform: %s not loaded: %s: %s\n", kind.c_str(), path.c_str(), why.c_str());
}

}  // namespace platform
