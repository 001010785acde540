// The private temporary folders, part files and the places a run refuses, inside a scratch folder
// that stands for the system's temporary folder and for the system folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/TempFolders.h"
#include "output/OutputPaths.h"
#include "output/OutputSafety.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"
#include "support/ScopedEnv.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

namespace fs = std::filesystem;
using test::Exists;
using test::WriteFile;

int Mode(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// TMPDIR points into the scratch folder while it lives.
class ScratchTemp {
  public:
    const test::TempDir& Dir() const { return dir_; }
    std::string Base() const { return dir_ / ("docvane-" + std::to_string(::geteuid())); }

  private:
    test::TempDir dir_;
    test::ScopedEnv tmpdir_{"TMPDIR", dir_.Path()};
};

TEST(RunSafetyTest, TheUsersBaseIsMadePrivateOrAvoided) {
    ScratchTemp temp;
    // Ours but open to others: closed before use.
    fs::create_directories(temp.Base());
    fs::permissions(temp.Base(), fs::perms::all);
    EXPECT_EQ(UserTempBase(), temp.Base());
    EXPECT_EQ(Mode(temp.Base()), 0700);
    {
        ProjectTempFolder folder;
        EXPECT_EQ(folder.Path().rfind(temp.Base() + "/DV-", 0), 0u) << folder.Error();
        EXPECT_EQ(Mode(folder.Path()), 0700);
    }
    // A link at the base's name (someone else's doing): never followed, the folder is made beside it.
    fs::remove_all(temp.Base());
    fs::create_directories(temp.Dir() / "elsewhere");
    fs::create_directory_symlink(temp.Dir() / "elsewhere", temp.Base());
    std::string error;
    EXPECT_EQ(UserTempBase(&error), "");
    EXPECT_FALSE(error.empty());
    ProjectTempFolder fallback;
    const std::string prefix = temp.Dir() / ("docvane-" + std::to_string(::geteuid()) + "-DV-");
    EXPECT_EQ(fallback.Path().rfind(prefix, 0), 0u) << fallback.Path();
    EXPECT_EQ(Mode(fallback.Path()), 0700);
    EXPECT_TRUE(fs::is_empty(temp.Dir() / "elsewhere"));
    // A later start of another program finds it held, so it stays while its project is open.
    EXPECT_EQ(SweepAbandonedTempFolders(temp.Dir().Path()), 0);
    EXPECT_TRUE(Exists(fallback.Path()));
}

TEST(RunSafetyTest, PartFilesFollowTheUmaskAndAreAbandonedOnlyOnceClosed) {
    test::TempDir dir;
    std::string part;
    const int fd = CreatePartFile(dir / "Plan.pdf", part);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(part.rfind(dir / kPartFilePrefix, 0), 0u);
    EXPECT_EQ(Mode(part), static_cast<int>(NewFileMode()));
    EXPECT_FALSE(IsAbandonedPartFile(part));  // being written
    ::close(fd);
    EXPECT_TRUE(IsAbandonedPartFile(part));
    WriteFile(dir / "Plan.pdf", "not a part file");
    EXPECT_FALSE(IsAbandonedPartFile(dir / "Plan.pdf"));
    EXPECT_EQ(NewFileMode() & 0111, 0u);
}

class OutputPlacesTest : public ::testing::Test {
  protected:
    OutputPlacesTest() {
        GetPublishState().severity = 0;
        rules_.trees = {dir_ / "sys/etc", dir_ / "sys/usr"};
        rules_.folders = {dir_ / "sys/home"};
        rules_.homes = {dir_ / "sys/home/user"};
        for (const char* folder : {"sys/etc/app", "sys/usr", "sys/home/user/Documents", "work"}) {
            fs::create_directories(dir_ / folder);
        }
        fs::create_directory_symlink(dir_ / "sys/etc", dir_ / "work/link-to-etc");
        SetSystemFolderRules(&rules_);
        project_.SetPathName(dir_ / "work/p.dv1");
        project_.propertyDoc.projectDir = dir_ / "work";
    }
    ~OutputPlacesTest() override { SetSystemFolderRules(nullptr); }
    test::IsolatedSettings settings_;
    test::TempDir dir_;
    SystemFolderRules rules_;
    CDocvaneDoc project_;
    test::RecordingChannel channel_;
};

TEST_F(OutputPlacesTest, RootSystemFoldersAndTheHomeAreRefusedHowEverSpelt) {
    const struct {
        std::string folder;
        FolderRefusal refusal;
    } cases[] = {
        {"/", FolderRefusal::Root},
        {dir_ / "work/../../../../../../../..", FolderRefusal::Root},
        {dir_ / "sys/etc", FolderRefusal::System},
        {dir_ / "sys/etc/app", FolderRefusal::System},
        {dir_ / "work/../sys/usr/", FolderRefusal::System},
        {dir_ / "work/link-to-etc", FolderRefusal::System},
        {dir_ / "sys/home", FolderRefusal::System},
        {dir_ / "sys/home/user", FolderRefusal::Home},
        {dir_ / "sys/home/user/Documents", FolderRefusal::None},
        {dir_ / "sys/etcetera", FolderRefusal::None},
        {dir_ / "work/out", FolderRefusal::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RefusedOutputFolder(c.folder), c.refusal) << c.folder;
    }
    // The machine's own rules know the usual system folders (only judged, never written to).
    SetSystemFolderRules(nullptr);
    for (const char* folder : {"/etc", "/usr/share", "/bin", "/var/lib/dpkg", "/home", "/tmp"}) {
        EXPECT_EQ(RefusedOutputFolder(folder), FolderRefusal::System) << folder;
    }
}

TEST_F(OutputPlacesTest, TheRunChecksEveryOutputPlaceBeforeAnyWork) {
    SetPath(project_.pdfFile, dir_ / "work/All.pdf");
    SetPath(project_.pdfDir, dir_ / "work/PDF");
    SetPath(project_.editDir, dir_ / "work/EDIT");
    EXPECT_TRUE(CheckOutputPlaces(project_));
    // The combined PDF may sit in the home, the output folders may not.
    SetPath(project_.pdfFile, dir_ / "sys/home/user/All.pdf");
    EXPECT_TRUE(CheckOutputPlaces(project_));
    SetPath(project_.editDir, dir_ / "sys/home/user");
    EXPECT_FALSE(CheckOutputPlaces(project_));
    SetPath(project_.editDir, dir_ / "work/EDIT");
    project_.propertyDoc.autocad.xrefDir = dir_ / "sys/etc";  // references sent into a system folder
    EXPECT_FALSE(CheckOutputPlaces(project_));
    project_.propertyDoc.autocad.xrefDir = "Refs";
    SetPath(project_.pdfFile, dir_ / "sys/usr/All.pdf");
    EXPECT_FALSE(CheckOutputPlaces(project_));
    SetPath(project_.pdfFile, dir_ / "work/p.dv1");  // the project file itself
    WriteFile(dir_ / "work/p.dv1", "<docvane/>");
    EXPECT_FALSE(CheckOutputPlaces(project_));
    EXPECT_EQ(channel_.Texts(),
              (std::vector<std::string>{
                  "[X] Недопустимая папка для публикации (домашняя папка пользователя): " +
                      (dir_ / "sys/home/user"),
                  "[X] Недопустимая папка для публикации (системная папка): " + (dir_ / "sys/etc"),
                  "[X] Недопустимая папка для публикации (системная папка): " + (dir_ / "sys/usr"),
                  "[X] Не могу заменить общий pdf: по этому пути лежит не PDF-файл: " + (dir_ / "work/p.dv1"),
              }));
}

TEST_F(OutputPlacesTest, OnlyAFileThatStartsAsAPdfIsAReplaceableCombinedPdf) {
    const struct {
        std::string content;
        CombinedPdfTarget target;
    } cases[] = {
        {"%PDF-1.7\n", CombinedPdfTarget::Pdf},
        {std::string(1000, '\n') + "%PDF-1.4", CombinedPdfTarget::Pdf},
        {std::string(1020, '\n') + "%PDF-1.4", CombinedPdfTarget::NotAPdf},  // not within 1024 bytes
        {"", CombinedPdfTarget::NotAPdf},
        {"notes about %PDF", CombinedPdfTarget::NotAPdf},
    };
    for (const auto& c : cases) {
        WriteFile(dir_ / "work/x.pdf", c.content);
        EXPECT_EQ(InspectCombinedPdfTarget(dir_ / "work/x.pdf"), c.target) << c.content.size();
    }
    EXPECT_EQ(InspectCombinedPdfTarget(dir_ / "work/none.pdf"), CombinedPdfTarget::Absent);
    EXPECT_EQ(InspectCombinedPdfTarget(dir_ / "work"), CombinedPdfTarget::NotAPdf);
    fs::create_symlink(dir_ / "work/missing.pdf", dir_ / "work/dangling.pdf");
    EXPECT_EQ(InspectCombinedPdfTarget(dir_ / "work/dangling.pdf"), CombinedPdfTarget::Absent);
}

}  // namespace
}  // namespace docvane
