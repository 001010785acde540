#include <gtest/gtest.h>

#include <filesystem>

#include "support/CliTest.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::WriteFile;

class CliStatusTest : public test::CliTest {
  protected:
    void WriteProject(const std::string& files) {
        WriteFile(dir_ / "p.dv1",
                  "<docvane><pdfFile><fileRelativePath>.\\All.pdf</fileRelativePath></pdfFile>"
                  "<pdfDir><dirRelativePath>.\\PDF</dirRelativePath></pdfDir><fileDocs>" +
                      files + "</fileDocs></docvane>");
    }
};

TEST_F(CliStatusTest, PrintsEveryStatusAndExitsByTheCombinedStatus) {
    WriteProject("<fileDoc><fileRelativePath>.\\A.pdf</fileRelativePath></fileDoc>");
    WriteFile(dir_ / "A.pdf", "a", 1000);
    auto result = Cli({"status", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_EQ(result.out, "Опубликованный файл не найден, требуется перепубликация: " + (dir_ / "PDF/A.pdf") +
                              "\nОпубликованный файл отсутствует: " + (dir_ / "All.pdf") + "\n");

    WriteFile(dir_ / "PDF/A.pdf", "a", 1000);
    WriteFile(dir_ / "All.pdf", "all", 1000);
    result = Cli({"status", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Файл не нуждается в публикации: " + (dir_ / "A.pdf") +
                              "\nФайл не нуждается в публикации: " + (dir_ / "All.pdf") + "\n");

    WriteProject("<fileDoc><fileRelativePath>.\\Gone.dwg</fileRelativePath></fileDoc>");
    result = Cli({"status", dir_ / "p.dv1"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "Исходный файл не найден: " + (dir_ / "Gone.dwg"));
}

TEST_F(CliStatusTest, ReadsLegacyProjectsAndSavesThemInTheCurrentFormat) {
    WriteFile(
        dir_ / "proj/old.dv1",
        "<DocElements><Items><DocElement><file_relativepath>..\\src\\A.pdf</file_relativepath></DocElement>"
        "</Items></DocElements>");
    auto result = Cli({"save-as", dir_ / "proj/old.dv1", dir_ / "other/deeper/new.dv1"});
    EXPECT_EQ(result.exitCode, 2);  // the folder does not exist: a clear message, no crash
    EXPECT_NE(result.err.find("cannot save"), std::string::npos);
    std::filesystem::create_directories(dir_ / "other/deeper");
    result = Cli({"save-as", dir_ / "proj/old.dv1", dir_ / "other/deeper/new.dv1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string saved = test::ReadFile(dir_ / "other/deeper/new.dv1");
    EXPECT_NE(saved.find("<fileRelativePath>..\\..\\src\\A.pdf</fileRelativePath>"), std::string::npos)
        << saved;
    EXPECT_EQ(saved.back(), '\0');
}

TEST_F(CliStatusTest, UsageErrorsAndUnreadableProjectsAreReportedNotCrashed) {
    EXPECT_EQ(Cli({"--help"}).exitCode, 0);
    EXPECT_EQ(Cli({"status", "--help"}).exitCode, 0);
    EXPECT_EQ(Cli({}).exitCode, 2);
    EXPECT_EQ(Cli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(Cli({"status"}).exitCode, 2);
    const auto missing = Cli({"status", dir_ / "none.dv1"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("cannot read the project"), std::string::npos);
    EXPECT_EQ(Cli({"status", dir_.Path()}).exitCode, 2);  // a folder, not a file
}

}  // namespace
}  // namespace docvane
