// The ship list: which records of a file become models, the handling values
// a record may carry, names that fill their whole field, the results of
// ReadFile and LoadMeshes, and GetAt's bounds.
#include "ShipList.h"

#include "PlayerShip.h"
#include "headless_device.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Ship {
    unsigned char inUse;
    float accel, turnRate;
    int shotDamage, fireDelay;
    const char* mesh;     // copied into its 16-byte field; 16 characters leave no NUL
    const char* texture;
};

const Ship kArrow = {1, 0.045f, 5.0f, 3, 5, "ship1.x", "ship1.bmp"};
const Ship kUnused = {0, 0.045f, 5.0f, 3, 5, "ship1.x", "ship1.bmp"};

SShipRecord Record(const Ship& s) {
    SShipRecord r;
    std::memset(&r, 0, sizeof r);
    r.m_Header[0] = s.inUse;
    r.m_fAccel = s.accel;
    r.m_fTurnRate = s.turnRate;
    r.m_nShotDamage = s.shotDamage;
    r.m_nFireDelay = s.fireDelay;
    std::memcpy(r.m_szMeshFile, s.mesh, std::min(std::strlen(s.mesh), sizeof r.m_szMeshFile));
    std::memcpy(r.m_szTextureFile, s.texture,
                std::min(std::strlen(s.texture), sizeof r.m_szTextureFile));
    return r;
}

// Writes the records as a ship list file of `bytes` bytes (all of them when
// -1) and returns its path.
std::string WriteList(const std::string& name, const std::vector<Ship>& ships, long bytes = -1) {
    std::vector<char> data;
    for (const Ship& s : ships) {
        SShipRecord r = Record(s);
        const char* p = reinterpret_cast<const char*>(&r);
        data.insert(data.end(), p, p + sizeof r);
    }
    if (bytes >= 0) data.resize(size_t(bytes));
    const std::string path = testenv::outputPath(name);
    std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
    return path;
}

bool IsZero(const SShipRecord& r) {
    static const SShipRecord zero{};
    return std::memcmp(&r, &zero, sizeof r) == 0;
}

TEST(ShipList, StartsEmptyWithEveryRecordZeroed) {
    // Built over garbage (too big a block for the heap to reuse reliably).
    auto storage = std::make_unique<std::aligned_storage_t<sizeof(CShipList), alignof(CShipList)>>();
    std::memset(storage.get(), 0xA5, sizeof(CShipList));
    struct Destroy {
        void operator()(CShipList* p) const { p->~CShipList(); }
    };
    std::unique_ptr<CShipList, Destroy> list(new (storage.get()) CShipList);
    for (const SShipRecord& r : list->m_Records) ASSERT_TRUE(IsZero(r));
    EXPECT_EQ(list->LoadMeshes(), 0);
    EXPECT_EQ(list->m_nCount, 0);
    EXPECT_EQ(list->m_pHead, nullptr);
    EXPECT_EQ(list->GetAt(0), nullptr);
}

struct ListCase {
    const char* name;
    std::vector<Ship> ships;
    long bytes;        // file length, -1 for every record whole
    int readResult;
    int count;
};

TEST(ShipList, ModelsAreTheRecordsInUseUpToTheFirstUnusedOne) {
    const Ship kFF = {0xFF, 0.045f, 5.0f, 3, 5, "ship1.x", "ship1.bmp"};
    const std::vector<ListCase> cases = {
        {"three records", {kArrow, kArrow, kArrow}, -1, 1, 3},
        {"0xFF marks a record in use", {kFF, kArrow}, -1, 1, 2},
        {"an unused record ends the list", {kArrow, kUnused, kArrow, kArrow}, -1, 1, 1},
        {"an unused first record", {kUnused, kArrow}, -1, 1, 0},
        {"a short final record", {kArrow, kArrow}, 224 + 100, 1, 2},
        {"a final record of one byte", {kArrow, kArrow}, 224 + 1, 1, 2},
        {"an empty file", {}, 0, 1, 0},
        {"more than 1024 records", std::vector<Ship>(1030, kArrow), -1, 1, 1024},
    };
    for (const ListCase& c : cases) {
        CShipList list;
        EXPECT_EQ(list.ReadFile(WriteList("list.msl", c.ships, c.bytes).c_str()), c.readResult)
            << c.name;
        list.LoadMeshes();
        EXPECT_EQ(list.m_nCount, c.count) << c.name;
        int walked = 0;
        for (CShipNode* n = list.m_pHead; n; n = n->m_pNext) walked++;
        EXPECT_EQ(walked, c.count) << c.name;
        EXPECT_EQ(list.m_pTail, c.count ? list.GetAt(c.count - 1) : nullptr) << c.name;
    }
}

TEST(ShipList, ShortFinalRecordKeepsWhatWasReadAndTheRestIsZeroOrBuiltIn) {
    CShipList list;
    ASSERT_EQ(list.ReadFile(WriteList("short.msl", {kArrow, kArrow}, 224 + 0xA8).c_str()), 1);
    const SShipRecord& r = list.m_Records[1];
    EXPECT_EQ(r.m_fAccel, 0.045f);
    EXPECT_EQ(r.m_fTurnRate, 5.0f);
    EXPECT_EQ(r.m_nShotDamage, 0);  // zero damage is a value a ship can carry
    EXPECT_EQ(r.m_nFireDelay, 0);
    EXPECT_EQ(r.m_szMeshFile[0], '\0');
    EXPECT_TRUE(IsZero(list.m_Records[2]));

    // Cut before the accel: the zero accel left behind is refused.
    ASSERT_EQ(list.ReadFile(WriteList("short2.msl", {kArrow, kArrow}, 224 + 0xA0).c_str()), 1);
    EXPECT_EQ(list.m_Records[1].m_fAccel, SHIP_DEFAULT_ACCEL);
}

TEST(ShipList, MissingOrUnreadableFileIsAFailureAndLeavesEveryRecordZero) {
    const std::string folder = testenv::outputPath("a folder.msl");
    fs::create_directories(folder);
    for (const std::string& path : {testenv::outputPath("no such.msl"), folder}) {
        CShipList list;
        // A list read before holds records; the failed read clears them.
        ASSERT_EQ(list.ReadFile(WriteList("before.msl", {kArrow}).c_str()), 1);
        EXPECT_EQ(list.ReadFile(path.c_str()), 0) << path;
        for (const SShipRecord& r : list.m_Records) ASSERT_TRUE(IsZero(r)) << path;
        EXPECT_EQ(list.LoadMeshes(), 0) << path;
        EXPECT_EQ(list.m_nCount, 0) << path;
        EXPECT_EQ(list.GetAt(0), nullptr) << path;
    }
}

struct HandlingCase {
    const char* name;
    Ship in;
    float accel, turnRate;
    int shotDamage, fireDelay;
};

TEST(ShipList, HandlingValuesTheShipCannotFlyWithAreReplacedByTheBuiltInOnes) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float a = SHIP_DEFAULT_ACCEL, t = SHIP_DEFAULT_TURN_RATE;
    const int d = SHIP_DEFAULT_SHOT_DAMAGE, f = SHIP_DEFAULT_FIRE_DELAY;
    const HandlingCase cases[] = {
        {"sound values kept", {1, 0.045f, 5.0f, 3, 5, "s", "s"}, 0.045f, 5.0f, 3, 5},
        {"edges kept", {1, 1.99f, 1000.0f, 100000, 1000, "s", "s"}, 1.99f, 1000.0f, 100000, 1000},
        // Turning by a negative rate moves the heading away from the wrap
        // that keeps it within 0..360, and it would grow without bound.
        {"negative turn rate", {1, 0.045f, -4.0f, 3, 5, "s", "s"}, 0.045f, t, 3, 5},
        {"zeros kept but accel", {1, 0.0f, 0.0f, 0, 0, "s", "s"}, a, 0.0f, 0, 0},
        {"accel 2 settles at no speed", {1, 2.0f, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"accel 3 flips the velocity", {1, 3.0f, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"accel 5 diverges", {1, 5.0f, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"negative accel diverges", {1, -0.01f, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"not finite", {1, nan, inf, 3, 5, "s", "s"}, a, t, 3, 5},
        {"infinite accel, NaN turn", {1, -inf, nan, 3, 5, "s", "s"}, a, t, 3, 5},
        {"huge fire delay", {1, 0.045f, 5.0f, 3, INT_MAX, "s", "s"}, 0.045f, 5.0f, 3, f},
        {"just too long a delay", {1, 0.045f, 5.0f, 3, 1001, "s", "s"}, 0.045f, 5.0f, 3, f},
        {"negative delay and damage", {1, 0.045f, 5.0f, -1, -1, "s", "s"}, 0.045f, 5.0f, d, f},
        {"extreme damage", {1, 0.045f, 5.0f, INT_MIN, INT_MIN, "s", "s"}, 0.045f, 5.0f, d, f},
        {"too much damage", {1, 0.045f, 5.0f, 100001, 8, "s", "s"}, 0.045f, 5.0f, d, 8},
    };
    for (const HandlingCase& c : cases) {
        CShipList list;
        // The same record second in the list is checked too.
        ASSERT_EQ(list.ReadFile(WriteList("handling.msl", {kArrow, c.in}).c_str()), 1);
        const SShipRecord& r = list.m_Records[1];
        EXPECT_EQ(r.m_fAccel, c.accel) << c.name;
        EXPECT_EQ(r.m_fTurnRate, c.turnRate) << c.name;
        EXPECT_EQ(r.m_nShotDamage, c.shotDamage) << c.name;
        EXPECT_EQ(r.m_nFireDelay, c.fireDelay) << c.name;
        // And the ship takes the checked values.
        list.LoadMeshes();
        CPlayerShip ship;
        ship.SetModel(list.GetAt(1), &list.m_Records[1]);
        EXPECT_EQ(ship.m_fAccel, c.accel) << c.name;
        EXPECT_EQ(ship.m_fTurnRate, c.turnRate) << c.name;
        EXPECT_EQ(ship.m_nFireDelay, c.fireDelay) << c.name;
    }
}

TEST(ShipList, GetAtGivesNodeIOrNullOutsideTheList) {
    CShipList list;
    EXPECT_EQ(list.GetAt(0), nullptr);  // empty
    EXPECT_EQ(list.GetAt(-1), nullptr);
    list.ReadFile(WriteList("three.msl", {kArrow, kArrow, kArrow}).c_str());
    list.LoadMeshes();
    CShipNode* first = list.GetAt(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, list.m_pHead);
    EXPECT_EQ(list.GetAt(1), first->m_pNext);
    EXPECT_EQ(list.GetAt(2), first->m_pNext->m_pNext);
    EXPECT_EQ(list.m_pCur, list.GetAt(2));
    EXPECT_EQ(list.GetAt(2), list.m_pTail);
    for (int index : {3, 4, 1000, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(list.GetAt(index), nullptr) << index;
        EXPECT_EQ(list.m_pCur, nullptr) << index;
    }
}

// A folder with media/ holding copies of the generated ship mesh and
// texture under the given names; the current directory moves there.
void MediaFolder(const std::vector<std::pair<std::string, std::string>>& copies) {
    const fs::path root = testenv::outputPath("ships");
    fs::create_directories(root / "media");
    const fs::path media = fs::path(testenv::runDir()) / "media";
    for (const auto& [from, to] : copies)
        fs::copy_file(media / from, root / "media" / to, fs::copy_options::overwrite_existing);
    ASSERT_EQ(chdir(root.c_str()), 0);
}

TEST(ShipListMeshes, NamesFillingTheirWholeFieldAreUsedWithoutRunningOn) {
    HeadlessDevice device;
    ASSERT_NE(device.device(), nullptr);
    // Sixteen characters each: no NUL in either field, and the record after
    // it in use, so an unbounded name would run into the next field or record.
    const char* kMesh = "sixteen-chars1.x";
    const char* kTexture = "sixteen-char.bmp";
    ASSERT_EQ(std::strlen(kMesh), 16u);
    ASSERT_EQ(std::strlen(kTexture), 16u);
    MediaFolder({{"ship1.x", kMesh}, {"ship1.bmp", kTexture}, {"ship2.x", "fifteen-chars.x"}});
    const Ship full = {1, 0.045f, 5.0f, 3, 5, kMesh, kTexture};
    const Ship fifteen = {1, 0.045f, 5.0f, 3, 5, "fifteen-chars.x", "none.bmp"};

    CShipList list;
    list.SetDevice(device.device());
    EXPECT_EQ(list.m_pDevice, device.device());
    ASSERT_EQ(list.ReadFile(WriteList("names.msl", {full, fifteen}).c_str()), 1);
    EXPECT_EQ(list.LoadMeshes(), 1);
    ASSERT_EQ(list.m_nCount, 2);
    EXPECT_NE(list.GetAt(0)->m_pMesh[0], nullptr);
    EXPECT_NE(list.GetAt(0)->m_pTexture, nullptr);
    EXPECT_NE(list.GetAt(1)->m_pMesh[0], nullptr);
    EXPECT_EQ(list.GetAt(1)->m_pTexture, nullptr);  // its texture is missing: still a model
}

TEST(ShipListMeshes, DestroyingTheListReleasesEveryModel) {
    HeadlessDevice device;
    ASSERT_NE(device.device(), nullptr);
    MediaFolder({{"ship1.x", "ship1.x"}, {"ship1.bmp", "ship1.bmp"}});
    const Ship ship = {1, 0.045f, 5.0f, 3, 5, "ship1.x", "ship1.bmp"};
    std::vector<IDirect3DTexture8*> textures;
    {
        CShipList list;
        list.SetDevice(device.device());
        ASSERT_EQ(list.ReadFile(WriteList("release.msl", {ship, ship}).c_str()), 1);
        ASSERT_EQ(list.LoadMeshes(), 1);
        for (CShipNode* node = list.m_pHead; node; node = node->m_pNext) {
            ASSERT_NE(node->m_pTexture, nullptr);
            node->m_pTexture->AddRef();
            textures.push_back(node->m_pTexture);
        }
    }
    ASSERT_EQ(textures.size(), 2u);
    for (IDirect3DTexture8* texture : textures)
        EXPECT_EQ(texture->Release(), 0u) << "the model let go of its texture with the list";
}

TEST(ShipListMeshes, LoadMeshesFailsOnlyWhenNoModelLoads) {
    HeadlessDevice device;
    ASSERT_NE(device.device(), nullptr);
    MediaFolder({{"ship1.x", "ship1.x"}, {"ship1.bmp", "ship1.bmp"}});
    const Ship missing = {1, 0.045f, 5.0f, 3, 5, "missing.x", "missing.bmp"};
    struct Case {
        const char* name;
        std::vector<Ship> ships;
        int result, count;
    } const cases[] = {
        {"every load fails", {missing, missing}, 0, 2},
        {"one of three loads", {missing, kArrow, missing}, 1, 3},
        {"empty", {}, 0, 0},
    };
    for (const Case& c : cases) {
        CShipList list;
        list.SetDevice(device.device());
        list.ReadFile(WriteList("loads.msl", c.ships).c_str());
        EXPECT_EQ(list.LoadMeshes(), c.result) << c.name;
        EXPECT_EQ(list.m_nCount, c.count) << c.name;
    }
}

TEST(ShipListMeshes, TheGeneratedListLoadsEveryModel) {
    HeadlessDevice device;
    ASSERT_NE(device.device(), nullptr);
    ASSERT_EQ(chdir(testenv::runDir().c_str()), 0);
    CShipList list;
    list.SetDevice(device.device());
    ASSERT_EQ(list.ReadFile("media\\default.msl"), 1);
    EXPECT_EQ(list.LoadMeshes(), 1);
    ASSERT_GT(list.m_nCount, 0);
    for (int i = 0; i < list.m_nCount; i++) {
        EXPECT_NE(list.GetAt(i)->m_pMesh[0], nullptr) << i;
        EXPECT_NE(list.GetAt(i)->m_pTexture, nullptr) << i;
    }
}

}  // namespace
