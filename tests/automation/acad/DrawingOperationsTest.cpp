#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/acad/DrawingOperations.h"

#include "app/ApplicationSettings.h"
#include "project/DocvaneDoc.h"
#include "support/AcadTestBed.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace docvane::test {
namespace {

constexpr const char* kEnd = "\r(command)\r\n";

std::string Sent(const std::string& statement) {
    return statement + kEnd;
}

class DrawingOperationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server = bed.Start();
        ASSERT_NE(server, nullptr);
        project.SetPathName(bed.dir / "proj/Project.dv1");
        project.propertyDoc.projectDir = bed.dir / "proj";
        project.propertyDoc.tempDir = bed.dir / "tmp";
        project.pdfDir.fullPath = bed.dir / "proj/PDF";
        project.editDir.fullPath = bed.dir / "proj/EDIT";
        source = bed.dir / "proj/Plan.dwg";
        WriteFile(source, "drawing");
        file = &project.AppendFile(source);
    }

    // Opens the source with these paper-space layouts (collection order = the order given).
    void Open(FakeDrawing drawing) {
        server->AddDrawing(source, std::move(drawing));
        ASSERT_TRUE(bed.session.OpenDrawing(source));
        ReadSheetNames(bed.session, file->sheetNames);
        bed.channel.Clear();
    }

    std::vector<std::string> CommandsFrom(std::size_t first) const {
        const auto all = server->Commands();
        return {all.begin() + static_cast<long>(std::min(first, all.size())), all.end()};
    }

    AcadTestBed bed;
    std::shared_ptr<FakeAcadServer> server;
    CDocvaneDoc project;
    FileDoc* file = nullptr;
    std::string source;
};

TEST_F(DrawingOperationsTest, SheetNamesFollowTheTabOrderNotTheCollectionOrder) {
    FakeDrawing drawing;
    drawing.layouts = {{"Model", 0}, {"Второй", 2}, {"Первый", 1}, {"Третий", 3}};
    Open(drawing);
    EXPECT_THAT(file->sheetNames, ElementsAre("Первый", "Второй", "Третий"));
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());
}

TEST_F(DrawingOperationsTest, DamagedTabOrdersAreIgnoredAndASingleSheetIsRead) {
    FakeDrawing drawing;
    drawing.layouts = {{"Model", 0}, {"Only", 1}, {"Stray", 9}, {"Negative", -4}};
    Open(drawing);
    EXPECT_THAT(file->sheetNames, ElementsAre("Only", "", ""));

    drawing.layouts = {{"Model", 0}, {"Лист", 1}};
    server->AddDrawing(source, drawing);
    ASSERT_TRUE(bed.session.OpenDrawing(source));
    ReadSheetNames(bed.session, file->sheetNames);
    EXPECT_THAT(file->sheetNames, ElementsAre("Лист"));
}

TEST_F(DrawingOperationsTest, FieldsBecomeCustomPropertiesCreatingOrUpdatingEach) {
    FakeDrawing drawing = DrawingWithSheets({"A"});
    drawing.customInfo = {{"Author", "old"}};
    Open(drawing);
    const std::size_t before = server->Trace().size();
    WriteCustomProperties(bed.session, {{"Author", "Иванов"}, {"Project", "P-1"}});
    const auto trace = server->Trace();
    EXPECT_THAT(
        std::vector<std::string>(trace.begin() + static_cast<long>(before), trace.end()),
        ElementsAre("Document.SummaryInfo", "SummaryInfo.AddCustomInfo|Author|Иванов",
                    "SummaryInfo.SetCustomByKey|Author|Иванов", "SummaryInfo.AddCustomInfo|Project|P-1",
                    "SummaryInfo.SetCustomByKey|Project|P-1"));
    const auto state = server->OpenDrawingState(0);
    EXPECT_THAT(state.customInfo, ElementsAre(std::pair<std::string, std::string>("Author", "Иванов"),
                                              std::pair<std::string, std::string>("Project", "P-1")));
}

TEST_F(DrawingOperationsTest, SplitDrawingExportsAndSavesEverySheetOnItsOwn) {
    project.propertyDoc.autocad.splitIntoLayouts = true;
    AppSettings().autocad.fileFormat = "2013";
    project.propertyDoc.autocad.fileFormat = "2000";  // stored with the project, not sent
    Open(DrawingWithSheets({"A", "B", "C"}));
    const std::string tmp = bed.dir / "tmp";

    ASSERT_TRUE(ExportSheetsToPdf(bed.session, *file));
    EXPECT_THAT(
        server->Commands(),
        ElementsAre(Sent("(command \"_.LAYOUT\" \"_S\" \"\")"), Sent("(command \"_.LAYOUT\" \"_S\" \"A\")"),
                    Sent("(command \"_.-EXPORT\" \"_P\" \"_C\" \"_N\" \"" + tmp + "/A.pdf\")"),
                    Sent("(command \"_.LAYOUT\" \"_S\" \"B\")"),
                    Sent("(command \"_.-EXPORT\" \"_P\" \"_C\" \"_N\" \"" + tmp + "/B.pdf\")"),
                    Sent("(command \"_.LAYOUT\" \"_S\" \"C\")"),
                    Sent("(command \"_.-EXPORT\" \"_P\" \"_C\" \"_N\" \"" + tmp + "/C.pdf\")")));
    const auto setVariable = server->Calls();
    const auto found = std::find_if(setVariable.begin(), setVariable.end(),
                                    [](const FakeCall& call) { return call.member == "SetVariable"; });
    ASSERT_NE(found, setVariable.end());
    ASSERT_EQ(found->received.size(), 2u);
    EXPECT_EQ(found->received[1].AsText(), "BACKGROUNDPLOT");
    EXPECT_EQ(found->received[0].Tag(), ValueTag::Int32);
    EXPECT_EQ(found->received[0].AsInt(), 0);
    for (const char* sheet : {"A", "B", "C"}) {
        EXPECT_EQ(PdfPageCount(bed.dir / ("proj/PDF/" + std::string(sheet) + ".pdf")), 1) << sheet;
    }

    const std::size_t afterExport = server->Commands().size();
    ASSERT_TRUE(SaveEditableCopy(bed.session, *file));
    std::vector<std::string> expected;
    for (const char* sheet : {"A", "B", "C"}) {
        expected.push_back(Sent("(command \"_.SAVEAS\" \"2013\" \"" + tmp + "/" + sheet + ".dwg\")"));
        expected.push_back(Sent("(command \"_.undo\" \"1\")"));
    }
    EXPECT_EQ(CommandsFrom(afterExport), expected);
    for (const char* sheet : {"A", "B", "C"}) {
        const auto saved = ReadSavedDrawing(bed.dir / ("proj/EDIT/" + std::string(sheet) + ".dwg"));
        ASSERT_TRUE(saved) << sheet;
        EXPECT_EQ(saved->format, "2013");
        EXPECT_THAT(saved->layouts, ElementsAre(sheet));
    }
    // Every pass is one undo group: the drawing has all its sheets again.
    EXPECT_EQ(server->OpenDrawingState(0).layouts.size(), 4u);

    // One pass in detail: the mark, the layouts visited downwards from the last, the two others deleted.
    auto trace = server->Trace();
    const auto mark = std::find(trace.begin(), trace.end(), "Document.StartUndoMark");
    ASSERT_NE(mark, trace.end());
    EXPECT_THAT(
        std::vector<std::string>(mark, mark + 12),
        ElementsAre("Document.StartUndoMark", "Document.Layouts", "Layouts.Item|3", "Layout.Name",
                    "Layout.Delete", "Layouts.Item|2", "Layout.Name", "Layout.Delete", "Layouts.Item|1",
                    "Layout.Name", "Document.SendCommand|" + expected[0], "Document.EndUndoMark"));
}

TEST_F(DrawingOperationsTest, AWholeDrawingIsExportedAndSavedOnce) {
    AppSettings().autocad.fileFormat = "2013";
    project.propertyDoc.autocad.fileFormat = "2000";  // stored with the project, not sent
    Open(DrawingWithSheets({"A", "B", "C"}));
    const std::string tmp = bed.dir / "tmp";
    ASSERT_TRUE(ExportSheetsToPdf(bed.session, *file));
    ASSERT_TRUE(SaveEditableCopy(bed.session, *file));
    EXPECT_THAT(server->Commands(),
                ElementsAre(Sent("(command \"_.LAYOUT\" \"_S\" \"\")"),
                            Sent("(command \"_.-EXPORT\" \"_P\" \"_A\" \"" + tmp + "/Plan.pdf\")"),
                            Sent("(command \"_.SAVEAS\" \"2013\" \"" + tmp + "/Plan.dwg\")")));
    EXPECT_EQ(PdfPageCount(bed.dir / "proj/PDF/Plan.pdf"), 3);
    const auto saved = ReadSavedDrawing(bed.dir / "proj/EDIT/Plan.dwg");
    ASSERT_TRUE(saved);
    EXPECT_THAT(saved->layouts, ElementsAre("A", "B", "C"));
    EXPECT_THAT(server->Trace(), Not(Contains("Document.StartUndoMark")));
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());

    CloseDrawing(bed.session);
    EXPECT_EQ(server->Trace().back(), "Document.Close|0");
    EXPECT_TRUE(bed.session.Document().IsNull());
}

TEST_F(DrawingOperationsTest, SheetNamesWithQuotesAndBackslashesStayOneLispString) {
    project.propertyDoc.autocad.splitIntoLayouts = true;
    Open(DrawingWithSheets({"План \"А\"\\1"}));
    ASSERT_TRUE(ExportSheetsToPdf(bed.session, *file));
    EXPECT_THAT(server->Commands(), Contains(Sent("(command \"_.LAYOUT\" \"_S\" \"План \\\"А\\\"\\\\1\")")));
    EXPECT_EQ(server->CurrentLayout(0), "План \"А\"\\1");
    EXPECT_EQ(PdfPageCount(bed.dir / "proj/PDF/План \"А\"_1.pdf"), 1);
}

TEST_F(DrawingOperationsTest, BackslashesInTheTemporaryPathReachTheProgramAsSlashes) {
    project.propertyDoc.tempDir = bed.dir / "t\\mp";
    Open(DrawingWithSheets({"A"}));
    EXPECT_FALSE(ExportSheetsToPdf(bed.session, *file));
    const auto commands = server->Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1], Sent("(command \"_.-EXPORT\" \"_P\" \"_A\" \"" + bed.dir / "t/mp/Plan.pdf\")"));
    // The program wrote nothing where the system looks, which shows up when the file is placed.
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[X] Временный файл не найден: " + bed.dir / "t\\mp/Plan.pdf"));
}

// What the program said during the export: the last message is the reason of the missing file, the
// ones before it are warnings; an export that wrote its file turns every message into a warning.
TEST_F(DrawingOperationsTest, AFileTheProgramDidNotWriteIsReportedWithItsReason) {
    server->keepsMessages = true;
    project.propertyDoc.tempDir = bed.dir / "t\\mp";
    Open(DrawingWithSheets({"A"}));
    server->messages = {"Объект HATCH пропущен при выводе", "Папка не найдена: " + bed.dir / "t/mp"};
    EXPECT_FALSE(ExportSheetsToPdf(bed.session, *file));
    EXPECT_THAT(bed.channel.Texts(),
                ElementsAre("[!] Объект HATCH пропущен при выводе",
                            "[X] Временный файл не найден: " +
                                bed.dir / "t\\mp/Plan.pdf (Папка не найдена: " + bed.dir / "t/mp)"));

    bed.channel.Clear();
    project.propertyDoc.tempDir = bed.dir / "tmp";
    server->messages = {"Объект HATCH пропущен при выводе"};
    EXPECT_TRUE(ExportSheetsToPdf(bed.session, *file));
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[!] Объект HATCH пропущен при выводе"));
}

TEST_F(DrawingOperationsTest, ALockedTemporaryFileStopsTheExportBeforeAnythingIsSent) {
    Open(DrawingWithSheets({"A"}));
    const std::string locked = bed.dir / "tmp/Plan.pdf";
    WriteFile(locked, "old");
    FileLock lock(locked);
    ASSERT_TRUE(lock.Held());
    EXPECT_FALSE(ExportSheetsToPdf(bed.session, *file));
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[X] Не могу удалить временный файл: " + locked));
    for (const auto& command : server->Commands()) {
        EXPECT_THAT(command, Not(HasSubstr("EXPORT")));
    }
}

TEST_F(DrawingOperationsTest, AnUncreatableTemporaryFolderIsAnError) {
    WriteFile(bed.dir / "blocker", "file");
    project.propertyDoc.tempDir = bed.dir / "blocker/tmp";
    Open(DrawingWithSheets({"A"}));
    EXPECT_FALSE(SaveEditableCopy(bed.session, *file));
    EXPECT_THAT(bed.channel.Texts(), ElementsAre("[X] Не могу создать временную директорию для файла: " +
                                                 bed.dir / "blocker/tmp"));
}

TEST_F(DrawingOperationsTest, WithoutOutputFoldersResultsStayInTheTemporaryFolder) {
    project.pdfDir.fullPath.clear();
    project.editDir.fullPath.clear();
    Open(DrawingWithSheets({"A", "B"}));
    ASSERT_TRUE(ExportSheetsToPdf(bed.session, *file));
    ASSERT_TRUE(SaveEditableCopy(bed.session, *file));
    EXPECT_EQ(PdfPageCount(bed.dir / "tmp/Plan.pdf"), 2);
    EXPECT_FALSE(Exists(bed.dir / "proj/PDF"));
    for (const auto& command : server->Commands()) {
        EXPECT_THAT(command, Not(HasSubstr("SAVEAS")));
    }
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());
}

// A script is given the project's folder, both output folders and the temporary folder (where the
// program writes before files are placed), or every folder when the user trusts project folders.
TEST_F(DrawingOperationsTest, TheScriptsFoldersAreTheProjectsOwnUnlessTrusted) {
    EXPECT_EQ(ScriptFolders(project, false),
              bed.dir / "proj\n" + bed.dir / "proj/PDF\n" + bed.dir / "proj/EDIT\n" + bed.dir / "tmp\n");
    EXPECT_EQ(ScriptFolders(project, true), "*");
    project.pdfDir.fullPath.clear();
    EXPECT_EQ(ScriptFolders(project, false).find("PDF"), std::string::npos);
    EXPECT_FALSE(ApplicationSettings().trustProjectFolder);  // not trusted unless the user says so
}

}  // namespace
}  // namespace docvane::test
