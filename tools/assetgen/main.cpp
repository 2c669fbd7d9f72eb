// generate_assets <run directory>: writes every mesh, picture, sound, the
// intro video and the ship list the game reads.
#include <cstdio>
#include <exception>

#include "asset_set.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <run directory>\n", argc > 0 ? argv[0] : "generate_assets");
        return 2;
    }
    try {
        assetgen::write_assets(assetgen::build_assets(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "generate_assets: %s\n", e.what());
        return 1;
    }
    return 0;
}
