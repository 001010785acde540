#include "app/ParallelJobs.h"

#include <gtest/gtest.h>

#include "app/ApplicationSettings.h"
#include "platform/MachineFacts.h"
#include "platform/SettingsFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

constexpr std::uint64_t kMiB = 1024ULL * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

TEST(ParallelJobsTest, TheAutomaticNumberIsTheCoresWithinAQuarterOfTheMemory) {
    struct Case {
        int cores;
        std::uint64_t memory;
        int jobs;
    } const cases[] = {
        {2, 24 * kGiB, 2},                      // this machine: the cores are the bound
        {16, 4 * kGiB, 2},                      // 1 GiB for the servers: two lanes of 370 MiB fit
        {8, 4 * kInstanceMemoryBytes - 1, 1},   // not even one lane fits: still one
        {8, 12 * kInstanceMemoryBytes, 3},      // exactly three lanes' worth in the quarter
        {4, 0, 4},                              // unknown memory: the cores alone
        {0, 24 * kGiB, 1},                      // unknown cores: one
        {1000, 1024 * kGiB, kMaxParallelJobs},  // never more than the bound
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AutomaticParallelJobs({c.cores, c.memory}), c.jobs) << c.cores << " cores, " << c.memory;
        // Whatever the number, the servers of that many lanes stay within a quarter of a known memory.
        if (c.memory >= 4 * kInstanceMemoryBytes) {
            EXPECT_LE(static_cast<std::uint64_t>(c.jobs) * kInstanceMemoryBytes, c.memory / 4);
        }
    }
}

TEST(ParallelJobsTest, ASettingFromOneUpIsTakenAndZeroOrLessAsksTheMachine) {
    SetMachineFactsSource([] { return MachineFacts{6, 64 * kGiB}; });
    EXPECT_EQ(ParallelJobsFor(0), 6);
    EXPECT_EQ(ParallelJobsFor(-3), 6);
    EXPECT_EQ(ParallelJobsFor(1), 1);
    EXPECT_EQ(ParallelJobsFor(9), 9);
    EXPECT_EQ(ParallelJobsFor(100000), kMaxParallelJobs);
    SetMachineFactsSource([] { return MachineFacts{6, 1 * kGiB}; });
    EXPECT_EQ(ParallelJobsFor(0), 1);
    SetMachineFactsSource({});
    EXPECT_GE(ParallelJobsFor(0), 1);  // the standard library's count alone
}

TEST(ParallelJobsTest, TheMachineFactsOfThisMachineAreKnown) {
    const MachineFacts facts = ReadMachineFacts();
    EXPECT_GE(facts.cores, 1);
    EXPECT_GT(facts.memoryBytes, 64 * kMiB);
}

TEST(ParallelJobsTest, TheSettingIsStoredUnderPublicationOnlyWhenSetAndMissingMeansAutomatic) {
    test::TempDir dir;
    ApplicationSettings s;
    EXPECT_EQ(s.parallelJobs, 0);
    s.parallelJobs = 3;
    {
        SettingsFile store(dir / "settings.xml");
        ASSERT_TRUE(SaveSettings(s, store));
    }
    SettingsFile reread(dir / "settings.xml");
    EXPECT_EQ(reread.GetNumber("Publication", "parallelJobs"), 3);
    ApplicationSettings loaded;
    LoadSettings(loaded, reread);
    EXPECT_EQ(loaded.parallelJobs, 3);
    SettingsFile empty(dir / "none.xml");
    LoadSettings(loaded, empty);
    EXPECT_EQ(loaded.parallelJobs, 0);

    // Back to automatic: the file reads as one written before the setting existed.
    s.parallelJobs = 0;
    ASSERT_TRUE(SaveSettings(s, reread));
    EXPECT_EQ(test::ReadFile(dir / "settings.xml").find("Publication"), std::string::npos);
    EXPECT_EQ(SettingsFile(dir / "settings.xml").GetNumber("Publication", "parallelJobs"), std::nullopt);
}

}  // namespace
}  // namespace docvane
