#include "file_paths.h"

#include <strings.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

std::string normalisePath(const char* name) {
    std::string out;
    if (!name) return out;
    for (const char* p = name; *p; ++p) {
        const char c = (*p == '\\') ? '/' : *p;
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(c);
    }
    return out;
}

namespace {

std::vector<std::string> splitComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// The entry of folder whose name equals component ignoring case, or empty.
std::string findIgnoringCase(const fs::path& folder, const std::string& component) {
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end;
         !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (strcasecmp(entry.c_str(), component.c_str()) == 0) return entry;
    }
    return {};
}

}  // namespace

std::string resolvePath(const char* name) {
    const std::string normal = normalisePath(name);
    std::error_code error;
    if (normal.empty() || fs::exists(normal, error)) return normal;

    fs::path resolved = (normal.front() == '/') ? fs::path("/") : fs::path();
    for (const std::string& component : splitComponents(normal)) {
        fs::path candidate = resolved / component;
        if (component == "." || component == ".." || fs::exists(candidate, error)) {
            resolved = candidate;
            continue;
        }
        const std::string match = findIgnoringCase(resolved, component);
        if (match.empty()) return normal;
        resolved /= match;
    }
    return resolved.string();
}

}  // namespace platform
