// Output folders chosen as the project's or the sources' own folder: publishing must not lose any
// file of the user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "output/FileOperations.h"
#include "support/PdfInspection.h"
#include "support/WorkerTestBed.h"

namespace docvane::test {
namespace {

using ::testing::Contains;
using ::testing::Not;

class SharedFoldersTest : public WorkerTest {
  protected:
    void AddAllKinds() {
        AddPdf("Ready.pdf");
        FileDoc& plan = AddDrawing("Plan.dwg", {"A1"});
        AddWordDocument("Text.docx");
        WriteFile(Src("Base.dwg"), "reference drawing", 1000);
        plan.xrefsBefore.emplace_back(Src("Base.dwg"), &project, &plan);
        // The drawing holds it as a reference that cannot be bound, so it is copied as well.
        drawings[Src("Plan.dwg")].blocks.push_back({"Base", "1A", true, Src("Base.dwg"), true, false});
        for (const char* name : {"Ready.pdf", "Plan.dwg", "Text.docx", "Base.dwg"}) {
            originals[name] = ReadFile(Src(name));
        }
        originals["project"] = ReadFile(bed.dir / "project.dv1");
        std::filesystem::create_directories(Out(""));  // the combined PDF's folder
        WriteFile(Out(".docvane-part-Zz9Yy8"), "a combined PDF whose writing was killed");
    }
    void ExpectUserFilesIntact() {
        for (const char* name : {"Ready.pdf", "Plan.dwg", "Text.docx", "Base.dwg"}) {
            EXPECT_EQ(ReadFile(Src(name)), originals[name]) << name;
        }
        EXPECT_EQ(ReadFile(bed.dir / "project.dv1"), originals["project"]);
    }
    std::map<std::string, std::string> originals;
};

TEST_F(SharedFoldersTest, BothOutputFoldersAreTheProjectFolder) {
    AddAllKinds();
    SetPath(project.pdfDir, bed.dir.Path());
    SetPath(project.editDir, bed.dir.Path());
    WriteFile(bed.dir / "stray.tmp", "someone else's");
    WriteFile(bed.dir / ".docvane-part-Ab12Cd", "a placing that was killed");
    const auto log = Publish(false);
    EXPECT_EQ(log.back(), "[+] Публикация окончена.");
    ExpectUserFilesIntact();
    // Both kinds of result survive the cleaning of the same folder.
    for (const char* result : {"Ready.pdf", "Plan.pdf", "Text.pdf", "Plan.dwg", "Text.docx"}) {
        EXPECT_TRUE(Exists(bed.dir / result)) << result;
    }
    EXPECT_TRUE(Exists(bed.dir / "src/Plan.dwg"));  // the folder holding the sources is kept
    EXPECT_TRUE(Exists(bed.dir / "stray.tmp"));
    EXPECT_FALSE(Exists(bed.dir / ".docvane-part-Ab12Cd"));
    EXPECT_FALSE(Exists(Out(".docvane-part-Zz9Yy8")));
    EXPECT_TRUE(QpdfCheckClean(Out("All.pdf")));
}

TEST_F(SharedFoldersTest, BothOutputFoldersAreTheSourcesFolder) {
    AddAllKinds();
    SetPath(project.pdfDir, bed.dir / "src");
    SetPath(project.editDir, bed.dir / "src");
    const auto log = Publish(false);
    EXPECT_EQ(log.back(), "[+] Публикация окончена.");
    // The editable copies and the ready PDF's outputs are their own sources: never replaced.
    ExpectUserFilesIntact();
    EXPECT_TRUE(Exists(Src("Plan.pdf")));
    EXPECT_TRUE(Exists(Src("Text.pdf")));
    EXPECT_EQ(QpdfOutline(Out("All.pdf")).size(), 3u);

    // A second, fast run finds everything current and still loses nothing.
    const auto again = Publish(true);
    EXPECT_THAT(again, Not(Contains("[?] Файл опубликован: " + Src("Plan.dwg"))));
    ExpectUserFilesIntact();

    // "Clear published" on every file keeps the sources.
    for (std::size_t i = 0; i < project.FileCount(); ++i) {
        RemovePublishedFiles(project.File(i));
    }
    ExpectUserFilesIntact();
    EXPECT_FALSE(Exists(Src("Plan.pdf")));
    EXPECT_FALSE(Exists(Src("Text.pdf")));
}

}  // namespace
}  // namespace docvane::test
