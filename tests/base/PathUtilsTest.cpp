#include "base/PathUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "project/DocvaneDoc.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(PathUtilsTest, FileNamePartsAndKinds) {
    EXPECT_EQ(FileName("/a/b/Plan.DWG"), "Plan.DWG");
    EXPECT_EQ(FileStem("/a/b/Plan.DWG"), "Plan");
    EXPECT_EQ(LowerExtension("/a/b/Plan.DWG"), ".dwg");
    EXPECT_EQ(LowerExtension("archive.tar.GZ"), ".gz");
    EXPECT_EQ(LowerExtension("/home/u/.profile"), "");
    EXPECT_EQ(FileStem("/home/u/.profile"), ".profile");
    EXPECT_EQ(LowerExtension("/x/.."), "");
    EXPECT_EQ(LowerExtension("/x/noext"), "");
    EXPECT_TRUE(IsDrawingFile("/x/Plan.DWG"));
    EXPECT_TRUE(IsDrawingFile("/x/Plan.dxf"));
    EXPECT_FALSE(IsDrawingFile("/x/Plan.dwg.bak"));
    EXPECT_TRUE(IsWordFile("/x/a.DOCM"));
    EXPECT_TRUE(IsPdfFile("/x/a.Pdf"));
}

TEST(PathUtilsTest, ResolvingRelativeTextWithEitherSeparator) {
    EXPECT_EQ(ResolvePathText("/work/proj", "..\\Out"), "/work/Out");
    EXPECT_EQ(ResolvePathText("/work/proj", "../Out/./x//y.dwg"), "/work/Out/x/y.dwg");
    EXPECT_EQ(ResolvePathText("/work/proj", ".\\Plan.dwg"), "/work/proj/Plan.dwg");
    EXPECT_EQ(ResolvePathText("/work/proj", "/abs/Plan.dwg"), "/abs/Plan.dwg");
    EXPECT_EQ(ResolvePathText("/work/proj", ""), "");
    EXPECT_EQ(JoinPath("/a", "/b"), "/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
}

TEST(PathUtilsTest, RelativeFormsUseBackslashesAndALeadingDot) {
    TempDir dir;
    std::filesystem::create_directories(dir / "proj");
    EXPECT_EQ(RelativePathText(dir / "proj/Plan.dwg", dir / "proj"), ".\\Plan.dwg");
    EXPECT_EQ(RelativePathText(dir / "Other/Plan.dwg", dir / "proj"), "..\\Other\\Plan.dwg");
    EXPECT_EQ(RelativePathText(dir / "proj", dir / "proj"), ".\\.");
    EXPECT_EQ(RelativePathText("", dir / "proj"), "");
    // Sharing nothing but the root is the "other drive" case: the absolute path is kept.
    EXPECT_EQ(RelativePathText("/nonexistent-top/x.dwg", dir / "proj"), "/nonexistent-top/x.dwg");
}

TEST(PathUtilsTest, RelativeFormsResolveLinks) {
    TempDir dir;
    std::filesystem::create_directories(dir / "real/proj");
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    EXPECT_EQ(RelativePathText(dir / "link/proj/a.dwg", dir / "real/proj"), ".\\a.dwg");
}

TEST(PathUtilsTest, SetPathAndRelativePathOfProjectEntries) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = "/work/proj";
    SetPath(project.pdfDir, "..\\Out");
    EXPECT_EQ(project.pdfDir.fullPath, "/work/Out");
    SetPath(project.pdfFile, "");
    EXPECT_EQ(project.pdfFile.fullPath, "");
    EXPECT_EQ(RelativePath(project.pdfFile), "");
}

TEST(PathUtilsTest, NewerComparesModificationTimes) {
    TempDir dir;
    WriteFile(dir / "a", "a", 1000);
    WriteFile(dir / "b", "b", 1000);
    EXPECT_FALSE(IsNewer(dir / "a", dir / "b"));  // equal times are current
    test::SetModificationTime(dir / "a", 1001);
    EXPECT_TRUE(IsNewer(dir / "a", dir / "b"));
    EXPECT_FALSE(IsNewer(dir / "b", dir / "a"));
    EXPECT_TRUE(IsNewer(dir / "a", dir / "missing"));
    EXPECT_TRUE(IsNewer(dir / "missing", dir / "a"));
}

TEST(PathUtilsTest, ExclusiveOpenAndRemovalRespectLocks) {
    TempDir dir;
    WriteFile(dir / "f.pdf", "x");
    EXPECT_EQ(CanOpenExclusively(dir / "f.pdf"), 1);
    EXPECT_EQ(CanOpenExclusively(dir / "missing.pdf"), -1);
    {
        test::FileLock lock(dir / "f.pdf");
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(CanOpenExclusively(dir / "f.pdf"), -1);
        EXPECT_EQ(RemovePath(dir / "f.pdf"), -5);
        EXPECT_TRUE(test::Exists(dir / "f.pdf"));
    }
    EXPECT_EQ(CanOpenExclusively(dir / "f.pdf"), 1);
    EXPECT_EQ(RemovePath(dir / "f.pdf"), 0);
    EXPECT_FALSE(test::Exists(dir / "f.pdf"));
    EXPECT_EQ(RemovePath(dir / "f.pdf"), 0);  // missing is success
    WriteFile(dir / "sub/deep/x.txt", "x");
    EXPECT_EQ(RemovePath(dir / "sub"), 0);
    EXPECT_FALSE(test::Exists(dir / "sub"));
}

TEST(PathUtilsTest, SafeFileNamesNeverLeaveTheirFolder) {
    EXPECT_EQ(SafeFileName("Лист 1"), "Лист 1");
    EXPECT_EQ(SafeFileName("A-1 (план)"), "A-1 (план)");
    EXPECT_EQ(SafeFileName("../x"), ".._x");
    EXPECT_EQ(SafeFileName("a/b\\c"), "a_b_c");
    EXPECT_EQ(SafeFileName("/etc/passwd"), "_etc_passwd");
}

}  // namespace
}  // namespace docvane
