#include "test_env.h"

#include <filesystem>

namespace testenv {

std::string runDir() { return ROCK_RUN_DIR; }

std::string outputPath(const std::string& name) {
    std::filesystem::create_directories(ROCK_TEST_OUTPUT_DIR);
    return std::string(ROCK_TEST_OUTPUT_DIR) + "/" + name;
}

}  // namespace testenv
