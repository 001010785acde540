#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/acad/ReferenceBinding.h"
#include "project/DocvaneDoc.h"
#include "support/AcadTestBed.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace docvane::test {
namespace {

constexpr const char* kPurge = "(command \"_.PURGE\" \"_B\" \"*\" \"_N\")\r(command)\r\n";
constexpr const char* kFullPaths = "(command \"_.-XREF\" \"_T\" \"*\" \"_F\")\r(command)\r\n";
constexpr const char* kBind = "(command \"_.-XREF\" \"_B\" \"*\")\r(command)\r\n";

std::vector<std::string> Paths(const std::vector<XrefFile>& list) {
    std::vector<std::string> paths;
    for (const auto& entry : list) {
        paths.push_back(entry.fullPath);
    }
    return paths;
}

class ReferenceBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server = bed.Start();
        ASSERT_NE(server, nullptr);
        project.propertyDoc.tempDir = bed.dir / "tmp";
        project.editDir.fullPath = bed.dir / "proj/EDIT";
        project.propertyDoc.autocad.xrefDir = "Refs";
        source = bed.dir / "proj/dwg/Plan.dwg";
        WriteFile(source, "drawing");
        file = &project.AppendFile(source);
    }

    void Open(const std::vector<FakeBlock>& blocks) {
        FakeDrawing opened = DrawingWithSheets({"A"});
        opened.blocks = blocks;
        server->AddDrawing(source, opened);
        ASSERT_TRUE(bed.session.OpenDrawing(source));
    }

    const FakeBlock* Block(const std::string& handle) {
        drawing = server->OpenDrawingState(0);
        for (const auto& block : drawing.blocks) {
            if (block.handle == handle) {
                return &block;
            }
        }
        return nullptr;
    }

    AcadTestBed bed;
    std::shared_ptr<FakeAcadServer> server;
    CDocvaneDoc project;
    FileDoc* file = nullptr;
    std::string source;
    FakeDrawing drawing;
};

TEST_F(ReferenceBindingTest, RecordsBindsAndRepointsTheReferencesThatStayUnbound) {
    WriteFile(bed.dir / "proj/refs/base.dwg", "ref");
    WriteFile(bed.dir / "proj/dwg/side.dwg", "ref");
    WriteFile(bed.dir / "proj/refs/win.dwg", "ref");
    Open({
        {"base", "1A", true, "../refs/base.dwg", true, false},      // relative, climbs up; will not bind
        {"side", "1B", true, "/gone/folder/side.dwg", true, true},  // folder gone, file beside the drawing
        {"lost", "1C", true, "/nowhere/lost.dwg", true, false},     // exists nowhere
        {"win", "1D", true, "..\\refs\\win.dwg", true, false},      // stored with Windows separators
        {"unused", "2A", false, "", false, true},                   // purged
        {"table", "2B", false, "", true, true},                     // an ordinary block
    });
    BindReferences(bed.session, *file);

    EXPECT_THAT(server->Commands(), ElementsAre(kPurge, kPurge, kFullPaths, kBind));
    EXPECT_THAT(Paths(file->xrefsBefore),
                ElementsAre(bed.dir / "proj/refs/base.dwg", bed.dir / "proj/dwg/side.dwg",
                            bed.dir / "proj/refs/win.dwg"));
    EXPECT_THAT(Paths(file->xrefsAfter),
                ElementsAre(bed.dir / "proj/refs/base.dwg", bed.dir / "proj/refs/win.dwg"));
    for (const auto& entry : file->xrefsAfter) {
        EXPECT_EQ(entry.ownerFile, file);
        EXPECT_EQ(entry.owner, &project);
    }
    ASSERT_NE(Block("1A"), nullptr);
    EXPECT_EQ(Block("1A")->path, "./Refs/base.dwg");
    EXPECT_EQ(Block("1D")->path, "./Refs/win.dwg");
    EXPECT_FALSE(Block("1B")->isXref);
    EXPECT_EQ(Block("2A"), nullptr);

    // The re-pointing is a property put with the one named argument.
    const auto calls = server->Calls();
    const auto put = std::find_if(calls.begin(), calls.end(),
                                  [](const FakeCall& call) { return call.kind == InvokeKind::PropertyPut; });
    ASSERT_NE(put, calls.end());
    EXPECT_EQ(put->Text(), "Block.Path|./Refs/base.dwg");
    EXPECT_THAT(put->namedArgs, ElementsAre(-3));
    EXPECT_THAT(bed.channel.Texts(), IsEmpty());
}

TEST_F(ReferenceBindingTest, ADrawingWithoutReferencesStillRunsEveryCommand) {
    Open({});
    file->xrefsAfter.emplace_back(bed.dir / "old.dwg", &project, file);
    BindReferences(bed.session, *file);
    EXPECT_THAT(server->Commands(), ElementsAre(kPurge, kPurge, kFullPaths, kBind));
    EXPECT_THAT(file->xrefsBefore, IsEmpty());
    EXPECT_THAT(file->xrefsAfter, IsEmpty());
}

TEST_F(ReferenceBindingTest, WithoutAnEditableFolderNothingIsBoundAndTheOldListStays) {
    WriteFile(bed.dir / "proj/dwg/base.dwg", "ref");
    project.editDir.fullPath.clear();
    Open({{"base", "1A", true, "base.dwg", true, true}});
    file->xrefsAfter.emplace_back(bed.dir / "old.dwg", &project, file);
    BindReferences(bed.session, *file);
    EXPECT_THAT(server->Commands(), ElementsAre(kPurge, kPurge));
    EXPECT_THAT(Paths(file->xrefsBefore), ElementsAre(bed.dir / "proj/dwg/base.dwg"));
    EXPECT_THAT(Paths(file->xrefsAfter), ElementsAre(bed.dir / "old.dwg"));
    EXPECT_TRUE(Block("1A")->isXref);
}

TEST_F(ReferenceBindingTest, BindingDoesNotDependOnTheStoredBindingSwitch) {
    WriteFile(bed.dir / "proj/dwg/base.dwg", "ref");
    project.propertyDoc.autocad.insertXrefs = false;
    Open({{"base", "1A", true, bed.dir / "proj/dwg/base.dwg", true, true}});
    BindReferences(bed.session, *file);
    EXPECT_FALSE(Block("1A")->isXref);
    EXPECT_THAT(Paths(file->xrefsAfter), IsEmpty());
}

TEST_F(ReferenceBindingTest, RecordingSkipsUnknownHandlesAndBlocksThatAreNoReference) {
    WriteFile(bed.dir / "proj/dwg/base.dwg", "ref");
    Open({{"base", "1A", true, "base.dwg", true, true}, {"plain", "2B", false, "", true, true}});
    std::vector<XrefFile> list;
    list.emplace_back(bed.dir / "stale.dwg", &project, file);
    RecordReferences(bed.session, {"FFFF", "2B", "1A"}, list, *file);
    EXPECT_THAT(Paths(list), ElementsAre(bed.dir / "proj/dwg/base.dwg"));
    EXPECT_THAT(server->Trace(), Contains("Document.HandleToObject|FFFF"));
    EXPECT_THAT(server->Trace(), Not(Contains("Block.Path|")));
}

}  // namespace
}  // namespace docvane::test
