// Runs a fuzz target over its seeds and over every file in the corpus folder
// named on the command line (missing is fine). A crash fails the test.
#include "fuzz_target.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
    int runs = 0;
    for (const std::string& seed : fuzzSeeds()) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
        ++runs;
    }
    std::error_code error;
    if (argc > 1 && std::filesystem::is_directory(argv[1], error)) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++runs;
        }
    }
    std::printf("replayed %d inputs\n", runs);
    return runs > 0 ? 0 : 1;
}
