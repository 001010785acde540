#include <gtest/gtest.h>

#include "automation/acad/AcadSession.h"
#include "run/PublishState.h"
#include "support/AcadTestBed.h"

namespace docvane {
namespace {

// Two drawing-program sessions of one process, as a run working on two drawings at once has them.
struct SideBySide : ::testing::Test {
    SideBySide() {
        bed.table.knowsProcesses = true;
        second.SetLimits(bed.session.Limits());
        second.SetPrompt(bed.session.Prompt());
    }
    test::AcadTestBed bed;
    AcadSession second{bed.starter};
};

TEST_F(SideBySide, EachSessionStartsAndQuitsItsOwnServerWithoutTakingTheOtherForTheUsers) {
    bed.session.StartAcad();
    second.StartAcad();
    ASSERT_EQ(bed.servers.size(), 2u);
    EXPECT_TRUE(bed.prompts.empty());  // the neighbour's server is no program the user has open
    ASSERT_TRUE(bed.session.IsAttached());
    ASSERT_TRUE(second.IsAttached());
    EXPECT_TRUE(GetPublishState().running);

    second.QuitAcad(false);
    EXPECT_TRUE(bed.servers[1]->HasQuit());
    EXPECT_FALSE(bed.servers[0]->HasQuit());
    bed.session.QuitAcad(false);
    EXPECT_TRUE(bed.servers[0]->HasQuit());
}

TEST_F(SideBySide, TheEmergencyStopKillsTheProcessesOfEverySession) {
    bed.session.StartAcad();
    second.StartAcad();
    ASSERT_EQ(bed.starter->processes.size(), 2u);
    EXPECT_EQ(TerminateEveryStartedAcadProcess(), 2);
    for (const auto& process : bed.starter->processes) {
        EXPECT_TRUE(process->terminated);
    }
}

TEST_F(SideBySide, AUserProgramStillAsksOnceAndIsNotTakenForAStartedServer) {
    bed.UserInstance("Чужой.dwg");
    bed.answer = PromptAnswer::No;
    bed.session.StartAcad();
    second.StartAcad();
    EXPECT_EQ(bed.prompts.size(), 1u);
    EXPECT_TRUE(bed.userServers[0]->HasQuit());
    ASSERT_EQ(bed.servers.size(), 2u);
    second.QuitAcad(false);
    EXPECT_TRUE(bed.servers[1]->HasQuit());
    EXPECT_FALSE(bed.servers[0]->HasQuit());
}

TEST(AcadSessionRegistration, AStartedServerIsFoundByItsProcessWhereTheTableKnowsProcesses) {
    test::AcadTestBed bed;
    bed.table.knowsProcesses = true;
    // A program of the same name registers between the start and the registration of the session's
    // own server: by name alone the session would attach to it.
    bed.configureStarted = [&bed](test::FakeAcadServer&) { bed.UserInstance("Поздний.dwg"); };
    bed.session.StartAcad();
    ASSERT_EQ(bed.servers.size(), 1u);
    ASSERT_TRUE(bed.session.IsAttached());
    bed.session.QuitAcad(false);
    EXPECT_TRUE(bed.servers[0]->HasQuit());
    EXPECT_FALSE(bed.userServers[0]->HasQuit());
}

}  // namespace
}  // namespace docvane
