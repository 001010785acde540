#include <gtest/gtest.h>

#include "pdf/CombinedPdf.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using test::StageProject;

TEST(CombinedPdfSmoke, MergesThreeFiles) {
    StageProject stage;
    stage.AddPublishedPdf("A.pdf", 2, "alpha ");
    stage.AddPublishedPdf("B.pdf", 3, "beta ");
    stage.AddPublishedPdf("C.pdf", 1, "gamma ");
    const bool ok = BuildCombinedPdf(stage.Project());
    for (const auto& line : stage.Log()) {
        std::printf("%s\n", line.c_str());
    }
    ASSERT_TRUE(ok);
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    EXPECT_EQ(test::QpdfPageCount(stage.CombinedPath()), 6);
    std::system(("cp " + stage.CombinedPath() + " /tmp/smoke.pdf").c_str());
}

}  // namespace
}  // namespace docvane
