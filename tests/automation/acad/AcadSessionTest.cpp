#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "app/ApplicationSettings.h"
#include "automation/ClassRegistry.h"
#include "automation/acad/AcadSession.h"
#include "platform/SettingsFile.h"
#include "run/Cancel.h"
#include "run/PublishState.h"
#include "support/AcadTestBed.h"
#include "support/ManualClock.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace docvane::test {
namespace {

const std::vector<std::string> kStartArguments{"/nologo", "/nossm", "/pl"};

TEST(AcadStartTest, StartsTheProgramClosesItsStartDrawingAndStaysAttached) {
    AcadTestBed bed;
    auto server = bed.Start();
    ASSERT_NE(server, nullptr);
    ASSERT_EQ(bed.starter->starts.size(), 1u);
    EXPECT_EQ(bed.starter->starts[0].first, kAcadPath);
    EXPECT_EQ(bed.starter->starts[0].second, kStartArguments);
    EXPECT_EQ(bed.starter->processes[0]->readyWaits, 1);
    EXPECT_TRUE(bed.session.IsAttached());
    EXPECT_EQ(bed.session.StartedProcessId(), bed.starter->processes[0]->Id());
    EXPECT_THAT(server->Trace(),
                ElementsAre("Application.Name", "Application.Application", "Application.Documents",
                            "Documents.Count", "Documents.Item|0", "Document.Close|0", "Documents.Count"));
    EXPECT_THAT(bed.prompts, IsEmpty());

    // Attached once per run: a second start does nothing.
    bed.session.StartAcad();
    EXPECT_EQ(bed.starter->starts.size(), 1u);
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());
}

TEST(AcadStartTest, CancelLeavesTheUsersProgramAloneAndCancelsTheRun) {
    AcadTestBed bed;
    auto user = bed.UserInstance("/home/u/work.dwg");
    bed.answer = PromptAnswer::Cancel;
    bed.session.StartAcad();

    ASSERT_EQ(bed.prompts.size(), 1u);
    EXPECT_EQ(
        bed.prompts[0],
        "Предереждение|Публикация невозможна, пока открыт AutoCAD.\n Сохраните и закройте все чертежи в "
        "AutoCAD.\nДа - автоматическое закрытие всех чертежей с сохранением\nНет - автоматическое закрытие "
        "всех чертежей БЕЗ сохранения\n Отмена - прерывание процесса публикации");
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[X] Процесс публикации отменен (требуется завершить работу AutoCAD)",
                            "[!] Отмена публикации..."));
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_THAT(bed.starter->starts, IsEmpty());
    EXPECT_THAT(user->Closed(), IsEmpty());
    EXPECT_FALSE(user->HasQuit());
}

TEST(AcadStartTest, YesClosesEveryRunningInstanceWithSavingBeforeStartingAFreshOne) {
    AcadTestBed bed;
    auto first = bed.UserInstance("/home/u/a.dwg");
    first->AddOpenDocument("/home/u/b.dwg");
    auto second = bed.UserInstance("/home/u/c.dwg");
    bed.answer = PromptAnswer::Yes;
    auto started = bed.Start();

    EXPECT_EQ(bed.prompts.size(), 1u);
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[?] Закрываю чертежи AutoCad с сохранением"));
    EXPECT_THAT(first->Closed(), ElementsAre(std::pair<std::string, int>("/home/u/a.dwg", 1),
                                             std::pair<std::string, int>("/home/u/b.dwg", 1)));
    EXPECT_THAT(second->Closed(), ElementsAre(std::pair<std::string, int>("/home/u/c.dwg", 1)));
    EXPECT_TRUE(first->HasQuit());
    EXPECT_TRUE(second->HasQuit());
    // The first instance was quit before the second was touched.
    EXPECT_EQ(first->Trace().back(), "Application.Quit");
    ASSERT_NE(started, nullptr);
    EXPECT_TRUE(bed.session.IsAttached());
    EXPECT_TRUE(GetPublishState().running);
}

TEST(AcadStartTest, NoClosesTheRunningInstanceWithoutSaving) {
    AcadTestBed bed;
    auto user = bed.UserInstance("/home/u/a.dwg");
    bed.answer = PromptAnswer::No;
    bed.Start();
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[?] Закрываю чертежи AutoCad без сохранения"));
    EXPECT_THAT(user->Closed(), ElementsAre(std::pair<std::string, int>("/home/u/a.dwg", 0)));
    EXPECT_TRUE(bed.session.IsAttached());
}

TEST(AcadStartTest, AnInstanceThatRefusesToQuitEndsTheRunInsteadOfLoopingForever) {
    AcadTestBed bed;
    auto user = bed.UserInstance("/home/u/a.dwg");
    user->refuseClose = true;
    user->onQuit = [] {};  // quits in name only
    bed.table.Register("stuck", user->Application());
    bed.answer = PromptAnswer::No;
    bed.session.StartAcad();
    EXPECT_THAT(bed.channel.Texts(), Contains("[X] Не могу закрыть запущенный AutoCAD"));
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_THAT(bed.starter->starts, IsEmpty());
}

TEST(AcadStartTest, AWrongProgramPathIsRepairedFromTheServerAndSaved) {
    AcadTestBed bed;
    AppSettings().exePath = "/wrong/acad";
    bed.registry.commands["AutoCAD.Application"] = "/opt/autodesk/server";
    auto probe = FakeAcadServer::Create(kAcadPath);
    bed.transport.activate = [&probe](const std::string&) { return probe->Application(); };

    bed.Start();
    ASSERT_EQ(bed.starter->starts.size(), 2u);
    EXPECT_EQ(bed.starter->starts[0].first, "/wrong/acad");
    EXPECT_EQ(bed.starter->starts[1].first, kAcadPath);
    EXPECT_EQ(bed.starter->starts[1].second, kStartArguments);
    EXPECT_THAT(bed.transport.activated, ElementsAre("/opt/autodesk/server"));
    EXPECT_THAT(probe->Trace(), Contains("Application.FullName"));
    EXPECT_TRUE(probe->HasQuit());
    EXPECT_THAT(
        bed.channel.Texts(),
        ElementsAre("[!] Не могу запустить процесс AutoCad по пути из настроек, пробую найти правильный путь "
                    "к файлу acad.exe",
                    std::string("[?] Сохраняю корректный путь к acad.exe: ") + kAcadPath));
    EXPECT_EQ(AppSettings().exePath, kAcadPath);
    SettingsFile store(UserSettingsFilePath());
    EXPECT_EQ(store.GetText("Autocad_Path", "exePath").value_or(""), kAcadPath);
    EXPECT_EQ(store.GetText("Autocad_General", "fileFormat").value_or(""), "2010");
    EXPECT_TRUE(bed.session.IsAttached());
}

TEST(AcadStartTest, WithoutAReachableServerThePathComesFromTheClassRegistry) {
    AcadTestBed bed;
    const std::string program = bed.dir / "acad-server";
    WriteFile(program, "#!/bin/sh\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    bed.registry.commands["AutoCAD.Application"] = program;
    bed.starter->startable = {program};
    AppSettings().exePath = "/wrong/acad";

    bed.Start();
    EXPECT_THAT(
        bed.channel.Texts(),
        ElementsAre("[!] Не могу запустить процесс AutoCad по пути из настроек, пробую найти правильный путь "
                    "к файлу acad.exe",
                    "[!] Не могу запустить AutoCAD. Приложение не зарегистрировано в системе. Пробую найти "
                    "информацию в реестре",
                    "[?] Сохраняю корректный путь к acad.exe: " + program));
    EXPECT_EQ(AppSettings().exePath, program);
    EXPECT_TRUE(bed.session.IsAttached());
}

TEST(AcadStartTest, ASecondFailureToStartCancelsTheRun) {
    AcadTestBed bed;
    AppSettings().exePath = "/wrong/acad";
    bed.session.StartAcad();
    EXPECT_THAT(bed.channel.Texts(), Contains("[X] Не могу запустить процесс AutoCad"));
    EXPECT_THAT(bed.channel.Texts(), Contains("[!] Отмена публикации..."));
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_EQ(AppSettings().exePath, "/wrong/acad");
}

TEST(AcadStartTest, AStartedProgramThatNeverRegistersIsTerminatedAndTheRunCancelled) {
    AcadTestBed bed;
    bed.starter->onStart = [](FakeServerProcess&) {};
    bed.session.StartAcad();
    EXPECT_THAT(bed.channel.Texts(), Contains("[X] AutoCAD запущен, но не стал доступен для управления"));
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_FALSE(bed.session.IsAttached());
    ASSERT_EQ(bed.starter->processes.size(), 1u);
    EXPECT_TRUE(bed.starter->processes[0]->terminated);
    EXPECT_EQ(bed.session.StartedProcessId(), 0);
}

TEST(AcadStartTest, AStartedProgramThatDiesBeforeRegisteringEndsTheWaitAtOnce) {
    AcadTestBed bed;
    bed.starter->onStart = [](FakeServerProcess& process) { process.exited = true; };
    bed.session.StartAcad();
    EXPECT_THAT(bed.channel.Texts(), Contains("[X] Процесс AutoCAD завершился"));
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_LT(bed.table.Enumerations(), 5);
}

TEST(AcadStartTest, ARefusedRegistryOrRuntimeFolderIsNamedAndNothingIsStarted) {
    for (const bool registry : {true, false}) {
        SCOPED_TRACE(registry ? "registry" : "runtime folder");
        AcadTestBed bed;
        const std::string line = registry ? "Реестр классов не используется: /c/classes.conf (причина)"
                                          : "Папка для связи с программами не используется: /r (причина)";
        (registry ? bed.registry.refusal : bed.table.refusal) = line;
        bed.session.StartAcad();
        EXPECT_THAT(bed.channel.Texts(), ElementsAre("[X] " + line, "[!] Отмена публикации..."));
        EXPECT_THAT(bed.starter->starts, IsEmpty());
        EXPECT_FALSE(bed.session.IsAttached());
        EXPECT_FALSE(GetPublishState().running);
        // The word processor's server is refused the same way, before anything is activated.
        bed.channel.Clear();
        EXPECT_TRUE(CreateLocalServer("Word.Application").IsNull());
        EXPECT_THAT(bed.channel.Texts(), ElementsAre("[X] " + line));
        EXPECT_THAT(bed.transport.activated, IsEmpty());
    }
}

TEST(AcadStartTest, CancelDuringTheRegistrationWaitStopsTheStartedProgram) {
    AcadTestBed bed;
    bed.starter->onStart = [](FakeServerProcess&) { GetPublishState().running = false; };
    bed.session.StartAcad();
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_TRUE(bed.starter->processes[0]->terminated);
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());
}

TEST(AcadQuitTest, ClosesEveryDrawingQuitsAndLetsTheProcessEnd) {
    AcadTestBed bed;
    auto server = bed.Start();
    server->AddOpenDocument("/p/one.dwg");
    server->AddOpenDocument("/p/two.dwg");
    bed.session.QuitAcad(false);
    EXPECT_THAT(server->Closed(), ElementsAre(std::pair<std::string, int>("Drawing1.dwg", 0),
                                              std::pair<std::string, int>("/p/one.dwg", 0),
                                              std::pair<std::string, int>("/p/two.dwg", 0)));
    EXPECT_EQ(server->Trace().back(), "Application.Quit");
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_TRUE(bed.session.Document().IsNull());
    EXPECT_TRUE(bed.session.StateObject().IsNull());
    EXPECT_EQ(bed.session.StartedProcessId(), 0);
    EXPECT_FALSE(bed.starter->processes[0]->terminated);
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());

    // Nothing attached: nothing happens.
    const auto calls = server->Calls().size();
    bed.session.QuitAcad(true);
    EXPECT_EQ(server->Calls().size(), calls);
}

TEST(AcadQuitTest, SavesWhenAskedAndGivesUpOnDrawingsThatWillNotClose) {
    AcadTestBed bed;
    auto server = bed.Start();
    server->AddOpenDocument("/p/one.dwg");
    server->refuseClose = true;
    bed.session.QuitAcad(true);
    EXPECT_THAT(server->Trace(), Contains("Document.Close|1"));
    EXPECT_THAT(bed.channel.Texts(), Contains("[!] Не удалось закрыть все чертежи AutoCAD"));
    EXPECT_TRUE(server->HasQuit());
    EXPECT_FALSE(bed.session.IsAttached());
}

TEST(AcadQuitTest, AProcessThatDoesNotEndAfterQuitIsTerminated) {
    AcadTestBed bed;
    auto server = bed.Start();
    server->onQuit = [] {};
    bed.session.QuitAcad(false);
    EXPECT_TRUE(bed.starter->processes[0]->terminated);
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[!] Процесс AutoCAD не завершился после команды выхода и был остановлен"));
}

TEST(AcadDrawingTest, OpensExistingSourcesReadOnlyAndRefusesMissingOnes) {
    AcadTestBed bed;
    auto server = bed.Start();
    const std::string missing = bed.dir / "missing.dwg";
    EXPECT_FALSE(bed.session.OpenDrawing(missing));
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[X] Исходный файл не найден: " + missing));
    EXPECT_THAT(server->Trace(), Not(Contains(::testing::StartsWith("Documents.Open"))));

    const std::string source = bed.dir / "Plan.dwg";
    WriteFile(source, "drawing");
    EXPECT_TRUE(bed.session.OpenDrawing(source));
    EXPECT_THAT(server->Trace(), Contains("Documents.Open|" + source + "|1"));
    EXPECT_FALSE(bed.session.Document().IsNull());
}

// The program's own words: why a drawing does not open ends the run, what it repaired is a warning.
TEST(AcadDrawingTest, OpeningNamesTheProgramsReasonAndWarnsOfRepairs) {
    AcadTestBed bed;
    auto server = bed.Start();
    const std::string source = bed.dir / "Plan.dxf";
    WriteFile(source, "drawing");
    server->openError = "Не могу прочитать чертеж " + source + ": файл пуст";
    EXPECT_FALSE(bed.session.OpenDrawing(source));
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[X] Не могу открыть файл: " + source +
                                                 " (Не могу прочитать чертеж " + source + ": файл пуст)"));
    bed.channel.Clear();

    server->openError.clear();
    server->keepsMessages = true;
    server->messages = {"Чертеж " + source + " поврежден и восстановлен при открытии, исправлено 1", ""};
    EXPECT_TRUE(bed.session.OpenDrawing(source));
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[!] Чертеж " + source + " поврежден и восстановлен при открытии, исправлено 1"));
    EXPECT_TRUE(bed.session.TakeMessages().empty());  // taken once
}

TEST(AcadDrawingTest, ScriptStatementsAreSentOneByOneWithTheClosingEmptyCommand) {
    AcadTestBed bed;
    auto server = bed.Start();
    const std::string source = bed.dir / "Plan.dwg";
    WriteFile(source, "drawing");
    ASSERT_TRUE(bed.session.OpenDrawing(source));
    bed.session.RunLispScript("(setq a 1) ; first\r\n(princ\n  \"x  y\")\n");
    EXPECT_THAT(server->Commands(),
                ElementsAre("(setq a 1)\r(command)\r\n", "(princ \"x  y\")\r(command)\r\n"));
}

class AcadWaitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server = bed.Start();
        ASSERT_NE(server, nullptr);
        source = bed.dir / "Plan.dwg";
        WriteFile(source, "drawing");
        ASSERT_TRUE(bed.session.OpenDrawing(source));
        bed.channel.Clear();
    }

    AcadTestBed bed;
    std::shared_ptr<FakeAcadServer> server;
    std::string source;
};

TEST_F(AcadWaitTest, WaitsWhileBusyWithoutSendingAnything) {
    server->busyPolls = 5;
    bed.session.RunLispScript("(setq a 1)");
    EXPECT_THAT(server->Commands(), ElementsAre("(setq a 1)\r(command)\r\n"));
    EXPECT_TRUE(bed.session.WaitUntilIdle());
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());
}

TEST_F(AcadWaitTest, ACancelDuringTheWaitSendsTheEmptyCommandUntilTheProgramGivesWay) {
    server->hangOn = "getstring";
    int busy = 0;
    server->onBusyPoll = [&busy] {
        if (++busy == 3) {
            RequestCancel();
        }
    };
    bed.session.RunLispScript("(getstring \"Name: \")");
    EXPECT_THAT(server->Commands(), ElementsAre("(getstring \"Name: \")\r(command)\r\n", "(command)\r\n"));
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[!] Отмена публикации..."));
    EXPECT_TRUE(bed.session.WaitUntilIdle());
}

TEST_F(AcadWaitTest, AProgramThatIgnoresTheCancelIsGivenUpOn) {
    server->hangOn = "getstring";
    server->ignoreCancel = true;
    server->onBusyPoll = [] { RequestCancel(); };
    EXPECT_FALSE((bed.session.RunLispScript("(getstring)"), bed.session.WaitUntilIdle()));
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[!] Отмена публикации...",
                            "[!] AutoCAD не прервал команду после отмены, ожидание прекращено"));
    EXPECT_GE(server->Commands().size(), 2u);

    // Given up: later waits return at once without asking the program.
    const auto calls = server->Calls().size();
    EXPECT_FALSE(bed.session.WaitUntilIdle());
    EXPECT_EQ(server->Calls().size(), calls);
}

TEST_F(AcadWaitTest, AProgramThatStopsAnsweringEndsTheRunWithoutHanging) {
    server->dieOn = "(slow)";
    bed.session.RunLispScript("(slow)\n(next 1)");
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[X] AutoCAD не отвечает, ожидание прекращено", "[!] Отмена публикации..."));
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_FALSE(bed.session.WaitUntilIdle());

    // Quitting still ends the process: the dead program cannot quit, so it is terminated.
    bed.session.QuitAcad(false);
    EXPECT_FALSE(bed.session.IsAttached());
    EXPECT_TRUE(bed.starter->processes[0]->terminated);
}

TEST_F(AcadWaitTest, AProgramBusyBeyondTheBoundIsGivenUpOn) {
    AcadLimits limits = bed.session.Limits();
    limits.busy = std::chrono::milliseconds(30);
    bed.session.SetLimits(limits);
    server->hangOn = "(endless)";
    bed.session.RunLispScript("(endless)");
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[X] AutoCAD слишком долго не завершает команду, ожидание прекращено",
                            "[!] Отмена публикации..."));
}

TEST_F(AcadWaitTest, TheEmergencyStopKillsTheProgramFromAnotherThreadAndTheWaitEnds) {
    server->hangOn = "(endless)";
    server->ignoreCancel = true;
    AcadLimits limits = bed.session.Limits();
    limits.cancelGrace = std::chrono::seconds(30);
    bed.session.SetLimits(limits);
    std::thread ui([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        RequestCancel();
        EXPECT_TRUE(bed.session.TerminateStartedProcess());
    });
    bed.session.RunLispScript("(endless)");
    ui.join();
    EXPECT_TRUE(bed.starter->processes[0]->terminated);
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[!] Отмена публикации...", "[!] Процесс AutoCAD завершился"));
    EXPECT_FALSE(bed.session.TerminateStartedProcess());
}

// The shipped bounds, in clock time: each wait gives up once its bound has passed, not before.
TEST(AcadBoundsTest, TheDefaultBoundsGiveUpAfterTheirFullLength) {
    struct Case {
        const char* name;
        std::function<void(FakeAcadServer&)> misbehave;
        std::chrono::milliseconds bound;
        const char* line;
    };
    const AcadLimits defaults;
    const std::vector<Case> cases{
        {"busy", [](FakeAcadServer& s) { s.hangOn = "(go)"; }, defaults.busy,
         "[X] AutoCAD слишком долго не завершает команду, ожидание прекращено"},
        {"silent", [](FakeAcadServer& s) { s.dieOn = "(go)"; }, defaults.unanswered,
         "[X] AutoCAD не отвечает, ожидание прекращено"},
        {"deaf to the cancel",
         [](FakeAcadServer& s) {
             s.hangOn = "(go)";
             s.ignoreCancel = true;
             s.onBusyPoll = [] { RequestCancel(); };
         },
         defaults.cancelGrace, "[!] AutoCAD не прервал команду после отмены, ожидание прекращено"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AcadTestBed bed;
        auto server = bed.Start();
        ASSERT_NE(server, nullptr);
        const std::string source = bed.dir / "Plan.dwg";
        WriteFile(source, "drawing");
        ASSERT_TRUE(bed.session.OpenDrawing(source));
        bed.channel.Clear();
        c.misbehave(*server);

        ScopedManualClock clock(true);
        const AcadLimits fast = bed.session.Limits();
        bed.session.SetLimits(defaults);
        const auto start = clock->Now();
        bed.session.RunLispScript("(go)");
        const auto waited = clock->Now() - start;
        EXPECT_GE(waited, c.bound);
        EXPECT_LE(waited, c.bound + 3 * defaults.poll);
        EXPECT_THAT(bed.channel.Texts(), Contains(c.line));
        EXPECT_FALSE(bed.session.WaitUntilIdle());
        bed.session.SetLimits(fast);
        bed.session.QuitAcad(false);
    }
}

TEST(AcadIdleTest, WithoutAProgramTheWaitReturnsAtOnce) {
    AcadTestBed bed;
    EXPECT_FALSE(bed.session.WaitUntilIdle());
}

TEST(AcadIdleTest, AStateObjectThatNeverComesIsGivenUpOn) {
    AcadTestBed bed;
    bed.configureStarted = [](FakeAcadServer& server) { server.failGetAcadState = true; };
    bed.session.StartAcad();
    EXPECT_THAT(bed.channel.Texts(), Contains("[X] AutoCAD не отвечает, ожидание прекращено"));
    EXPECT_FALSE(GetPublishState().running);
}

}  // namespace
}  // namespace docvane::test
