#include "engine/cleaner.h"
#include "support/fake_modules.h"
#include "support/progress_recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using ::testing::ElementsAre;
using ::testing::FloatNear;
using ::testing::Pair;

namespace {

// Percentages are computed in single precision, so 3 / 5 * 100 is not exactly 60.
auto Call(float percent, const char* message) { return Pair(FloatNear(percent, 1e-3f), message); }

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_fake_modules();
        cleaner_init();
    }
    void TearDown() override { cleaner_shutdown(); }

    void register_fakes(int count) {
        for (int slot = 0; slot < count; ++slot) ASSERT_TRUE(cleaner_register_module(fake_module(slot)));
    }
};

TEST_F(EngineTest, RegistryRefusesBadDescriptorsDuplicatesAndAThirtyThirdModule) {
    static std::vector<std::string> ids(33);  // the registry keeps pointers until the fixture's shutdown
    static std::vector<CleanerModule> fillers(33);
    for (int i = 0; i < 33; ++i) {
        ids[i] = "filler" + std::to_string(i);
        fillers[i] = CleanerModule{.id = ids[i].c_str(), .display_name = nullptr, .summary = "", .window_label = "",
                                   .init = nullptr, .scan = [](ItemList&) { return std::uint64_t{0}; },
                                   .clean = [](ItemList&) {}, .cleanup = nullptr, .estimated_size = nullptr};
    }

    EXPECT_FALSE(cleaner_register_module(nullptr));
    CleanerModule no_scan = fillers[32];
    no_scan.scan = nullptr;
    EXPECT_FALSE(cleaner_register_module(&no_scan));

    fake_state(0).init_result = false;
    EXPECT_FALSE(cleaner_register_module(fake_module(0)));  // init refused: not counted

    for (int i = 0; i < 32; ++i) EXPECT_TRUE(cleaner_register_module(&fillers[i])) << i;
    EXPECT_FALSE(cleaner_register_module(&fillers[32]));
    cleaner_shutdown();
    cleaner_init();
    EXPECT_TRUE(cleaner_register_module(&fillers[0]));
    CleanerModule same_id = fillers[1];
    same_id.id = "filler0";  // equal text, another pointer
    EXPECT_FALSE(cleaner_register_module(&same_id));
}

TEST_F(EngineTest, FilteredScansOnlyRunTheChosenModules) {
    register_fakes(5);
    {
        ProgressRecorder progress;
        const std::vector<std::string> fourth{"fake3"};
        auto results = cleaner_scan(fourth);
        ASSERT_TRUE(results);
        EXPECT_THAT(progress.calls(), ElementsAre(Call(60.0f, "Fake Module 3"), Call(100.0f, "Scan complete")));
        EXPECT_EQ(std::pair(fake_state(0).scans, fake_state(3).scans), std::pair(0, 1));
    }
    {
        ProgressRecorder progress;
        auto results = cleaner_scan(std::vector<std::string>{});
        ASSERT_TRUE(results);
        EXPECT_EQ(results->total_items, 0u);
        EXPECT_THAT(progress.calls(), ElementsAre(Call(100.0f, "Scan complete")));
    }
}

TEST_F(EngineTest, CleanRoutesCopiesByTagAndCountsEachItemsOutcomeAndUntaggedItemsNowhere) {
    register_fakes(3);
    fake_state(0).items = {make_item("a", 1), make_item("b", 2)};
    fake_state(1).items = {make_item("c", 4), make_item("d", 8), make_item("e", 16)};
    fake_state(1).clean_result = false;
    fake_state(0).items[1].selected = false;  // skipped: counted neither cleaned nor failed
    auto scanned = cleaner_scan();
    ASSERT_TRUE(scanned);
    const ItemList before = scanned->items;

    // Items without a registered tag go to no module and count nowhere.
    ItemList list = scanned->items;
    list.push_back(make_item("x", 32, "fake0 without brackets"));
    list.push_back(make_item("y", 64, "[fake00] close but not it"));
    ProgressRecorder progress;
    auto results = cleaner_clean(list);

    ASSERT_TRUE(results);
    EXPECT_EQ(std::tuple(results->cleaned_count, results->bytes_freed, results->failed_count, results->skipped_count),
              std::tuple(1u, 1u, 3u, 1u));
    EXPECT_EQ(results->errors, (std::vector<std::string>{"c: scripted failure", "d: scripted failure", "e: scripted failure"}));
    EXPECT_EQ(std::pair(results->items.size(), results->items[1].reason), std::pair(std::size_t{5}, std::string("not selected")));
    ASSERT_EQ(fake_state(0).batches.size(), 1u);
    EXPECT_EQ(std::tuple(fake_state(0).batches[0].size(), fake_state(0).batches[0][0].description), std::tuple(2u, "[fake0] Item"));
    EXPECT_TRUE(fake_state(2).batches.empty());  // an empty batch never reaches its module
    EXPECT_THAT(progress.calls(), ElementsAre(Call(200.0f / 7, "Cleaning files..."), Call(500.0f / 7, "Cleaning files..."),
                                              Call(100.0f, "Clean complete")));
    ASSERT_EQ(scanned->items.size(), before.size());  // the caller's list is untouched
    EXPECT_EQ(scanned->items[1].selected, false);
}

TEST_F(EngineTest, AModuleRunningOutOfMemoryGivesNoResultsAndReleasesTheLock) {
    register_fakes(1);
    const ItemList items{make_item("a", 1, "[fake0] a")};
    fake_state(0).throws = true;
    EXPECT_EQ(cleaner_scan(), nullptr);
    EXPECT_EQ(cleaner_clean(items), nullptr);
    fake_state(0).throws = false;
    EXPECT_NE(cleaner_scan(), nullptr);
    EXPECT_NE(cleaner_clean(items), nullptr);
}

TEST_F(EngineTest, ShutdownRunsEveryCleanupOnceAndStopsTheEngine) {
    register_fakes(2);
    cleaner_shutdown();
    EXPECT_EQ(std::pair(fake_state(0).cleanups, fake_state(1).cleanups), std::pair(1, 1));
    EXPECT_FALSE(cleaner_register_module(fake_module(2)));
    EXPECT_EQ(cleaner_clean(ItemList{make_item("a", 1, "[fake0] a")}), nullptr);  // a stopped scan: CommandTest
    cleaner_shutdown();  // a second shutdown does nothing
    EXPECT_EQ(fake_state(0).cleanups, 1);
}

}  // namespace
