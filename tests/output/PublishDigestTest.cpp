#include "output/PublishDigest.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "app/ApplicationSettings.h"
#include "desktop/PropertiesRows.h"
#include "output/DocumentStatus.h"
#include "project/DocvaneDoc.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::SetModificationTime;
using test::WriteFile;

// One published source of each kind, with current results and a reference, whose digests were recorded
// as a publication records them.
struct Published {
    explicit Published(const std::string& folder) : dir(folder) {
        project.propertyDoc.projectDir = dir;
        project.propertyDoc.tempDir = dir + "/tmp";
        SetPath(project.pdfDir, dir + "/PDF");
        SetPath(project.editDir, dir + "/EDIT");
        SetPath(project.pdfFile, dir + "/All.pdf");
        project.AddField("Шифр", "2026-АР");
        project.AddField("Стадия", "П");
        project.propertyDoc.lispScript = "(princ)\r\n";
        project.propertyDoc.vbaScript = "Sub Main()\r\nEnd Sub\r\n";
        for (const char* name : {"Plan.dxf", "Note.docx", "Ready.pdf"}) {
            const std::string stem = std::string(name).substr(0, std::string(name).find('.'));
            const std::string ext = std::string(name).substr(std::string(name).find('.'));
            WriteFile(dir + "/" + name, name, 1000);
            WriteFile(dir + "/PDF/" + stem + ".pdf", "pdf", 1000);
            WriteFile(dir + "/EDIT/" + stem + ext, "copy", 1000);
            project.AppendFile(dir + "/" + name);
        }
        WriteFile(dir + "/refs/Site.dxf", "site", 1000);
        Plan().xrefsBefore.emplace_back(dir + "/refs/Site.dxf", &project, &Plan());
        WriteFile(dir + "/All.pdf", "all", 1000);
        for (auto& file : project.fileDocs) {
            file->publishedFrom = CurrentDigest(*file);
        }
        project.pdfFilePublishedFrom = CurrentCombinedDigest(project);
    }
    FileDoc& Plan() { return project.File(0); }
    FileDoc& Note() { return project.File(1); }
    FileDoc& Ready() { return project.File(2); }

    std::string dir;
    CDocvaneDoc project;
};

class PublishDigestTest : public ::testing::Test {
  protected:
    test::IsolatedSettings settings_;
    test::TempDir dir_;
};

TEST_F(PublishDigestTest, EveryChangedInputMakesTheFilesItShapesNeedPublishingAndNamesTheReason) {
    // A file's status text by its code, followed by the source path.
    const std::map<int, std::string> kFileText = {
        {0, "Файл не нуждается в публикации: "},
        {5, "Настройки публикации изменены, требуется перепубликация: "},
        {6, "Поля проекта изменены, требуется перепубликация: "},
        {7, "Пользовательский скрипт изменен, требуется перепубликация: "},
        {8, "Исходный файл заменен, требуется перепубликация: "},
        {33, "Внешние ссылки изменены, требуется перепубликация: "},
    };
    // The combined PDF's, followed by its path; any other code comes from a file that changed.
    const std::map<int, std::string> kCombinedText = {
        {0, "Файл не нуждается в публикации: "},
        {9, "Настройки общего PDF изменены, требуется перепубликация: "},
        {10, "Состав или порядок файлов изменен, требуется перепубликация: "},
    };
    const struct {
        const char* name;
        std::function<void(Published&)> change;
        int plan, note, ready, combined;
    } kCases[] = {
        {"nothing", [](Published&) {}, 0, 0, 0, 0},
        {"field value", [](Published& p) { p.project.fieldDocs[0].value = "2026-АР.1"; }, 6, 6, 0, 6},
        {"field name", [](Published& p) { p.project.fieldDocs[1].name = "Этап"; }, 6, 6, 0, 6},
        {"fields reordered", [](Published& p) { std::swap(p.project.fieldDocs[0], p.project.fieldDocs[1]); },
         6, 6, 0, 6},
        {"field added", [](Published& p) { p.project.AddField("Лист", ""); }, 6, 6, 0, 6},
        {"drawing script",
         [](Published& p) { p.project.propertyDoc.lispScript = "(setvar \"FILEDIA\" 0)\r\n"; }, 7, 0, 0, 7},
        {"document script",
         [](Published& p) { p.project.propertyDoc.vbaScript = "Sub Main()\r\n  Beep\r\nEnd Sub\r\n"; }, 0, 7,
         0, 7},
        {"script line ends only", [](Published& p) { p.project.propertyDoc.lispScript = "(princ)\n"; }, 0, 0,
         0, 0},
        {"editable version (application)", [](Published&) { AppSettings().autocad.fileFormat = "2018"; }, 5,
         0, 0, 5},
        {"editable version (project)",
         [](Published& p) { p.project.propertyDoc.autocad.fileFormat = "2004"; }, 5, 0, 0, 5},
        {"per-sheet split with every sheet's result present",
         [](Published& p) {
             p.project.propertyDoc.autocad.splitIntoLayouts = true;
             p.Plan().sheetNames = {"Plan"};  // the per-sheet results have the whole file's names
         },
         5, 0, 0, 5},
        {"field refresh of documents", [](Published&) { AppSettings().refreshFields = false; }, 0, 5, 0, 5},
        {"sources swapped for older copies",
         [](Published& p) {
             for (const char* name : {"/Plan.dxf", "/Note.docx", "/Ready.pdf"}) {
                 SetModificationTime(p.dir + name, 900);
             }
         },
         8, 8, 8, 8},
        {"reference swapped for an older copy",
         [](Published& p) { WriteFile(p.dir + "/refs/Site.dxf", "older site", 900); }, 33, 0, 0, 33},
        {"numbering corner", [](Published& p) { p.project.propertyDoc.posX += 5; }, 0, 0, 0, 9},
        {"numbering start", [](Published& p) { p.project.propertyDoc.startPage = 1; }, 0, 0, 0, 9},
        {"comment removal", [](Published& p) { p.project.propertyDoc.autocad.clearComments = false; }, 0, 0,
         0, 9},
        {"list reordered", [](Published& p) { std::swap(p.project.fileDocs[0], p.project.fileDocs[2]); }, 0,
         0, 0, 10},
        {"file added",
         [](Published& p) {
             for (const char* folder : {"/", "/PDF/", "/EDIT/"}) {
                 WriteFile(p.dir + folder + "Extra.pdf", "x", 1000);
             }
             p.project.AppendFile(p.dir + "/Extra.pdf");
         },
         0, 0, 0, 10},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const ApplicationSettings kept = AppSettings();
        const std::string folder = dir_ / c.name;
        Published p(folder);
        c.change(p);
        const int combined = ComputeProjectStatus(p.project);
        const std::pair<FileDoc*, int> files[] = {
            {&p.Plan(), c.plan}, {&p.Note(), c.note}, {&p.Ready(), c.ready}};
        for (const auto& [file, code] : files) {
            SCOPED_TRACE(file->fullPath);
            EXPECT_EQ(file->statusText, kFileText.at(code) + file->fullPath);
            EXPECT_EQ(ComputeStatus(*file), code);
            EXPECT_EQ(file->statusColor, code == 0 ? kColourUpToDate : kColourNeedsPublishing);
        }
        EXPECT_EQ(combined, c.combined);
        EXPECT_EQ(p.project.pdfFile.statusText, kCombinedText.count(c.combined) != 0
                                                    ? kCombinedText.at(c.combined) + (folder + "/All.pdf")
                                                    : "Файлы изменились, требуется перепубликация");
        AppSettings() = kept;
    }
}

TEST_F(PublishDigestTest, NeverPublishedFilesKeepTheStatusOfTheirTimesAndLockedResultsStillBlock) {
    Published p(dir_.Path());
    for (auto& file : p.project.fileDocs) {
        file->publishedFrom.clear();
    }
    p.project.pdfFilePublishedFrom.clear();
    p.project.fieldDocs[0].value = "другое";
    p.project.propertyDoc.posX = 40;
    std::swap(p.project.fileDocs[0], p.project.fileDocs[1]);
    EXPECT_EQ(ComputeProjectStatus(p.project), 0);

    // A result made from other inputs must be replaced: held open elsewhere, publishing is impossible.
    Published q(dir_ / "locked");
    q.project.fieldDocs[0].value = "другое";
    {
        test::FileLock lock(q.dir + "/EDIT/Plan.dxf");
        EXPECT_EQ(ComputeStatus(q.Plan()), kStatusEditableLocked);
        EXPECT_EQ(q.Plan().statusText,
                  "Отсутствует доступ к опубликованному файлу: " + q.dir + "/EDIT/Plan.dxf");
    }
    EXPECT_EQ(ComputeStatus(q.Plan()), kStatusFieldsChanged);

    // The properties pane's message is the status text.
    const auto groups = PropertyGroupsFor(&q.project.pdfFile, &q.Plan());
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.back().rows.at(0).name, "Сообщение");
    EXPECT_EQ(groups.back().rows.at(0).value,
              "Поля проекта изменены, требуется перепубликация: " + q.dir + "/Plan.dxf");
}

TEST_F(PublishDigestTest, DigestsAreStableValuesOfTheirInputsAlone) {
    // SHA-256 of the length-prefixed sequence: fixed for ever, whatever machine computes it.
    DigestBuilder empty;
    EXPECT_EQ(empty.Hex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    DigestBuilder one;
    one.AddText("a", "bc");
    DigestBuilder other;
    other.AddText("ab", "c");  // the same bytes without the lengths
    EXPECT_NE(one.Hex(), other.Hex());
    DigestBuilder flag;
    flag.AddFlag("on", true);
    DigestBuilder text;
    text.AddText("on", "1");
    EXPECT_EQ(flag.Hex(), text.Hex());

    // Moving the project folder as a whole keeps every digest.
    Published here(dir_ / "one");
    Published there(dir_ / "two");
    for (std::size_t i = 0; i < here.project.FileCount(); ++i) {
        EXPECT_EQ(here.project.File(i).publishedFrom, there.project.File(i).publishedFrom);
    }
    EXPECT_EQ(here.project.pdfFilePublishedFrom, there.project.pdfFilePublishedFrom);
    EXPECT_EQ(here.Ready().publishedFrom.count(kDigestFields), 0u);  // a ready PDF has no fields
    EXPECT_EQ(here.Ready().publishedFrom.count(kDigestScript), 0u);
    EXPECT_EQ(here.Plan().publishedFrom.size(), 5u);
}

}  // namespace
}  // namespace docvane
