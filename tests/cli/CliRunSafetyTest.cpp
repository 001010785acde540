// Publishing on a real machine, end to end through docvane-cli: runs that share names and machines,
// output folders full of other people's files, full disks and umasks. Everything lives in a scratch
// folder that also serves as the temporary folder (TMPDIR) and the home of the runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <future>

#include "support/CliTest.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

namespace fs = std::filesystem;
using test::Exists;
using test::ReadFile;
using test::WriteFile;

constexpr uid_t kOtherUser = 65534;  // nobody

std::string Uid() {
    return std::to_string(::geteuid());
}

std::string Text(const std::string& pdf) {
    std::string all;
    for (const auto& text : test::PageTexts(pdf)) {
        all += text;
    }
    return all;
}

void FixturePdf(const std::string& path, int pages, const std::string& prefix) {
    fs::create_directories(fs::path(path).parent_path());
    test::WriteFixturePdf(path, pages, prefix);
}

int Mode(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// A placing that failed half-way leaves no part file behind in the folder.
void ExpectNoPartFiles(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".docvane-part-", 0), std::string::npos)
            << entry.path();
    }
}

class CliRunSafetyTest : public test::CliTest {
  protected:
    CliRunSafetyTest() {
        fs::create_directories(Temp());
        fs::create_directories(Home());
        env_ = {{"TMPDIR", Temp()}, {"HOME", Home()}, {"DOCVANE_RUNTIME_DIR", dir_ / "rt"}};
    }
    std::string Temp() const { return dir_ / "tmp"; }
    std::string Home() const { return dir_ / "home"; }
    std::string Base() const { return Temp() + "/docvane-" + Uid(); }  // the user's own temporary folder
    // The project P (its file P/p.dv1) with the files and output folders.
    void Project(const std::vector<std::string>& files, const std::string& pdfDir = ".\\PDF",
                 const std::string& editDir = "", const std::string& combined = ".\\All.pdf") const {
        WriteFile(dir_ / "P/p.dv1", test::ProjectXml(combined, pdfDir, editDir, files));
    }
    void GrowSource(int kilobytes) const {
        WriteFile(dir_ / "P/A.pdf",
                  ReadFile(dir_ / "P/A.pdf") + "%" + std::string(kilobytes * 1024, 'x') + "\n");
    }
    // After a publish whose placing of A's result failed: the reason is told, the old result stays
    // whole, no part file is left, and the status still asks to publish.
    void ExpectOldResultKept(const test::ProgramResult& result, const std::string& pdfDir,
                             const std::string& reason, const std::string& oldResult) const {
        EXPECT_EQ(result.exitCode, 2) << result.out;
        EXPECT_NE(
            result.out.find("[X] Невозможно скопировать временный файл в: " + pdfDir + "/A.pdf (" + reason),
            std::string::npos)
            << result.out;
        EXPECT_EQ(ReadFile(pdfDir + "/A.pdf"), oldResult);
        ExpectNoPartFiles(pdfDir);
        EXPECT_EQ(Cli({"status", dir_ / "P/p.dv1"}).exitCode, 3);
    }
    // A copy of a demo drawing under another name.
    void Drawing(const std::string& path) const {
        fs::create_directories(fs::path(path).parent_path());
        fs::copy_file(std::string(DOCVANE_TEST_DATA) + "/../../examples/demo/06 Узлы.dxf", path,
                      fs::copy_options::overwrite_existing);
    }
    // The project folders the runs left in the temporary folder (none once every run has ended).
    std::vector<std::string> LeftTempFolders() const {
        std::vector<std::string> left;
        for (const auto& base : {Temp(), Base()}) {
            std::error_code ec;
            for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (name.rfind("DV-", 0) == 0 || name.rfind("docvane-" + Uid() + "-DV-", 0) == 0) {
                    left.push_back(it->path().string());
                }
            }
        }
        return left;
    }
};

TEST_F(CliRunSafetyTest, TwoRunsAtOnceWithSameNamedFilesEachCombineOnlyTheirOwn) {
    // Project A has drawings, project B ready PDFs of the very same names: the temporary PDF of A's
    // drawing must never become a part of B's combined PDF, however the two runs interleave.
    std::vector<std::string> filesA;
    std::vector<std::string> filesB;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "Общие данные " + std::to_string(i);
        Drawing(dir_ / ("A/" + name + ".dxf"));
        filesA.push_back(".\\" + name + ".dxf");
        FixturePdf(dir_ / ("B/" + name + ".pdf"), 1, "project B " + std::to_string(i) + " ");
        filesB.push_back(".\\" + name + ".pdf");
    }
    WriteFile(dir_ / "A/p.dv1", test::ProjectXml(".\\All.pdf", ".\\PDF", "", filesA));
    WriteFile(dir_ / "B/p.dv1", test::ProjectXml(".\\All.pdf", ".\\PDF", "", filesB));

    for (int round = 0; round < 2; ++round) {
        auto a = std::async(std::launch::async, [&] { return Cli({"publish", dir_ / "A/p.dv1", "--full"}); });
        auto b = std::async(std::launch::async, [&] { return Cli({"publish", dir_ / "B/p.dv1", "--full"}); });
        const auto ra = a.get();
        const auto rb = b.get();
        ASSERT_EQ(ra.exitCode, 0) << ra.out << ra.err;
        ASSERT_EQ(rb.exitCode, 0) << rb.out << rb.err;
        const std::string textA = Text(dir_ / "A/All.pdf");
        const std::string textB = Text(dir_ / "B/All.pdf");
        EXPECT_EQ(textA.find("project B"), std::string::npos);
        EXPECT_NE(textA.find("Узел 1"), std::string::npos);
        EXPECT_EQ(textB.find("Узел 1"), std::string::npos) << textB;
        for (int i = 0; i < 6; ++i) {
            EXPECT_NE(textB.find("project B " + std::to_string(i)), std::string::npos);
        }
    }
    EXPECT_EQ(LeftTempFolders(), std::vector<std::string>{});  // each run removed its own folder
}

TEST_F(CliRunSafetyTest, OtherUsersFoldersInTheTemporaryFolderNeitherStopNorFeedARun) {
    // The old shared name, pre-created open to everyone with a planted part in it, and (when the test
    // may act as another user) the user's own base name taken by someone else.
    const std::string shared = Temp() + "/DV";
    WriteFile(shared + "/0/Общие данные.pdf", "planted");
    fs::permissions(shared, fs::perms::all);
    const bool asRoot = ::geteuid() == 0;
    const std::string base = Base();
    if (asRoot) {
        fs::create_directories(base);
        ASSERT_EQ(::chown(base.c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(::chown(shared.c_str(), kOtherUser, kOtherUser), 0);
    } else {
        fs::create_directory_symlink(dir_ / "elsewhere", base);  // a link at the base's name
        fs::create_directories(dir_ / "elsewhere");
    }
    Drawing(dir_ / "P/Общие данные.dxf");
    Project({".\\Общие данные.dxf"}, ".\\PDF", ".\\EDIT");

    const auto result = Cli({"publish", dir_ / "P/p.dv1"});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(Text(dir_ / "P/All.pdf").find("Узел 1"), std::string::npos);
    EXPECT_EQ(ReadFile(shared + "/0/Общие данные.pdf"), "planted");
    EXPECT_EQ(fs::directory_iterator(base) == fs::directory_iterator(), true);  // nothing put into theirs
    if (!asRoot) {
        EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
    }
    EXPECT_EQ(LeftTempFolders(), std::vector<std::string>{});
}

TEST_F(CliRunSafetyTest, FoldersOfKilledRunsAreRemovedOnALaterStartOthersNever) {
    const std::string base = Base();
    WriteFile(base + "/DV-killed1/Plan.pdf", "left by a killed run");
    WriteFile(Base() + "-DV-killed2/Plan.pdf", "left by a killed run");
    WriteFile(base + "/DV-alive/Plan.pdf", "a project still open");
    WriteFile(base + "/notours/keep.txt", "keep");
    WriteFile(dir_ / "target/keep.txt", "keep");
    fs::create_directory_symlink(dir_ / "target", base + "/DV-link");
    ASSERT_EQ(::chmod(base.c_str(), 0700), 0);
    // A project that is still open holds its folder locked.
    const int alive = ::open((base + "/DV-alive").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(alive, 0);
    ASSERT_EQ(::flock(alive, LOCK_EX), 0);

    FixturePdf(dir_ / "P/A.pdf", 1, "a");
    Project({".\\A.pdf"});
    const auto result = Cli({"status", dir_ / "P/p.dv1"});  // any start sweeps
    EXPECT_EQ(result.exitCode, 3) << result.out << result.err;
    ::close(alive);

    EXPECT_FALSE(Exists(base + "/DV-killed1"));
    EXPECT_FALSE(Exists(Base() + "-DV-killed2"));
    EXPECT_EQ(ReadFile(base + "/DV-alive/Plan.pdf"), "a project still open");
    EXPECT_EQ(ReadFile(base + "/notours/keep.txt"), "keep");
    EXPECT_EQ(ReadFile(dir_ / "target/keep.txt"), "keep");
    EXPECT_TRUE(fs::is_symlink(base + "/DV-link"));
}

TEST_F(CliRunSafetyTest, CleaningRemovesOnlyOurOwnResultsBesideForeignFilesAndFolders) {
    FixturePdf(dir_ / "P/src/A.pdf", 1, "a");
    FixturePdf(dir_ / "P/src/B.pdf", 1, "b");
    // The output folder is a folder full of someone's documents, reached through "..".
    const std::string victim = dir_ / "victim";
    WriteFile(victim + "/notes.txt", "notes");
    WriteFile(victim + "/old.pdf", "an old PDF of the user's");
    WriteFile(victim + "/Docs/letter.docx", "letter");
    WriteFile(victim + "/Docs/deep/more.txt", "more");
    Project({".\\src\\A.pdf", ".\\src\\B.pdf"}, "..\\victim", "..\\victim");
    auto result = Cli({"publish", dir_ / "P/p.dv1"});
    ASSERT_EQ(result.exitCode, 0) << result.out;
    EXPECT_TRUE(Exists(victim + "/A.pdf"));
    EXPECT_TRUE(Exists(victim + "/B.pdf"));

    // B leaves the project: its result goes, the user's files and folders stay, and so does a file
    // the user put in place of one of our results.
    Project({".\\src\\A.pdf"}, "..\\victim", "..\\victim");
    result = Cli({"publish", dir_ / "P/p.dv1"});
    ASSERT_EQ(result.exitCode, 0) << result.out;
    EXPECT_FALSE(Exists(victim + "/B.pdf"));
    EXPECT_TRUE(Exists(victim + "/A.pdf"));
    EXPECT_EQ(ReadFile(victim + "/notes.txt"), "notes");
    EXPECT_EQ(ReadFile(victim + "/old.pdf"), "an old PDF of the user's");
    EXPECT_EQ(ReadFile(victim + "/Docs/letter.docx"), "letter");
    EXPECT_EQ(ReadFile(victim + "/Docs/deep/more.txt"), "more");
    EXPECT_EQ(test::QpdfPageCount(dir_ / "P/All.pdf"), 1);

    // The user's home itself as an output folder is refused before any work.
    const std::string before = ReadFile(dir_ / "P/p.dv1");
    WriteFile(Home() + "/private.txt", "private");
    Project({".\\src\\A.pdf"}, "..\\home");
    result = Cli({"publish", dir_ / "P/p.dv1"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(
        result.out.substr(0, result.out.find("\n[00:")),
        "[?] Начинаю публикацию...\n[X] Недопустимая папка для публикации (домашняя папка пользователя): " +
            Home() + "\n[X] Публикация окончена.");
    EXPECT_FALSE(Exists(Home() + "/A.pdf"));
    EXPECT_EQ(ReadFile(Home() + "/private.txt"), "private");
}

TEST_F(CliRunSafetyTest, TheCombinedPdfReplacesOnlyAPdf) {
    FixturePdf(dir_ / "P/A.pdf", 1, "a");
    Project({".\\A.pdf"}, ".\\PDF", "", ".\\out\\All.pdf");
    WriteFile(dir_ / "victim/notes.txt",
              "the user's notes");  // where "%PDF-" may be is told in RunSafetyTest
    for (const char* name : {"victim/notes.txt", "victim"}) {
        const std::string path = dir_ / name;
        const std::string content = fs::is_directory(path) ? std::string() : ReadFile(path);
        const auto result = Cli({"publish", dir_ / "P/p.dv1", "--combined-pdf", path, "--no-save"});
        EXPECT_EQ(result.exitCode, 2) << name;
        EXPECT_NE(result.out.find("[X] Не могу заменить общий pdf: по этому пути лежит не PDF-файл: " + path),
                  std::string::npos)
            << result.out;
        EXPECT_EQ(result.out.find("Файл опубликован"), std::string::npos);  // before any work
        EXPECT_FALSE(Exists(dir_ / "P/PDF/A.pdf"));
        if (!content.empty()) {
            EXPECT_EQ(ReadFile(path), content);
        }
    }
    // A PDF is replaced, even one with a little junk before its header.
    WriteFile(dir_ / "victim/old.pdf", "junk\n%PDF-1.4\n%%EOF\n");
    const auto result =
        Cli({"publish", dir_ / "P/p.dv1", "--combined-pdf", dir_ / "victim/old.pdf", "--no-save"});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(test::QpdfPageCount(dir_ / "victim/old.pdf"), 1);
}

TEST_F(CliRunSafetyTest, OutputsFollowTheUmask) {
    Drawing(dir_ / "P/Plan.dxf");
    FixturePdf(dir_ / "P/Ready.pdf", 1, "ready");
    ASSERT_EQ(::chmod((dir_ / "P/Ready.pdf").c_str(), 0600), 0);  // a private source, a shared result
    Project({".\\Plan.dxf", ".\\Ready.pdf"}, ".\\PDF", ".\\EDIT");
    for (const mode_t mask : {022, 027, 077}) {
        fs::remove_all(dir_ / "P/PDF");
        fs::remove_all(dir_ / "P/EDIT");
        const mode_t previous = ::umask(mask);
        const auto result = Cli({"publish", dir_ / "P/p.dv1", "--full"});
        ::umask(previous);
        ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
        const int expected = static_cast<int>(0666 & ~mask);
        for (const char* name : {"All.pdf", "PDF/Plan.pdf", "PDF/Ready.pdf", "EDIT/Ready.pdf",
                                 "EDIT/Plan.dxf", "PDF/.docvane-published"}) {
            EXPECT_EQ(Mode(dir_ / ("P/" + std::string(name))), expected) << name << " umask " << mask;
        }
        EXPECT_EQ(Mode(Base()), 0700);
    }
}

// The same fault on any machine: a file-size limit makes the copy's writes fail half-way.
TEST_F(CliRunSafetyTest, AWriteThatFailsHalfWayLeavesTheOldResultWhole) {
    FixturePdf(dir_ / "P/A.pdf", 1, "first");
    Project({".\\A.pdf"});
    ASSERT_EQ(Cli({"publish", dir_ / "P/p.dv1"}).exitCode, 0);
    const std::string oldResult = ReadFile(dir_ / "P/PDF/A.pdf");
    GrowSource(600);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 256 * 1024;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the program
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto result = Cli({"publish", dir_ / "P/p.dv1"});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    ExpectOldResultKept(result, dir_ / "P/PDF", "", oldResult);
}

// A small file system of its own for the output folders; needs the right to mount.
class FullDisk {
  public:
    FullDisk(const std::string& at, const std::string& size) : at_(at) {
        fs::create_directories(at);
        mounted_ = ::mount("docvane-test", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                           ("size=" + size + ",mode=0755").c_str()) == 0;
    }
    ~FullDisk() {
        if (mounted_) {
            ::umount2(at_.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return mounted_; }

  private:
    std::string at_;
    bool mounted_ = false;
};

TEST_F(CliRunSafetyTest, AFullDiskNeverLeavesABrokenFileThatLooksGood) {
    FullDisk disk(dir_ / "P/disk", "512k");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    FixturePdf(dir_ / "P/A.pdf", 1, "first");
    Project({".\\A.pdf"}, ".\\disk\\PDF", ".\\disk\\EDIT", ".\\disk\\All.pdf");
    ASSERT_EQ(Cli({"publish", dir_ / "P/p.dv1"}).exitCode, 0);
    const std::string oldResult = ReadFile(dir_ / "P/disk/PDF/A.pdf");
    const std::string oldCombined = ReadFile(dir_ / "P/disk/All.pdf");

    // A source too large for what is left: the old combined PDF stays whole too.
    GrowSource(700);
    ExpectOldResultKept(Cli({"publish", dir_ / "P/p.dv1"}), dir_ / "P/disk/PDF", "нет места на диске",
                        oldResult);
    EXPECT_EQ(ReadFile(dir_ / "P/disk/All.pdf"), oldCombined);
    ExpectNoPartFiles(dir_ / "P/disk");
    ExpectNoPartFiles(dir_ / "P/disk/EDIT");

    // Room for the results but not for the combined PDF: the old combined PDF stays.
    FixturePdf(dir_ / "P/A.pdf", 40, "second");
    const auto size = static_cast<off_t>(fs::file_size(dir_ / "P/A.pdf"));
    const auto available = static_cast<off_t>(fs::space(dir_ / "P/disk").available);
    ASSERT_GT(available, 3 * size);
    const int filler = ::open((dir_ / "P/disk/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(filler, 0);
    ASSERT_EQ(::posix_fallocate(filler, 0, available - 2 * size - size / 2), 0);
    ::close(filler);
    const auto result = Cli({"publish", dir_ / "P/p.dv1"});
    EXPECT_EQ(result.exitCode, 2) << result.out;
    EXPECT_NE(result.out.find("[X] Не могу сохранить общий pdf файл"), std::string::npos) << result.out;
    EXPECT_EQ(ReadFile(dir_ / "P/disk/All.pdf"), oldCombined);
    EXPECT_NE(ReadFile(dir_ / "P/disk/PDF/A.pdf"), oldResult);  // the results were placed whole
    EXPECT_EQ(static_cast<off_t>(fs::file_size(dir_ / "P/disk/PDF/A.pdf")), size);
}

}  // namespace
}  // namespace docvane
