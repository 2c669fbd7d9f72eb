// The ship list: which records of a file become models, a file cut inside a
// record, what stderr says about a list without its ships, the handling
// values a ship takes from a record, names that fill their whole field, the
// results of ReadFile and LoadMeshes, and GetAt's bounds.
#include "ShipList.h"

#include "PlayerShip.h"
#include "headless_device.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
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
        {"a cut final record is left out", {kArrow, kArrow}, 224 + 100, 1, 1},
        {"a final record of one byte", {kArrow, kArrow}, 224 + 1, 1, 1},
        {"a cut first record", {kArrow}, 223, 1, 0},
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

TEST(ShipList, ACutRecordIsLeftOutWholeAndTheRecordsBeforeItKept) {
    const Ship kOther = {1, 0.022f, 3.0f, 6, 11, "ship2.x", "ship2.bmp"};
    // The third record cut after its in-use byte, inside its handling
    // values, after its mesh name and one byte short: kept, it would be a
    // ship, at worst one whose mesh loads and whose texture is nowhere.
    for (long cut : {1L, 0xA8L, 0xD0L, 223L}) {
        CShipList list;
        const std::string path = WriteList("cut.msl", {kArrow, kOther, kArrow}, 2 * 224 + cut);
        ASSERT_EQ(list.ReadFile(path.c_str()), 1) << cut;
        const SShipRecord other = Record(kOther);
        EXPECT_EQ(std::memcmp(&list.m_Records[1], &other, sizeof other), 0) << cut;
        EXPECT_TRUE(IsZero(list.m_Records[2])) << cut;
        list.LoadMeshes();
        EXPECT_EQ(list.m_nCount, 2) << cut;
    }
}

size_t Lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// One line on stderr for a list that gives fewer ships than its file should:
// which file, and what the list is left with.
TEST(ShipList, ACutOrShiplessListIsNamedOnceOnStderr) {
    const std::string missing = testenv::outputPath("no such list.msl");
    struct Case {
        const char* name;
        std::vector<Ship> ships;
        long bytes;
        const char* says;  // nullptr: nothing
    } const cases[] = {
        {"whole records", {kArrow, kArrow, kUnused}, -1, nullptr},
        {"cut inside the third record", {kArrow, kArrow, kArrow}, 2 * 224 + 100,
         "ship list cut short: $: 548 bytes is not a whole number of 224-byte records; the list "
         "holds 2 whole ships"},
        {"cut inside the second", {kArrow, kArrow}, 224 + 1, "the list holds 1 whole ship\n"},
        {"cut inside the first", {kArrow}, 100, "100 bytes is not a whole number of 224-byte "
         "records; the list holds 0 whole ships"},
        {"cut behind an unused record", {kArrow, kUnused, kArrow}, 2 * 224 + 5,
         "the list holds 1 whole ship\n"},
        {"an empty file", {}, 0, "ship list holds no ship: $: the file is empty"},
        {"an unused first record", {kUnused, kArrow}, -1,
         "ship list holds no ship: $: its first record is not in use"},
    };
    for (const Case& c : cases) {
        const std::string path = WriteList("said.msl", c.ships, c.bytes);
        CShipList list;
        testing::internal::CaptureStderr();
        list.ReadFile(path.c_str());
        list.LoadMeshes();  // no device: the meshes say nothing
        const std::string said = testing::internal::GetCapturedStderr();
        if (!c.says) {
            EXPECT_EQ(said, "") << c.name;
            continue;
        }
        std::string says = c.says;
        if (says.find('$') != std::string::npos) says.replace(says.find('$'), 1, path);
        EXPECT_EQ(Lines(said), 1u) << c.name << ": " << said;
        EXPECT_EQ(said.rfind("rockshooter: ", 0), 0u) << c.name << ": " << said;
        EXPECT_NE(said.find(says), std::string::npos) << c.name << ": " << said;
    }

    // A missing file is named once, by the failed open alone.
    CShipList list;
    testing::internal::CaptureStderr();
    list.ReadFile(missing.c_str());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(said), 1u) << said;
    EXPECT_NE(said.find("ship list not read: " + missing + ": No such file"), std::string::npos)
        << said;
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
    float accel, turnRate;  // what the ship flies with
    int shotDamage, fireDelay;
};

// The records stay as the file gives them; the ship takes each handling
// value as it is unless the game cannot fly with it, and then the built-in
// one for that value alone. Each bound from both sides.
TEST(ShipList, TheRecordsKeepTheFileAndTheShipRefusesOnlyValuesTheGameCannotFly) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float big = std::numeric_limits<float>::max();
    const float below4 = std::nextafter(4.0f, 0.0f);
    const float a = SHIP_DEFAULT_ACCEL, t = SHIP_DEFAULT_TURN_RATE;
    const int d = SHIP_DEFAULT_SHOT_DAMAGE, f = SHIP_DEFAULT_FIRE_DELAY;
    const HandlingCase cases[] = {
        {"sound values", {1, 0.045f, 5.0f, 3, 5, "s", "s"}, 0.045f, 5.0f, 3, 5},
        {"far from the built-in ones", {1, 3.0f, 720.0f, 200000, 5000, "s", "s"}, 3.0f, 720.0f,
         200000, 5000},
        // Accel: the speed stays bounded from 0 to below 4.
        {"no thrust", {1, 0.0f, 5.0f, 3, 5, "s", "s"}, 0.0f, 5.0f, 3, 5},
        {"accel below 0", {1, -tiny, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"accel just below 4", {1, below4, 5.0f, 3, 5, "s", "s"}, below4, 5.0f, 3, 5},
        {"accel 4", {1, 4.0f, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"accel NaN", {1, nan, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        {"accel -infinity", {1, -inf, 5.0f, 3, 5, "s", "s"}, a, 5.0f, 3, 5},
        // Turn rate: the heading keeps its wrap from 0 up.
        {"no turning", {1, 0.045f, 0.0f, 3, 5, "s", "s"}, 0.045f, 0.0f, 3, 5},
        {"turn rate below 0", {1, 0.045f, -tiny, 3, 5, "s", "s"}, 0.045f, t, 3, 5},
        {"largest turn rate", {1, 0.045f, big, 3, 5, "s", "s"}, 0.045f, big, 3, 5},
        {"turn rate infinity", {1, 0.045f, inf, 3, 5, "s", "s"}, 0.045f, t, 3, 5},
        {"turn rate NaN", {1, 0.045f, nan, 3, 5, "s", "s"}, 0.045f, t, 3, 5},
        // Shot damage: a rock's hit points cannot overflow from 0 up.
        {"no damage", {1, 0.045f, 5.0f, 0, 5, "s", "s"}, 0.045f, 5.0f, 0, 5},
        {"damage -1", {1, 0.045f, 5.0f, -1, 5, "s", "s"}, 0.045f, 5.0f, d, 5},
        {"largest damage", {1, 0.045f, 5.0f, INT_MAX, 5, "s", "s"}, 0.045f, 5.0f, INT_MAX, 5},
        {"smallest damage", {1, 0.045f, 5.0f, INT_MIN, 5, "s", "s"}, 0.045f, 5.0f, d, 5},
        // Fire delay: the fire counter cannot overflow up to INT_MAX - 2.
        {"longest delay", {1, 0.045f, 5.0f, 3, INT_MAX - 2, "s", "s"}, 0.045f, 5.0f, 3,
         INT_MAX - 2},
        {"delay one too long", {1, 0.045f, 5.0f, 3, INT_MAX - 1, "s", "s"}, 0.045f, 5.0f, 3, f},
        {"delay INT_MAX", {1, 0.045f, 5.0f, 3, INT_MAX, "s", "s"}, 0.045f, 5.0f, 3, f},
        {"delay -1 fires every frame", {1, 0.045f, 5.0f, 3, -1, "s", "s"}, 0.045f, 5.0f, 3, -1},
        {"smallest delay", {1, 0.045f, 5.0f, 3, INT_MIN, "s", "s"}, 0.045f, 5.0f, 3, INT_MIN},
        {"every value refused", {1, inf, -1.0f, -5, INT_MAX, "s", "s"}, a, t, d, f},
    };
    for (const HandlingCase& c : cases) {
        CShipList list;
        // Second in the list, after a sound record.
        ASSERT_EQ(list.ReadFile(WriteList("handling.msl", {kArrow, c.in}).c_str()), 1);
        const SShipRecord file = Record(c.in);
        EXPECT_EQ(std::memcmp(&list.m_Records[1], &file, sizeof file), 0) << c.name;
        list.LoadMeshes();
        CPlayerShip ship;
        ship.SetModel(list.GetAt(1), &list.m_Records[1]);
        EXPECT_EQ(std::memcmp(&list.m_Records[1], &file, sizeof file), 0) << c.name;
        EXPECT_EQ(ship.m_fAccel, c.accel) << c.name;
        EXPECT_EQ(ship.m_fTurnRate, c.turnRate) << c.name;
        EXPECT_EQ(ship.m_nShotDamage, c.shotDamage) << c.name;
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
