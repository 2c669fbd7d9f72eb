// Under libFuzzer: writes the built-in seeds into the corpus folder the
// fuzzer is given (when it is empty), so that fuzzing starts from them.
#include "fuzz_target.h"

#include <filesystem>
#include <fstream>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        const std::filesystem::path folder((*argv)[i]);
        std::error_code error;
        if ((*argv)[i][0] == '-' || !std::filesystem::is_directory(folder, error)) continue;
        if (!std::filesystem::is_empty(folder, error)) continue;
        int n = 0;
        for (const std::string& seed : fuzzSeeds()) {
            std::ofstream(folder / ("seed" + std::to_string(n++)), std::ios::binary) << seed;
        }
    }
    return 0;
}
