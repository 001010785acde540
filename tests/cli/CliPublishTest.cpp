#include <gtest/gtest.h>

#include <filesystem>

#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/RunProgram.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::ReadFile;
using test::RunProgram;
using test::WriteFile;

class CliPublishTest : public ::testing::Test {
  protected:
    test::ProgramResult Cli(const std::vector<std::string>& args) {
        std::vector<std::string> argv{DOCVANE_CLI};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, {{"DOCVANE_CONFIG_HOME", config_.Path()}});
    }
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
    static std::string FileDocXml(const std::string& relative) {
        return "<fileDoc><fileRelativePath>" + relative + "</fileRelativePath></fileDoc>";
    }
    test::TempDir config_;
    test::TempDir dir_;
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

    // A warning (a stray file that cannot be removed) gives 3, an error (a missing source) gives 2.
    WriteFile(dir_ / "PDF/stray.pdf", "x");
    {
        test::FileLock lock(dir_ / "PDF/stray.pdf");
        result = Cli({"publish", dir_ / "p.dv1"});
    }
    EXPECT_EQ(result.exitCode, 3) << result.out;
    EXPECT_NE(result.out.find("[!] Не могу удалить файл: " + (dir_ / "PDF/stray.pdf")), std::string::npos);
    std::filesystem::remove(dir_ / "src/B.pdf");
    result = Cli({"publish", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.out.find("[X] Исходный файл не найден: " + (dir_ / "src/B.pdf")), std::string::npos);
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

}  // namespace
}  // namespace docvane
