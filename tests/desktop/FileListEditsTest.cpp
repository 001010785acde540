#include "desktop/FileListEdits.h"

#include <gtest/gtest.h>

#include "output/DocumentStatus.h"
#include "output/OutputPaths.h"
#include "output/OutputRecord.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::Exists;
using test::WriteFile;

class FileListEditsTest : public ::testing::Test {
  protected:
    FileListEditsTest() {
        GetPublishState().severity = 0;
        project_.propertyDoc.projectDir = dir_.Path();
        project_.propertyDoc.tempDir = dir_ / "tmp";
        project_.SetPathName(dir_ / "project.dv1");
        SetPath(project_.pdfDir, dir_ / "PDF");
        SetPath(project_.editDir, dir_ / "EDIT");
    }
    // Files named f0.dwg ... f<n-1>.dwg.
    void AddFiles(int count) {
        for (int i = 0; i < count; ++i) {
            project_.AppendFile(dir_ / ("f" + std::to_string(i) + ".dwg"));
        }
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& file : project_.fileDocs) {
            names.push_back(file->fullPath.substr(dir_.Path().size() + 1));
        }
        return names;
    }
    test::IsolatedSettings settings_;
    test::TempDir dir_;
    CDocvaneDoc project_;
};

TEST_F(FileListEditsTest, DropAcceptsSourcesAndProjectsInAnyCase) {
    const auto items = AcceptedDropItems({"/a/Plan.DWG", "/a/notes.txt", "/a/Other.DV1", "/a/Пояснение.Docx",
                                          "/a/x", "/a/t.dxf", "/a/r.docm", "/a/d.doc", "/a/p.pdf", "/a/dwg"});
    std::vector<std::string> paths;
    for (const DropItem& item : items) {
        paths.push_back(item.path);
        EXPECT_EQ(item.kind, item.path == "/a/Other.DV1" ? DropKind::ProjectFile : DropKind::SourceFile);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/a/Plan.DWG", "/a/Other.DV1", "/a/Пояснение.Docx", "/a/t.dxf",
                                               "/a/r.docm", "/a/d.doc", "/a/p.pdf"}));
    EXPECT_TRUE(AcceptedDropItems({"/a/readme.txt", "/a/b.png"}).empty());
}

TEST_F(FileListEditsTest, InsertionMarkAndDropIndex) {
    // Upper half of row 1: before it; lower half: after it; below the rows: after the last.
    EXPECT_EQ(DropIndex(MarkForPointer(5, 1, false, false), 1), 1u);
    EXPECT_EQ(DropIndex(MarkForPointer(5, 1, true, false), 1), 2u);
    EXPECT_EQ(DropIndex(MarkForPointer(5, -1, false, true), -1), 5u);
    EXPECT_EQ(DropIndex(MarkForPointer(5, -1, false, false), -1), 0u);
    EXPECT_EQ(DropIndex(MarkForPointer(0, -1, false, true), -1), 0u);
    // Without a mark the row under the pointer counts, else 0.
    EXPECT_EQ(DropIndex(InsertionMark{}, 3), 3u);
    EXPECT_EQ(DropIndex(InsertionMark{}, -1), 0u);
}

TEST_F(FileListEditsTest, DropAboveSecondRowInsertsInOrderAndOpensProjects) {
    AddFiles(3);
    std::vector<std::string> opened;
    const auto index = DropIndex(MarkForPointer(3, 1, false, false), 1);
    const auto added = InsertDroppedFiles(project_, index,
                                          AcceptedDropItems({dir_ / "a.dwg", dir_ / "other.dv1",
                                                             dir_ / "b.DXF", dir_ / "c.dwg", dir_ / "x.txt"}),
                                          [&](const std::string& path) { opened.push_back(path); });
    EXPECT_EQ(added, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"f0.dwg", "a.dwg", "b.DXF", "c.dwg", "f1.dwg", "f2.dwg"}));
    EXPECT_EQ(opened, (std::vector<std::string>{dir_ / "other.dv1"}));
    EXPECT_TRUE(project_.IsModified());
    EXPECT_EQ(project_.File(1).owner, &project_);

    // A project file alone adds nothing and leaves the project unmodified; the same path may repeat.
    CDocvaneDoc other;
    EXPECT_TRUE(InsertDroppedFiles(other, 0, AcceptedDropItems({"/x/p.dv1"}), nullptr).empty());
    EXPECT_FALSE(other.IsModified());
    InsertDroppedFiles(project_, 99, AcceptedDropItems({dir_ / "a.dwg"}), nullptr);
    EXPECT_EQ(Names().back(), "a.dwg");
}

TEST_F(FileListEditsTest, MovesKeepRelativeOrderAndIdentity) {
    AddFiles(6);
    FileDoc* first = project_.fileDocs[0].get();
    project_.File(2).sheetNames = {"Лист1"};
    // Rows 0 and 2 dragged below row 4.
    EXPECT_EQ(MoveFiles(project_, {2, 0, 2}, DropIndex(MarkForPointer(6, 4, true, false), 4)),
              (std::vector<std::size_t>{3, 4}));
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"f1.dwg", "f3.dwg", "f4.dwg", "f0.dwg", "f2.dwg", "f5.dwg"}));
    EXPECT_EQ(project_.fileDocs[3].get(), first);
    EXPECT_EQ(project_.File(4).sheetNames, std::vector<std::string>{"Лист1"});
    EXPECT_TRUE(project_.IsModified());

    // The third row above the first; a drop inside the selection leaves the order.
    EXPECT_EQ(MoveFiles(project_, {2}, 0), std::vector<std::size_t>{0});
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"f4.dwg", "f1.dwg", "f3.dwg", "f0.dwg", "f2.dwg", "f5.dwg"}));
    MoveFiles(project_, {1, 2}, 2);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"f4.dwg", "f1.dwg", "f3.dwg", "f0.dwg", "f2.dwg", "f5.dwg"}));
    EXPECT_EQ(MoveFiles(project_, {0}, 6), std::vector<std::size_t>{5});
    EXPECT_EQ(Names().back(), "f4.dwg");
    EXPECT_TRUE(MoveFiles(project_, {7}, 0).empty());
}

TEST_F(FileListEditsTest, ExcludeRemovesResultsAndRowsButKeepsSources) {
    AddFiles(4);
    for (const auto& file : project_.fileDocs) {
        WriteFile(file->fullPath, "source", 1000000000);
        WriteFile(PdfOutputPath(*file, -1), "pdf");
        WriteFile(EditableOutputPath(*file, -1), "edit");
        // As a run placed them: only recorded results are ever removed.
        RecordPlacedOutput(project_, PdfOutputPath(*file, -1));
        RecordPlacedOutput(project_, EditableOutputPath(*file, -1));
    }
    const std::string pdf1 = PdfOutputPath(project_.File(1), -1);
    const std::string edit3 = EditableOutputPath(project_.File(3), -1);
    const std::string pdf0 = PdfOutputPath(project_.File(0), -1);

    // Clearing alone deletes results but does not mark the project modified.
    ClearPublishedResults(project_, {0});
    EXPECT_FALSE(Exists(pdf0));
    EXPECT_FALSE(project_.IsModified());
    EXPECT_EQ(project_.File(0).statusColor, kColourNeedsPublishing);
    EXPECT_EQ(project_.File(2).statusColor, kColourUpToDate);

    ExcludeFiles(project_, {3, 1});
    EXPECT_TRUE(project_.IsModified());
    EXPECT_EQ(Names(), (std::vector<std::string>{"f0.dwg", "f2.dwg"}));
    EXPECT_FALSE(Exists(pdf1));
    EXPECT_FALSE(Exists(edit3));
    EXPECT_TRUE(Exists(dir_ / "f1.dwg"));
    EXPECT_TRUE(Exists(dir_ / "f3.dwg"));
    EXPECT_TRUE(Exists(PdfOutputPath(project_.File(1), -1)));

    // Nothing selected still marks the project modified.
    project_.SetModifiedFlag(false);
    ExcludeFiles(project_, {});
    EXPECT_TRUE(project_.IsModified());
    EXPECT_EQ(project_.FileCount(), 2u);
}

}  // namespace
}  // namespace docvane
