// docvane-cli status and a fast publish see changes the file times cannot show: the combined PDF's
// settings, the file list, a source swapped for an older copy; ready PDFs ignore fields and scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/CliTest.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::FileDocXml;
using test::ReadFile;
using test::WriteFile;

class CliDigestTest : public test::CliTest {
  protected:
    // Replaces text of the project file, as an engineer editing it (or the window saving it) would.
    void Edit(const std::string& from, const std::string& to) {
        std::string text = ReadFile(dir_ / "p.dv1");
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        WriteFile(dir_ / "p.dv1", text);
    }
    void WriteProject() {
        WriteFile(dir_ / "p.dv1",
                  "<docvane><pdfFile><fileRelativePath>.\\All.pdf</fileRelativePath></pdfFile>"
                  "<editDir><dirRelativePath>.\\EDIT</dirRelativePath></editDir>"
                  "<pdfDir><dirRelativePath>.\\PDF</dirRelativePath></pdfDir><fileDocs>" +
                      FileDocXml(".\\src\\A.pdf") + FileDocXml(".\\src\\B.pdf") +
                      "</fileDocs><fieldDocs><fieldDoc><name>Шифр</name><value>2026-АР</value></fieldDoc>"
                      "</fieldDocs><propertyDoc><general><numberingPdf><startPage>2</startPage>"
                      "<posX>10</posX></numberingPdf></general><autocad><general>"
                      "<clearComments>true</clearComments><lispScript>(princ)</lispScript></general>"
                      "</autocad><word><general><vbaScript>Sub A()</vbaScript></general></word>"
                      "</propertyDoc></docvane>");
    }
    void Pdf(const std::string& relative, int pages, const std::string& prefix) {
        std::filesystem::create_directories(std::filesystem::path(dir_ / relative).parent_path());
        test::WriteFixturePdf(dir_ / relative, pages, prefix);
    }
    std::string UpToDate(const std::string& relative) {
        return "Файл не нуждается в публикации: " + (dir_ / relative);
    }
};

TEST_F(CliDigestTest, ChangesTheTimesCannotShowAreSeenByStatusAndPublishedByAFastRun) {
    Pdf("src/A.pdf", 2, "Alpha");
    Pdf("src/B.pdf", 1, "Beta");
    WriteProject();
    auto first = Cli({"publish", dir_ / "p.dv1", "--full"});
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    ASSERT_NE(ReadFile(dir_ / "p.dv1").find("<publishedFrom>"), std::string::npos);

    const std::string combinedSettings =
        "Настройки общего PDF изменены, требуется перепубликация: " + (dir_ / "All.pdf");
    const std::string fileList =
        "Состав или порядок файлов изменен, требуется перепубликация: " + (dir_ / "All.pdf");
    const std::string a = UpToDate("src/A.pdf");
    const std::string b = UpToDate("src/B.pdf");
    const std::string all = UpToDate("All.pdf");
    // Applied in order, each on the state the previous one's fast run left. Ready PDFs take neither
    // fields nor scripts; every setting of the combined PDF is told apart in PublishDigestTest.
    const struct {
        const char* name;
        std::function<void()> change;
        int statusExit;
        std::vector<std::string> statusLines;
        std::function<void()> check = nullptr;    // after the fast run
        std::vector<std::string> published = {};  // sources the fast run publishes again
    } kSteps[] = {
        {"nothing", [] {}, 0, {a, b, all}},
        {"fields and scripts",
         [&] {
             Edit("<value>2026-АР</value>", "<value>2026-АР.1</value>");
             Edit("(princ)", "(command \"_.ZOOM\" \"_E\")");
             Edit("Sub A()", "Sub B()");
         },
         0,
         {a, b, all}},
        {"numbering corner",
         [&] { Edit("<posX>10</posX>", "<posX>25</posX>"); },
         3,
         {a, b, combinedSettings}},
        {"list reordered",
         [&] {
             // The rows move with everything recorded for them, as dragging them in the window does.
             std::string text = ReadFile(dir_ / "p.dv1");
             const auto head = text.find("<fileDoc>");
             const auto next = text.find("<fileDoc>", head + 1);
             const auto end = text.find("</fileDoc>", next) + 10;
             const std::string one = text.substr(head, next - head);
             const std::string two = text.substr(next, end - next);
             text.replace(head, end - head, two + one);
             WriteFile(dir_ / "p.dv1", text);
         },
         3,
         {b, a, fileList},
         [&] {
             const auto pages = test::PageTexts(dir_ / "All.pdf");
             ASSERT_EQ(pages.size(), 3u);
             EXPECT_NE(pages[0].find("Beta"), std::string::npos) << pages[0];
         }},
        {"file excluded",
         [&] {
             std::string text = ReadFile(dir_ / "p.dv1");
             const auto from = text.find("<fileDoc>");
             text.erase(from, text.find("</fileDoc>") + 10 - from);  // B, now the first
             WriteFile(dir_ / "p.dv1", text);
         },
         3,
         {a, fileList},
         [&] { EXPECT_EQ(test::QpdfPageCount(dir_ / "All.pdf"), 2); }},
        {"source swapped for an older copy",
         [&] {
             Pdf("src/A.pdf", 3, "Gamma");
             test::SetModificationTime(dir_ / "src/A.pdf", 1000000000);  // older than every result
         },
         3,
         {"Исходный файл заменен, требуется перепубликация: " + (dir_ / "src/A.pdf"),
          "Файлы изменились, требуется перепубликация"},
         [&] {
             for (const char* result : {"PDF/A.pdf", "EDIT/A.pdf", "All.pdf"}) {
                 EXPECT_EQ(test::QpdfPageCount(dir_ / result), 3) << result;
             }
         },
         {"src/A.pdf"}},
    };
    for (const auto& step : kSteps) {
        SCOPED_TRACE(step.name);
        step.change();
        auto status = Cli({"status", dir_ / "p.dv1"});
        EXPECT_EQ(status.exitCode, step.statusExit) << status.out << status.err;
        std::string expected;
        for (const auto& line : step.statusLines) {
            expected += line + "\n";
        }
        EXPECT_EQ(status.out, expected);

        const std::string before = ReadFile(dir_ / "p.dv1");
        const auto run = Cli({"publish", dir_ / "p.dv1"});
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        std::size_t published = 0;
        for (auto at = run.out.find("Файл опубликован: "); at != std::string::npos;
             at = run.out.find("Файл опубликован: ", at + 1)) {
            ++published;
        }
        EXPECT_EQ(published, step.published.size()) << run.out;
        for (const auto& source : step.published) {
            EXPECT_NE(run.out.find("[?] Файл опубликован: " + (dir_ / source) + "\n"), std::string::npos)
                << run.out;
        }
        if (step.statusExit == 0) {
            EXPECT_EQ(ReadFile(dir_ / "p.dv1"), before);  // nothing new to record: not saved again
        }
        if (step.check) {
            step.check();
        }
        status = Cli({"status", dir_ / "p.dv1"});
        EXPECT_EQ(status.exitCode, 0) << status.out;
    }
}

TEST_F(CliDigestTest, ProjectsWithoutDigestsKeepTheStatusesOfTheirTimesUntilPublished) {
    // A current-format project written before digests were kept, its results current.
    Pdf("src/A.pdf", 1, "Alpha");
    Pdf("src/B.pdf", 1, "Beta");
    WriteProject();
    ASSERT_EQ(Cli({"publish", dir_ / "p.dv1", "--no-save"}).exitCode, 0);
    const std::string old = ReadFile(dir_ / "p.dv1");
    ASSERT_EQ(old.find("publishedFrom"), std::string::npos);
    Edit("<posX>10</posX>", "<posX>25</posX>");
    Edit(".\\src\\A.pdf", ".\\src\\C.pdf");
    Edit(".\\src\\B.pdf", ".\\src\\A.pdf");
    Edit(".\\src\\C.pdf", ".\\src\\B.pdf");
    auto status = Cli({"status", dir_ / "p.dv1"});
    EXPECT_EQ(status.exitCode, 0) << status.out;
    EXPECT_EQ(status.out,
              UpToDate("src/B.pdf") + "\n" + UpToDate("src/A.pdf") + "\n" + UpToDate("All.pdf") + "\n");

    // Saved again without a run it stays as it was; a run records what it built from.
    ASSERT_EQ(Cli({"save-as", dir_ / "p.dv1", dir_ / "copy.dv1"}).exitCode, 0);
    EXPECT_EQ(ReadFile(dir_ / "copy.dv1").find("publishedFrom"), std::string::npos);
    ASSERT_EQ(Cli({"publish", dir_ / "p.dv1"}).exitCode, 0);
    EXPECT_NE(ReadFile(dir_ / "p.dv1").find("<publishedFrom>"), std::string::npos);
    Edit("<posX>25</posX>", "<posX>30</posX>");
    status = Cli({"status", dir_ / "p.dv1"});
    EXPECT_EQ(status.exitCode, 3);
    EXPECT_NE(status.out.find("Настройки общего PDF изменены"), std::string::npos) << status.out;

    // A project of the earlier generation reads and publishes as before, then keeps digests too.
    WriteFile(dir_ / "old/old.dv1",
              "<DocElements><Items><DocElement><file_relativepath>..\\src\\A.pdf</file_relativepath>"
              "</DocElement></Items><Property><exit_pdf_dir_relativepath>.\\PDF</exit_pdf_dir_relativepath>"
              "</Property></DocElements>");
    ASSERT_EQ(Cli({"publish", dir_ / "old/old.dv1", "--combined-pdf", dir_ / "old/All.pdf"}).exitCode, 0);
    status = Cli({"status", dir_ / "old/old.dv1"});
    EXPECT_EQ(status.exitCode, 0) << status.out;
    EXPECT_NE(ReadFile(dir_ / "old/old.dv1").find("<publishedFrom>"), std::string::npos);
}

TEST_F(CliDigestTest, UnreadableProjectsSayWhyAndWhereAndExitWithTwo) {
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
    } kFiles[] = {
        // Every reason is told apart in ProjectFileTest; here, how the command line gives one.
        {"empty", "", "файл пуст"},
        {"mutated", "<docvane>\n<pdfFile>\n<fileRelativePath>x</fileRelativePath>\n</docvane>",
         "ошибка XML в строке"},
    };
    for (const auto& f : kFiles) {
        SCOPED_TRACE(f.name);
        const std::string path = dir_ / (std::string(f.name) + ".dv1");
        WriteFile(path, f.bytes);
        for (const char* command : {"status", "publish"}) {
            const auto result = Cli({command, path});
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_EQ(result.out, "");
            EXPECT_NE(result.err.find("cannot read the project " + path + " ("), std::string::npos)
                << result.err;
            EXPECT_NE(result.err.find(f.reason), std::string::npos) << result.err;
            EXPECT_EQ(result.err.find("--combined-pdf"), std::string::npos) << result.err;
        }
        EXPECT_EQ(ReadFile(path), f.bytes);
    }
}

}  // namespace
}  // namespace docvane
