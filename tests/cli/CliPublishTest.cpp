#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/CliTest.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/TestSupport.h"

extern char** environ;

namespace docvane {
namespace {

using test::FileDocXml;
using test::ReadFile;
using test::WriteFile;

class CliPublishTest : public test::CliTest {
  protected:
    void Pdf(const std::string& name) {
        std::filesystem::create_directories(std::filesystem::path(dir_ / name).parent_path());
        test::WriteFixturePdf(dir_ / name, 2, name);
    }
    void Project(const std::string& combined, const std::string& files) {
        WriteFile(dir_ / "p.dv1",
                  "<docvane><pdfFile><fileRelativePath>" + combined +
                      "</fileRelativePath></pdfFile><pdfDir><dirRelativePath>.\\PDF</dirRelativePath>"
                      "</pdfDir><fileDocs>" +
                      files + "</fileDocs></docvane>");
    }
};

TEST_F(CliPublishTest, PublishesPrintsEveryLineAndExitsBySeverity) {
    Pdf("src/A.pdf");
    Pdf("src/B.pdf");
    Project(".\\All.pdf", FileDocXml(".\\src\\A.pdf") + FileDocXml(".\\src\\B.pdf"));
    auto result = Cli({"publish", dir_ / "p.dv1"});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out.rfind("[?] Начинаю публикацию...\n", 0), 0u);
    EXPECT_NE(result.out.find("[?] Файл опубликован: " + (dir_ / "src/B.pdf") + "\n"), std::string::npos);
    EXPECT_NE(result.out.find("[+] Публикация окончена.\n[00:00:"), std::string::npos) << result.out;
    EXPECT_EQ(test::QpdfPageCount(dir_ / "All.pdf"), 4);

    // Nothing changed: a fast run publishes nothing and still succeeds; --full republishes.
    result = Cli({"publish", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("[?] Файл не нуждается в публикации: " + (dir_ / "src/A.pdf")),
              std::string::npos);
    EXPECT_EQ(result.out.find("Файл опубликован"), std::string::npos);
    result = Cli({"publish", dir_ / "p.dv1", "--full"});
    EXPECT_NE(result.out.find("[?] Файл опубликован: " + (dir_ / "src/A.pdf")), std::string::npos);

    // A warning (an old result of a removed entry that cannot be removed) gives 3, an error (a
    // missing source) gives 2.
    Project(".\\All.pdf", FileDocXml(".\\src\\A.pdf"));
    {
        test::FileLock lock(dir_ / "PDF/B.pdf");
        result = Cli({"publish", dir_ / "p.dv1"});
    }
    EXPECT_EQ(result.exitCode, 3) << result.out;
    EXPECT_NE(result.out.find("[!] Не могу удалить файл: " + (dir_ / "PDF/B.pdf")), std::string::npos);
    std::filesystem::remove(dir_ / "src/A.pdf");
    result = Cli({"publish", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.out.find("[X] Исходный файл не найден: " + (dir_ / "src/A.pdf")), std::string::npos);
}

TEST_F(CliPublishTest, TheCombinedPdfPathIsRequiredAndSavedWithTheProject) {
    Pdf("src/A.pdf");
    Project("", FileDocXml(".\\src\\A.pdf"));
    auto result = Cli({"publish", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("--combined-pdf"), std::string::npos);
    EXPECT_EQ(result.out, "");

    const std::string before = ReadFile(dir_ / "p.dv1");
    result = Cli({"publish", dir_ / "p.dv1", "--combined-pdf", dir_ / "out/All.pdf", "--no-save"});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_TRUE(test::Exists(dir_ / "out/All.pdf"));
    EXPECT_EQ(ReadFile(dir_ / "p.dv1"), before);

    result = Cli({"publish", dir_ / "p.dv1", "--combined-pdf", dir_ / "out/All.pdf"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(ReadFile(dir_ / "p.dv1").find("<fileRelativePath>.\\out\\All.pdf</fileRelativePath>"),
              std::string::npos);
}

TEST_F(CliPublishTest, BadArgumentsAndProjectsWithoutFilesAreReported) {
    EXPECT_EQ(Cli({"publish", "--help"}).exitCode, 0);
    EXPECT_EQ(Cli({"publish"}).exitCode, 2);
    EXPECT_EQ(Cli({"publish", dir_ / "p.dv1", "--bogus"}).exitCode, 2);
    EXPECT_EQ(Cli({"publish", dir_ / "missing.dv1"}).exitCode, 2);
    Project(".\\All.pdf", "");
    const auto result = Cli({"publish", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 2);  // the run did not start
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "[!] Отсутствуют файлы для публикации");
}

TEST_F(CliPublishTest, CtrlCStopsTheRunBeforeTheMergeWithTheWarningStatus) {
    // Enough files that the run is still going when the signal arrives.
    Pdf("src/A.pdf");
    std::string files;
    for (int i = 0; i < 600; ++i) {
        const std::string name = "src/F" + std::to_string(i) + ".pdf";
        std::filesystem::copy_file(dir_ / "src/A.pdf", dir_ / name);
        files += FileDocXml(".\\src\\F" + std::to_string(i) + ".pdf");
    }
    Project(".\\All.pdf", files);

    std::vector<std::string> envText{"DOCVANE_CONFIG_HOME=" + config_.Path()};
    for (char** e = environ; *e != nullptr; ++e) {
        envText.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args{DOCVANE_CLI, "publish", dir_ / "p.dv1", "--full"};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string outPath = dir_ / "out.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    // The signal is taken once the run has started (before that it would end the process).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadFile(outPath).find("Начинаю публикацию") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string out = ReadFile(outPath);
    ASSERT_TRUE(WIFEXITED(status)) << out;
    EXPECT_NE(out.find("[!] Отмена публикации...\n"), std::string::npos) << out.substr(0, 400);
    EXPECT_NE(out.find("[!] Публикация окончена.\n"), std::string::npos);
    EXPECT_EQ(out.find("Общее количество листов"), std::string::npos);  // stopped before the merge
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

}  // namespace
}  // namespace docvane
