#include "test_env.h"

#include <unistd.h>

#include <filesystem>

namespace testenv {

std::string runDir() { return ROCK_RUN_DIR; }

// Each test process gets a folder of its own: CTest runs test cases in
// parallel processes, and two of them must never write the same file.
std::string outputPath(const std::string& name) {
    const std::string folder = std::string(ROCK_TEST_OUTPUT_DIR) + "/" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    return folder + "/" + name;
}

}  // namespace testenv
