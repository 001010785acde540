#include "worker/PublishWorker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "output/FileOperations.h"
#include "output/OutputRecord.h"
#include "run/Cancel.h"
#include "run/PublishState.h"
#include "support/ManualClock.h"
#include "support/PdfInspection.h"
#include "support/WorkerTestBed.h"
#include "worker/StopControl.h"

namespace docvane::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

class PublishWorkerTest : public WorkerTest {
  protected:
    std::vector<int> Kinds() const {
        std::vector<int> kinds;
        for (const auto& [kind, line] : bed.channel.Lines()) {
            kinds.push_back(kind);
        }
        return kinds;
    }
    // The part of the log after the files: servers, references, cleaning, combined PDF, end.
    std::vector<std::string> EndSteps(bool withWord, bool withAcad) const {
        std::vector<std::string> lines;
        if (withWord)
            lines.push_back("[?] Останавливаю процесс Word...");
        if (withAcad)
            lines.push_back("[?] Останавливаю процесс AutoCAD...");
        lines.push_back("[?] Копирование внешних ссылок в: " + Out("EDIT") + "/Refs");
        lines.push_back("[?] Очистка временных и лишних файлов в PDF папке: " + Out("PDF"));
        lines.push_back("[?] Очистка временных и лишних файлов в папке с ред. форматом: " + Out("EDIT"));
        lines.push_back("[?] Объединяю файлы в общий pdf: " + Out("All.pdf"));
        lines.push_back("[?] Нумерую общий pdf: All.pdf");
        lines.push_back("[?] Создаю меню в общем pdf: All.pdf");
        lines.push_back("[?] Сохраняю общий pdf: " + Out("All.pdf"));
        return lines;
    }
};

TEST_F(PublishWorkerTest, FullRunPublishesEveryKindInOrder) {
    AddPdf("Ready.pdf");
    AddDrawing("Plan.dwg", {"A1", "A2"});
    AddWordDocument("Text.docx");
    project.AddField("Шифр", "01-2026");
    const auto log = Publish(false);

    std::vector<std::string> expected = {
        "[?] Начинаю публикацию...",
        "[?] Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/Ready.pdf"),
        "[?] Файл опубликован: " + Src("Ready.pdf"),
        "[?] Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/Plan.pdf"),
        "[?] Открываю файл: " + Src("Plan.dwg"),
        "[?] Заполняю поля в файле: Plan.dwg",
        "[?] Получаю список листов: Plan.pdf",
        "[?] Сохраняю нередактируемый формат: Plan.pdf",
        "[?] Поиск внешних ссылок в файле: Plan.dwg",
        "[?] Сохраняю редактируемый формат: Plan.dwg",
        "[?] Закрываю файл: Plan.dwg",
        "[?] Файл опубликован: " + Src("Plan.dwg"),
        "[?] Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/Text.pdf"),
        "[?] Открываю файл: " + Src("Text.docx"),
        "[?] Заполняю поля в файле: Text.docx",
        "[?] Обновляю поля в файле: Text.docx",
        "[?] Поиск и построение интерактивного содержания в файле: " + Src("Text.docx"),
        "[?] Сохраняю нередактируемый формат: Text.pdf",
        "[?] Сохраняю редактируемый формат: Text.docx",
        "[?] Закрываю файл: Text.docx",
        "[?] Файл опубликован: " + Src("Text.docx"),
    };
    for (const auto& line : EndSteps(true, true)) {
        expected.push_back(line);
    }
    // Counts and the final line follow the combined PDF.
    ASSERT_GE(log.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_EQ(log.back(), "[+] Публикация окончена.");
    EXPECT_EQ(Kinds().back(), 1);

    for (const char* output : {"PDF/Ready.pdf", "PDF/Plan.pdf", "PDF/Text.pdf", "EDIT/Ready.pdf",
                               "EDIT/Plan.dwg", "EDIT/Text.docx", "All.pdf"}) {
        EXPECT_TRUE(Exists(Out(output))) << output;
    }
    EXPECT_TRUE(QpdfCheckClean(Out("All.pdf")));
    EXPECT_EQ(QpdfOutline(Out("All.pdf")).size(), 3u);
    EXPECT_THAT(opened, ElementsAre(Out("All.pdf")));
    EXPECT_THAT(project.File(1).sheetNames, ElementsAre("A1", "A2"));
    EXPECT_TRUE(project.IsModified());  // new sheet names are saved with the project
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_THAT(bed.channel.Events(), Contains("state:0"));
    EXPECT_EQ(bed.channel.Events().back(), "state:-1");
    EXPECT_EQ(word.instancesCreated, 1);
}

TEST_F(PublishWorkerTest, FastRunOfAnUpToDateProjectStillCopiesCleansAndCombines) {
    AddPdf("Ready.pdf", 1000);
    FileDoc& plan = AddDrawing("Plan.dwg", {"A1"}, 1000);
    WriteFile(Out("EDIT/Plan.dwg"), "copy", 1000);
    WriteFile(Out("PDF/stray.pdf"), "left from an old run", 1000);
    RecordPlacedOutput(project, Out("PDF/stray.pdf"));
    WriteFile(Out("PDF/foreign.pdf"), "someone else's", 1000);
    WriteFile(bed.dir / "refs/Base.dwg", "reference", 1000);
    plan.xrefsAfter.emplace_back(bed.dir / "refs/Base.dwg", &project, &plan);
    // Publish the ready PDF once so that it is current, then make the drawing's PDF a real one.
    ASSERT_EQ(PlaceFile(Src("Ready.pdf"), Out("PDF/Ready.pdf")), 0);
    ASSERT_EQ(PlaceFile(Src("Ready.pdf"), Out("EDIT/Ready.pdf")), 0);
    ASSERT_EQ(PlaceFile(Src("Ready.pdf"), Out("PDF/Plan.pdf")), 0);

    const auto log = Publish(true);
    std::vector<std::string> expected = {
        "[?] Начинаю публикацию...",
        "[?] Файл не нуждается в публикации: " + Src("Ready.pdf"),
        "[?] Файл не нуждается в публикации: " + Src("Plan.dwg"),
    };
    for (const auto& line : EndSteps(false, false)) {
        expected.push_back(line);
    }
    expected.insert(expected.begin() + 4, "[?] Копирую внешнюю ссылку: " + (bed.dir / "refs/Base.dwg"));
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_EQ(log.back(), "[+] Публикация окончена.");
    EXPECT_TRUE(bed.servers.empty());  // the drawing program was never started
    EXPECT_EQ(ReadFile(Out("EDIT/Refs/Base.dwg")), "reference");
    EXPECT_FALSE(Exists(Out("PDF/stray.pdf")));
    EXPECT_TRUE(Exists(Out("PDF/foreign.pdf")));
    EXPECT_TRUE(Exists(Out("All.pdf")));
    // The first combined PDF built records what it was made from; a run that changes nothing leaves
    // the project unmodified.
    EXPECT_TRUE(project.IsModified());
    EXPECT_FALSE(project.pdfFilePublishedFrom.empty());
    project.SetModifiedFlag(false);
    const auto again = Publish(true);
    EXPECT_EQ(again.back(), "[+] Публикация окончена.");
    EXPECT_FALSE(project.IsModified());
}

TEST_F(PublishWorkerTest, AMissingSourceEndsTheRunEvenInFastMode) {
    AddPdf("First.pdf");
    project.AppendFile(Src("Gone.dwg"));
    AddPdf("Never.pdf");
    const auto log = Publish(true);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "[?] Начинаю публикацию...",
                       "[?] Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/First.pdf"),
                       "[?] Файл опубликован: " + Src("First.pdf"),
                       "[X] Исходный файл не найден: " + Src("Gone.dwg"),
                       "[X] Публикация окончена.",
                   }));
    EXPECT_FALSE(Exists(Out("PDF/Never.pdf")));
    EXPECT_FALSE(Exists(Out("All.pdf")));
}

TEST_F(PublishWorkerTest, AFailedExportEndsTheRunWithoutTheCombinedPdf) {
    AddDrawing("Plan.dwg", {"A1"});
    AddPdf("After.pdf");
    WriteFile(Out("PDF"), "a file where the PDF folder should be");
    const auto log = Publish(false);
    const auto error = std::find(log.begin(), log.end(),
                                 "[X] Невозможно создать директорию для файла: " + Out("PDF/Plan.pdf"));
    ASSERT_NE(error, log.end());
    EXPECT_EQ(*(error - 1), "[?] Сохраняю нередактируемый формат: Plan.pdf");
    EXPECT_EQ(*(error + 1), "[?] Останавливаю процесс AutoCAD...");  // the end of the run follows at once
    EXPECT_EQ(log.back(), "[X] Публикация окончена.");
    EXPECT_FALSE(Exists(Out("EDIT/After.pdf")));
    EXPECT_FALSE(Exists(Out("All.pdf")));
    EXPECT_TRUE(bed.Started()->HasQuit());
}

TEST_F(PublishWorkerTest, AServerThatDiesDuringTheExportEndsTheRun) {
    AddDrawing("Plan.dwg", {"A1"});
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
        server.dieOn = "-EXPORT";
    };
    const auto log = Publish(false);
    const auto export_ = std::find(log.begin(), log.end(), "[?] Сохраняю нередактируемый формат: Plan.pdf");
    ASSERT_NE(export_, log.end());
    EXPECT_EQ(*(export_ + 1), "[X] AutoCAD не отвечает, ожидание прекращено");
    EXPECT_EQ(log.back(), "[X] Публикация окончена.");
    EXPECT_TRUE(bed.starter->processes.at(0)->terminated);  // a dead server is not left behind
    EXPECT_FALSE(Exists(Out("All.pdf")));
}

TEST_F(PublishWorkerTest, AnUnknownKindIsNeitherOpenedNorCopied) {
    WriteFile(Src("notes.txt"), "text", 1000);
    project.AppendFile(Src("notes.txt"));
    AddPdf("Ready.pdf");
    const auto log = Publish(false);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1], "[?] Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/notes.pdf"));
    EXPECT_EQ(log[2], "[?] Файл опубликован: " + Src("notes.txt"));
    EXPECT_EQ(project.File(0).statusText,
              "Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/notes.pdf"));
    EXPECT_FALSE(Exists(Out("PDF/notes.pdf")));
    EXPECT_FALSE(Exists(Out("EDIT/notes.txt")));
    EXPECT_TRUE(bed.servers.empty());
    EXPECT_EQ(word.instancesCreated, 0);
}

TEST_F(PublishWorkerTest, ALockedPublishedPdfThatNeedsReplacingEndsTheRun) {
    AddPdf("Ready.pdf", 2000);
    WriteFile(Out("PDF/Ready.pdf"), "old", 1000);
    FileLock lock(Out("PDF/Ready.pdf"));
    const auto log = Publish(true);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "[?] Начинаю публикацию...",
                       "[X] Отсутствует доступ к опубликованному файлу: " + Out("PDF/Ready.pdf"),
                       "[X] Публикация окончена.",
                   }));
    EXPECT_EQ(ReadFile(Out("PDF/Ready.pdf")), "old");
}

TEST_F(PublishWorkerTest, ACancelDuringAStepEndsTheRunAfterIt) {
    AddDrawing("Plan.dwg", {"A1"});
    AddPdf("After.pdf");
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
        server.hangOn = "-EXPORT";
        server.onBusyPoll = [] { RequestCancel(); };  // Stop pressed while the export runs
    };
    const auto log = Publish(false);
    EXPECT_THAT(log, Contains("[!] Отмена публикации..."));
    EXPECT_THAT(log, Contains("[?] Останавливаю процесс AutoCAD..."));
    EXPECT_NE(log.back().find("Публикация окончена."), std::string::npos);
    EXPECT_EQ(log.back().substr(0, 4), "[!] ");
    EXPECT_THAT(bed.Started()->Commands(), Contains("(command)\r\n"));
    EXPECT_FALSE(Exists(Out("PDF/After.pdf")));
    EXPECT_FALSE(Exists(Out("All.pdf")));
    EXPECT_TRUE(bed.Started()->HasQuit());
}

TEST_F(PublishWorkerTest, TheEmergencyStopEndsARunWhoseServerHangs) {
    AddDrawing("Plan.dwg", {"A1"});
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
        server.hangOn = "-EXPORT";
        server.ignoreCancel = true;
    };
    std::thread worker([this] { Publish(false); });
    while (!GetPublishState().running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while (bed.servers.empty() || bed.Started()->Commands().empty() ||
           bed.Started()->Commands().back().find("-EXPORT") == std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EmergencyStop();
    worker.join();
    const auto log = bed.channel.Texts();
    // The abandoned server makes the worker give up its wait; a cancelled run ends with a warning.
    EXPECT_EQ(log.back().substr(0, 4), "[!] ");
    EXPECT_NE(log.back().find("Публикация окончена."), std::string::npos);
    EXPECT_TRUE(bed.starter->processes.at(0)->terminated);
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_EQ(bed.channel.Events().back(), "state:-1");
}

TEST_F(PublishWorkerTest, TheEmergencyStopReachesTheServersOfEveryLane) {
    AddDrawing("Plan.dwg", {"A1"});
    AddDrawing("Section.dwg", {"B1"});
    AddPdf("Ready.pdf");
    bed.table.knowsProcesses = true;  // as the running-object folder: each session finds its own server
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
        server.hangOn = "-EXPORT";
        server.ignoreCancel = true;
    };
    const auto servers = [this] {
        std::lock_guard<std::mutex> lock(bed.starter->mutex);  // started from the lanes' threads
        return bed.servers;
    };
    std::thread worker([this] { PublishWorkerWithJobs(&project, false, 2); });
    const auto exporting = [](const std::shared_ptr<FakeAcadServer>& server) {
        const auto commands = server->Commands();
        return !commands.empty() && commands.back().find("-EXPORT") != std::string::npos;
    };
    // Both drawings hang in their exports, each in the server of its own lane.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool bothHang = false;
    while (!bothHang && std::chrono::steady_clock::now() < deadline) {
        const auto started = servers();
        bothHang = started.size() == 2 && std::all_of(started.begin(), started.end(), exporting);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(bothHang);
    EmergencyStop();
    worker.join();
    const auto processes = bed.starter->Processes();
    ASSERT_EQ(processes.size(), 2u);
    for (const auto& process : processes) {
        EXPECT_TRUE(process->terminated);
    }
    const auto log = bed.channel.Texts();
    // As with one file at a time: the abandoned servers make the run give up, a cancelled run warns.
    EXPECT_EQ(log.back(), "[!] Публикация окончена.") << ::testing::PrintToString(log);
    EXPECT_THAT(log, Not(Contains("[?] Файл опубликован: " + Src("Plan.dwg"))));
    EXPECT_THAT(log, Not(Contains("[?] Файл опубликован: " + Src("Ready.pdf"))));
    EXPECT_FALSE(Exists(Out("All.pdf")));
    EXPECT_FALSE(GetPublishState().running);
}

TEST_F(PublishWorkerTest, ALanesWorkOnAFileIsTimedWhenTheFileIsPlacedInItsTurn) {
    AddDrawing("Plan.dwg", {"A1"});
    AddPdf("Ready.pdf");
    AddDrawing("Section.dwg", {"B1"});
    bed.table.knowsProcesses = true;
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
    };
    PublishWorkerWithJobs(&project, false, 2);
    const auto events = bed.channel.Events();
    std::vector<std::string> asides;
    for (const auto& event : events) {
        if (event.rfind("aside:", 0) == 0) {
            asides.push_back(event);
        }
    }
    // Once for each file a lane worked on, in list order; the ready PDF is copied in its turn.
    EXPECT_THAT(asides, ElementsAre("aside:0", "aside:2")) << ::testing::PrintToString(events);
    for (const auto& worked : bed.channel.WorkedAside()) {
        EXPECT_GT(worked.count(), 0);
    }
    // Between the file's status and the lines of its work, which are shown when it is placed.
    for (const auto& [index, name] : {std::pair<int, std::string>{0, "Plan"}, {2, "Section"}}) {
        const auto aside = std::find(events.begin(), events.end(), "aside:" + std::to_string(index));
        const auto openLine =
            std::find(events.begin(), events.end(), "log:[?] Открываю файл: " + Src(name + ".dwg"));
        ASSERT_NE(openLine, events.end()) << name;
        EXPECT_LT(aside, openLine) << name;
        const std::string status =
            "log:[?] Опубликованный файл не найден, требуется перепубликация: " + Out("PDF/" + name + ".pdf");
        EXPECT_NE(std::find(events.begin(), aside, status), aside) << name;
    }
    EXPECT_EQ(bed.channel.Texts().back(), "[+] Публикация окончена.");
}

TEST_F(PublishWorkerTest, AWarningMakesTheFinalLineAWarning) {
    FileDoc& ready = AddPdf("Ready.pdf");
    ready.xrefsAfter.emplace_back(bed.dir / "refs/Gone.dwg", &project, &ready);
    const auto log = Publish(false);
    EXPECT_THAT(log, Contains("[!] Внешняя ссылка не найдена: " + (bed.dir / "refs/Gone.dwg")));
    EXPECT_EQ(log.back(), "[!] Публикация окончена.");
    EXPECT_TRUE(Exists(Out("All.pdf")));
}

TEST_F(PublishWorkerTest, AProjectWithoutFilesDoesNotStart) {
    const auto log = Publish(false);
    EXPECT_THAT(log, ElementsAre("[!] Отсутствуют файлы для публикации"));
    EXPECT_THAT(bed.channel.Events(), ElementsAre("elapsed:0", "log:[!] Отсутствуют файлы для публикации"));
    EXPECT_FALSE(GetPublishState().running);
}

TEST_F(PublishWorkerTest, OnlyOneRunAtATime) {
    AddDrawing("Plan.dwg", {"A1"});
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
        server.busyPolls = 20;
    };
    ASSERT_TRUE(StartPublishJob(PublishJob{false, &project, PublishWorker}));
    EXPECT_FALSE(StartPublishJob(PublishJob{false, &project, PublishWorker}));
    while (IsWorkerActive()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(bed.channel.Texts().back(), "[+] Публикация окончена.");
    EXPECT_TRUE(StartPublishJob(PublishJob{true, &project, PublishWorker}));
    while (IsWorkerActive()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST(StopControlTest, TheSecondPressWithinTwoSecondsIsImpossibleAndLaterOffersTheEmergencyStop) {
    ScopedManualClock clock;
    RecordingChannel channel;
    GetPublishState().running = true;
    StopControl stop;
    EXPECT_TRUE(stop.OnUpdateStopPublish(true));
    EXPECT_FALSE(stop.OnUpdateStopPublish(false));
    int prompts = 0;
    stop.OnStopPublish([&prompts](const std::string&, const std::string&) { return ++prompts, false; });
    EXPECT_EQ(prompts, 0);
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_THAT(channel.Texts(), ElementsAre("[!] Отмена публикации..."));
    EXPECT_FALSE(stop.OnUpdateStopPublish(true));  // disabled for two seconds
    clock->Advance(std::chrono::milliseconds(1999));
    EXPECT_FALSE(stop.OnUpdateStopPublish(true));
    clock->Advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(stop.OnUpdateStopPublish(true));
    std::string asked;
    stop.OnStopPublish([&asked](const std::string& caption, const std::string& text) {
        asked = caption + "|" + text;
        return false;  // declined: nothing changes
    });
    EXPECT_EQ(asked, "Прервать публикацию|Публикация уже завершается.\nХотите аварийно завершить процесс?");
    EXPECT_EQ(channel.Texts().size(), 1u);
    stop.RunEnded();
    EXPECT_FALSE(stop.StopRequested());
    GetPublishState().severity = 0;
}

TEST(StopControlTest, ARunThatEndsWhileTheEmergencyQuestionIsOpenLeavesNoStopForTheNextRun) {
    ScopedManualClock clock;
    RecordingChannel channel;
    GetPublishState().running = true;
    StopControl stop;
    stop.OnStopPublish({});
    clock->Advance(std::chrono::seconds(3));
    // The run ends inside the question's modal loop; the user then answers OK.
    stop.OnStopPublish([&stop](const std::string&, const std::string&) {
        GetPublishState().running = false;
        stop.RunEnded();
        return true;
    });
    EXPECT_FALSE(stop.StopRequested());

    // The next run's first Stop only asks the run to stop.
    GetPublishState().running = true;
    EXPECT_TRUE(stop.OnUpdateStopPublish(true));
    int prompts = 0;
    stop.OnStopPublish([&prompts](const std::string&, const std::string&) { return ++prompts, true; });
    EXPECT_EQ(prompts, 0);
    EXPECT_TRUE(stop.StopRequested());
    EXPECT_FALSE(GetPublishState().running);
    stop.RunEnded();
    GetPublishState().severity = 0;
}

}  // namespace
}  // namespace docvane::test
