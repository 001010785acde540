// Confirming the ribbon's path boxes and the lists they offer.
#include <gtest/gtest.h>

#include "desktop/PathBoxes.h"
#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

CDocvaneDoc& Saved(CDocvaneDoc& project) {
    project.propertyDoc.projectDir = "/work/proj";
    return project;
}

TEST(PathBoxes, TypedCombinedPdfIsResolvedAndGetsItsExtension) {
    CDocvaneDoc project;
    Saved(project);
    TakePathBoxTexts(project, {"report", ".\\PDF", "..\\Edit"});
    EXPECT_EQ(project.pdfFile.fullPath, "/work/proj/report.pdf");
    EXPECT_EQ(project.pdfDir.fullPath, "/work/proj/PDF");
    EXPECT_EQ(project.editDir.fullPath, "/work/Edit");
    EXPECT_FALSE(project.IsModified());

    TakePathBoxTexts(project, {"report.PDF", "", ""});
    EXPECT_EQ(project.pdfFile.fullPath, "/work/proj/report.PDF");
    EXPECT_EQ(project.pdfDir.fullPath, "");

    TakePathBoxTexts(project, {"", "", ""});
    EXPECT_EQ(project.pdfFile.fullPath, "");
}

TEST(PathBoxes, ChooseItemAsksForThePickerOfTheFirstBoxHoldingIt) {
    const std::string choose = kChooseItem;
    EXPECT_EQ(DecidePathBoxAction({choose, choose, choose}), PathBoxAction::PickCombinedPdf);
    EXPECT_EQ(DecidePathBoxAction({"a.pdf", choose, choose}), PathBoxAction::PickPdfDir);
    EXPECT_EQ(DecidePathBoxAction({"a.pdf", "PDF", choose}), PathBoxAction::PickEditDir);
    EXPECT_EQ(DecidePathBoxAction({"a.pdf", "PDF", "EDIT"}), PathBoxAction::TakeTexts);
}

TEST(PathBoxes, CancelledPickerChangesNothingAChoiceMarksModified) {
    CDocvaneDoc project;
    Saved(project);
    EXPECT_FALSE(TakePickedPath(project, PathBox::CombinedPdf, ""));
    EXPECT_FALSE(project.IsModified());
    EXPECT_EQ(project.pdfFile.fullPath, "");

    EXPECT_TRUE(TakePickedPath(project, PathBox::PdfDir, "/out/pdf"));
    EXPECT_TRUE(project.IsModified());
    EXPECT_EQ(project.pdfDir.fullPath, "/out/pdf");
    EXPECT_EQ(PathBoxText(project, PathBox::PdfDir), RelativePath(project.pdfDir));
    EXPECT_TRUE(TakePickedPath(project, PathBox::CombinedPdf, "/work/proj/all.pdf"));
    EXPECT_EQ(PathBoxText(project, PathBox::CombinedPdf), ".\\all.pdf");
}

TEST(PathBoxes, ListsOfferSuggestionsOnlyForASavedProject) {
    CDocvaneDoc unsaved;
    SetPath(unsaved.pdfDir, "/abs/PDF");
    EXPECT_EQ(PathBoxItems(unsaved, PathBox::PdfDir, "PDF", "EDIT"),
              (std::vector<std::string>{"", "/abs/PDF", kChooseItem}));
    EXPECT_EQ(PathBoxItems(unsaved, PathBox::CombinedPdf, "PDF", "EDIT"),
              (std::vector<std::string>{"", kChooseItem}));

    CDocvaneDoc project;
    Saved(project);
    TakePathBoxTexts(project, {"out\\all", "", ".\\E"});
    EXPECT_EQ(PathBoxItems(project, PathBox::CombinedPdf, "PDF", "EDIT"),
              (std::vector<std::string>{"", ".\\out\\all.pdf", ".\\all.pdf", kChooseItem}));
    EXPECT_EQ(PathBoxItems(project, PathBox::PdfDir, "Нередакт", "EDIT"),
              (std::vector<std::string>{"", ".\\Нередакт", kChooseItem}));
    EXPECT_EQ(PathBoxItems(project, PathBox::EditDir, "PDF", "EDIT"),
              (std::vector<std::string>{"", ".\\E", ".\\EDIT", kChooseItem}));
}

}  // namespace
}  // namespace docvane
