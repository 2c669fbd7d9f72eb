// Fuzzes the ship list file: the bytes written to a file, read as the game
// reads "media\default.msl", and the models of the whole records in use
// loaded (with no device: the meshes are looked for and drawn nowhere); the
// list lets go of them with itself.
#include "ShipList.h"
#include "fuzz_target.h"
#include "assetgen/ship_list.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

std::string tempPath() {
    static const std::string path = "/tmp/shiplist_fuzz_" + std::to_string(getpid()) + ".msl";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(tempPath().c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CShipList list;
    list.ReadFile(tempPath().c_str());
    list.LoadMeshes();
    for (int i = 0; i < list.m_nCount; ++i) list.GetAt(i);
    std::remove(tempPath().c_str());
    return 0;
}

std::vector<std::string> fuzzSeeds() {
    const std::vector<uint8_t> shipped = assetgen::encode_ship_list(assetgen::default_ships());
    const std::string good(shipped.begin(), shipped.end());
    std::string overLong;  // more records than the list holds
    while (overLong.size() <= SHIPLIST_MAX_RECORDS * assetgen::kShipRecordSize) overLong += good;
    return {
        good,
        good.substr(0, assetgen::kShipRecordSize + 100),  // a record cut short
        overLong,
    };
}
