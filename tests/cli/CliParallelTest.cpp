#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/ClassRegistryFile.h"
#include "support/CliTest.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::FileDocXml;

class CliParallelTest : public test::CliTest {
  protected:
    void Pdf(const std::string& name) {
        std::filesystem::create_directories(std::filesystem::path(dir_ / name).parent_path());
        test::WriteFixturePdf(dir_ / name, 2, name);
    }
    // The run's lines without the elapsed time.
    static std::string Log(const std::string& out) {
        return std::regex_replace(out, std::regex("\\[\\d\\d:\\d\\d:\\d\\d[^\\n]*\\n"), "");
    }
};

TEST_F(CliParallelTest, JobsMustBeAWholeNumberFromOne) {
    Pdf("src/A.pdf");
    test::WriteFile(dir_ / "p.dv1", test::ProjectXml(".\\All.pdf", ".\\PDF", "", {".\\src\\A.pdf"}));
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--jobs"},
                                                {"--jobs", "0"},
                                                {"--jobs", "-2"},
                                                {"--jobs", "zwei"},
                                                {"--jobs", "2x"},
                                                {"--jobs", "65"},
                                                {"--jobs", ""}}) {
        std::vector<std::string> args{"publish", dir_ / "p.dv1"};
        args.insert(args.end(), bad.begin(), bad.end());
        const auto result = Cli(args);
        EXPECT_EQ(result.exitCode, 2) << bad.back();
        EXPECT_NE(result.err.find("--jobs"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << bad.back();  // a usage error starts no run
    }
    EXPECT_NE(Cli({"publish", "--help"}).out.find("--jobs N"), std::string::npos);
    const auto result = Cli({"publish", dir_ / "p.dv1", "--jobs", "64"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
}

TEST_F(CliParallelTest, AFailingDocumentEndsEveryJobsRunAsOneAtATimeAndNothingAfterItIsPlaced) {
    // No word processor can be started: the document fails on its lane, after two ready PDFs.
    ASSERT_TRUE(RegisterClassServer(config_ / "classes.conf", "Word.Application", dir_ / "no-such-server"));
    for (const char* name : {"src/A.pdf", "src/B.pdf", "src/D.pdf", "other/A.pdf"}) {
        Pdf(name);
    }
    test::WriteFile(dir_ / "src/C.docx", "not opened");
    test::WriteFile(dir_ / "p.dv1", test::ProjectXml(".\\All.pdf", ".\\PDF", ".\\EDIT",
                                                     {".\\src\\A.pdf", ".\\other\\A.pdf", ".\\src\\B.pdf",
                                                      ".\\src\\C.docx", ".\\src\\D.pdf"}));
    const std::string project = test::ReadFile(dir_ / "p.dv1");
    std::string sequential;
    for (const char* jobs : {"1", "2", "4"}) {
        std::filesystem::remove_all(dir_ / "PDF");
        std::filesystem::remove_all(dir_ / "EDIT");
        test::WriteFile(dir_ / "p.dv1", project);
        const auto result = Cli({"publish", dir_ / "p.dv1", "--full", "--jobs", jobs});
        EXPECT_EQ(result.exitCode, 2) << jobs << "\n" << result.out;
        const std::string log = Log(result.out);
        if (sequential.empty()) {
            sequential = log;
            EXPECT_NE(log.find("[X] Не могу запустить Word"), std::string::npos) << log;
            EXPECT_NE(log.find("[?] Файл опубликован: " + (dir_ / "src/B.pdf") + "\n"), std::string::npos);
        }
        EXPECT_EQ(log, sequential) << "--jobs " << jobs;
        EXPECT_TRUE(test::Exists(dir_ / "PDF/B.pdf")) << jobs;
        EXPECT_FALSE(test::Exists(dir_ / "PDF/D.pdf")) << jobs;
        EXPECT_FALSE(test::Exists(dir_ / "PDF/C.pdf")) << jobs;
        EXPECT_EQ(log.find("Общее количество листов"), std::string::npos);
    }
    EXPECT_EQ(sequential.substr(sequential.rfind("[X]")), "[X] Публикация окончена.\n");
}

TEST_F(CliParallelTest, ReadyPdfsPublishTheSameWithAnyJobs) {
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "src/F" + std::to_string(i) + ".pdf";
        Pdf(name);
        files.push_back(".\\src\\F" + std::to_string(i) + ".pdf");
    }
    test::WriteFile(dir_ / "p.dv1", test::ProjectXml(".\\All.pdf", ".\\PDF", "", files));
    const auto one = Cli({"publish", dir_ / "p.dv1", "--full", "--jobs", "1", "--no-save"});
    std::filesystem::remove_all(dir_ / "PDF");
    const auto three = Cli({"publish", dir_ / "p.dv1", "--full", "--jobs", "3", "--no-save"});
    ASSERT_EQ(one.exitCode, 0) << one.out;
    EXPECT_EQ(three.exitCode, 0) << three.out;
    EXPECT_EQ(Log(one.out), Log(three.out));
    EXPECT_EQ(test::QpdfPageCount(dir_ / "All.pdf"), 24);
}

}  // namespace
}  // namespace docvane
