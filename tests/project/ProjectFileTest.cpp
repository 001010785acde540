#include <gtest/gtest.h>
#include <tinyxml2.h>

#include "app/ApplicationSettings.h"
#include "project/DocvaneDoc.h"
#include "project/ProjectFile.h"
#include "support/TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace docvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Reads project text as the loader does, into a project whose folder is dir.
void ReadText(CDocvaneDoc& project, const std::string& dir, const std::string& text) {
    project.propertyDoc.projectDir = dir;
    tinyxml2::XMLDocument xml(true, tinyxml2::PRESERVE_WHITESPACE);
    xml.Parse(text.data(), text.size());
    ASSERT_TRUE(ReadProjectXml(project, xml));
}

class ProjectFileTest : public ::testing::Test {
  protected:
    test::IsolatedSettings settings_;
    TempDir dir_;
};

TEST_F(ProjectFileTest, EmptyProjectIsWrittenByteExact) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = dir_.Path();
    const std::string expected =
        "<docvane>\n"
        "    <pdfFile>\n"
        "        <fileRelativePath></fileRelativePath>\n"
        "    </pdfFile>\n"
        "    <editDir>\n"
        "        <dirRelativePath></dirRelativePath>\n"
        "    </editDir>\n"
        "    <pdfDir>\n"
        "        <dirRelativePath></dirRelativePath>\n"
        "    </pdfDir>\n"
        "    <fileDocs/>\n"
        "    <propertyDoc>\n"
        "        <general>\n"
        "            <directories>\n"
        "                <clearExitDir>true</clearExitDir>\n"
        "            </directories>\n"
        "            <combinePdf>\n"
        "                <isCombine>true</isCombine>\n"
        "                <hasMenu>true</hasMenu>\n"
        "            </combinePdf>\n"
        "            <numberingPdf>\n"
        "                <isNumbering>true</isNumbering>\n"
        "                <startPage>2</startPage>\n"
        "                <pageFrom>3</pageFrom>\n"
        "                <posX>10</posX>\n"
        "                <posY>8</posY>\n"
        "                <fontHeight>12</fontHeight>\n"
        "                <fontName>Times New Roman</fontName>\n"
        "            </numberingPdf>\n"
        "        </general>\n"
        "        <autocad>\n"
        "            <path>\n"
        "                <insertXrefs>true</insertXrefs>\n"
        "                <copyXrefs>true</copyXrefs>\n"
        "                <xrefDir>Refs</xrefDir>\n"
        "            </path>\n"
        "            <general>\n"
        "                <fileFormat>2010</fileFormat>\n"
        "                <clearComments>true</clearComments>\n"
        "                <splitIntoLayouts>false</splitIntoLayouts>\n"
        "                <lispScript></lispScript>\n"
        "            </general>\n"
        "        </autocad>\n"
        "        <word>\n"
        "            <general>\n"
        "                <vbaScript></vbaScript>\n"
        "            </general>\n"
        "        </word>\n"
        "    </propertyDoc>\n"
        "</docvane>\n";
    EXPECT_EQ(WriteProjectXml(project), expected + std::string(1, '\0'));
}

TEST_F(ProjectFileTest, FilesReferencesSheetsLinksAndFieldsAreWrittenInOrder) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = dir_.Path();
    FileDoc& plan = project.AppendFile(dir_ / "Plan.dwg");
    plan.xrefsBefore.emplace_back(dir_ / "refs/Base.dwg", &project, &plan);
    plan.xrefsAfter.emplace_back(dir_ / "refs/Base.dwg", &project, &plan);
    plan.sheetNames = {"A-1", ""};
    WordRef ref;
    ref.point1X = 12.75f;
    ref.point1Y = 250;
    ref.point2X = 180.5f;
    ref.point2Y = 8;
    ref.pageFrom = 1;
    ref.pageTo = 5;
    plan.wordRefs.push_back(ref);
    project.AddField("Шифр", "A<&>B");
    const std::string xml = WriteProjectXml(project);
    const std::string expectedFile =
        "    <fileDocs>\n"
        "        <fileDoc>\n"
        "            <fileRelativePath>.\\Plan.dwg</fileRelativePath>\n"
        "            <xrefsBefore>\n"
        "                <xrefBefore>\n"
        "                    <fileRelativePath>.\\refs\\Base.dwg</fileRelativePath>\n"
        "                </xrefBefore>\n"
        "            </xrefsBefore>\n"
        "            <xrefsAfter>\n"
        "                <xrefAfter>\n"
        "                    <fileRelativePath>.\\refs\\Base.dwg</fileRelativePath>\n"
        "                </xrefAfter>\n"
        "            </xrefsAfter>\n"
        "            <sheetNames>\n"
        "                <sheetName>A-1</sheetName>\n"
        "                <sheetName></sheetName>\n"
        "            </sheetNames>\n"
        "            <wordRefs>\n"
        "                <wordRef>\n"
        "                    <pageFrom>1</pageFrom>\n"
        "                    <pageTo>5</pageTo>\n"
        "                    <point1X>12.75</point1X>\n"
        "                    <point2X>180.5</point2X>\n"
        "                    <point1Y>250</point1Y>\n"
        "                    <point2Y>8</point2Y>\n"
        "                </wordRef>\n"
        "            </wordRefs>\n"
        "        </fileDoc>\n"
        "    </fileDocs>\n"
        "    <fieldDocs>\n"
        "        <fieldDoc>\n"
        "            <name>Шифр</name>\n"
        "            <value>A&lt;&amp;&gt;B</value>\n"
        "        </fieldDoc>\n"
        "    </fieldDocs>\n"
        "    <propertyDoc>\n";
    EXPECT_NE(xml.find(expectedFile), std::string::npos) << xml;
}

TEST_F(ProjectFileTest, RoundTripKeepsEveryPersistedMember) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = dir_.Path();
    SetPath(project.pdfFile, dir_ / "out/All.pdf");
    SetPath(project.pdfDir, dir_ / "PDF");
    const std::string elsewhere =
        std::filesystem::path(dir_.Path()).parent_path().string() + "/Elsewhere/EDIT";
    SetPath(project.editDir, elsewhere);
    FileDoc& plan = project.AppendFile(dir_ / "Plan.DWG");
    plan.xrefsBefore.emplace_back(dir_ / "x/R1.dwg", &project, &plan);
    plan.xrefsAfter.emplace_back(dir_ / "x/R2.dwg", &project, &plan);
    plan.sheetNames = {"Лист 1", "Лист 2"};
    FileDoc& doc = project.AppendFile(dir_ / "Text.docx");
    WordRef valid{12.75f, 250.25f, 180.125f, 8.5f, 2, 14};
    WordRef invalid;  // never measured: written, not read back
    doc.wordRefs = {valid, invalid};
    project.AddField("Name", "line1\nline2");
    PropertyDoc& p = project.propertyDoc;
    p.clearExitDir = false;
    p.isCombine = false;
    p.hasMenu = false;
    p.isNumbering = false;
    p.startPage = 7;
    p.pageFrom = -4;
    p.posX = 20;
    p.posY = 30;
    p.fontHeight = 9;
    p.fontName = "Arial";
    p.autocad = {false, false, "X refs", "2018", false, true};
    p.lispScript = "(princ)\r\n(princ 1)";
    p.vbaScript = "Sub A()\r\nEnd Sub";

    WriteFile(dir_ / "p.dv1", "");
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "p.dv1"));
    CDocvaneDoc loaded;
    ASSERT_TRUE(LoadProjectFile(loaded, dir_ / "p.dv1"));

    EXPECT_EQ(loaded.pdfFile.fullPath, dir_ / "out/All.pdf");
    EXPECT_EQ(loaded.pdfDir.fullPath, dir_ / "PDF");
    EXPECT_EQ(loaded.editDir.fullPath, elsewhere);
    ASSERT_EQ(loaded.FileCount(), 2u);
    const FileDoc& lplan = loaded.File(0);
    EXPECT_EQ(lplan.fullPath, dir_ / "Plan.DWG");
    ASSERT_EQ(lplan.xrefsBefore.size(), 1u);
    EXPECT_EQ(lplan.xrefsBefore[0].fullPath, dir_ / "x/R1.dwg");
    EXPECT_EQ(lplan.xrefsBefore[0].ownerFile, &lplan);
    EXPECT_EQ(lplan.xrefsAfter[0].fullPath, dir_ / "x/R2.dwg");
    EXPECT_EQ(lplan.sheetNames, plan.sheetNames);
    ASSERT_EQ(loaded.File(1).wordRefs.size(), 1u);
    const WordRef& r = loaded.File(1).wordRefs[0];
    EXPECT_EQ(r.point1X, 12.75f);
    EXPECT_EQ(r.point1Y, 250.25f);
    EXPECT_EQ(r.point2X, 180.125f);
    EXPECT_EQ(r.point2Y, 8.5f);
    EXPECT_EQ(r.pageFrom, 2);
    EXPECT_EQ(r.pageTo, 14);
    ASSERT_EQ(loaded.fieldDocs.size(), 1u);
    EXPECT_EQ(loaded.fieldDocs[0].value, "line1\r\nline2");
    const PropertyDoc& q = loaded.propertyDoc;
    EXPECT_FALSE(q.clearExitDir);
    EXPECT_FALSE(q.isCombine);
    EXPECT_FALSE(q.hasMenu);
    EXPECT_FALSE(q.isNumbering);
    EXPECT_EQ(q.startPage, 7);
    EXPECT_EQ(q.pageFrom, -4);
    EXPECT_EQ(q.posX, 20);
    EXPECT_EQ(q.posY, 30);
    EXPECT_EQ(q.fontHeight, 9);
    EXPECT_EQ(q.fontName, "Arial");
    EXPECT_FALSE(q.autocad.insertXrefs);
    EXPECT_FALSE(q.autocad.copyXrefs);
    EXPECT_EQ(q.autocad.xrefDir, "X refs");
    EXPECT_EQ(q.autocad.fileFormat, "2018");
    EXPECT_FALSE(q.autocad.clearComments);
    EXPECT_TRUE(q.autocad.splitIntoLayouts);
    EXPECT_EQ(q.lispScript, "(princ)\r\n(princ 1)");
    EXPECT_EQ(q.vbaScript, "Sub A()\r\nEnd Sub");
    EXPECT_FALSE(loaded.IsModified());
}

TEST_F(ProjectFileTest, SavingUnderANewNameRewritesRelativePathsOnly) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = dir_ / "a";
    project.AppendFile(dir_ / "a/Plan.dwg");
    std::filesystem::create_directories(dir_ / "a");
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "a/p.dv1"));
    EXPECT_NE(ReadFile(dir_ / "a/p.dv1").find("<fileRelativePath>.\\Plan.dwg</fileRelativePath>"),
              std::string::npos);
    std::filesystem::create_directories(dir_ / "b/c");
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "b/c/p.dv1"));
    EXPECT_NE(ReadFile(dir_ / "b/c/p.dv1").find("<fileRelativePath>..\\..\\a\\Plan.dwg</fileRelativePath>"),
              std::string::npos);
    EXPECT_EQ(project.File(0).fullPath, dir_ / "a/Plan.dwg");
    EXPECT_EQ(project.PathName(), dir_ / "b/c/p.dv1");
}

TEST_F(ProjectFileTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    CDocvaneDoc project;
    project.AppendFile(dir_ / "Plan.dwg");
    project.SetModifiedFlag(true);
    std::string error;
    EXPECT_FALSE(SaveProjectFile(project, dir_ / "missing-folder/p.dv1", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(project.IsModified());

    WriteFile(dir_ / "p.dv1", "old content");
    ::chmod(dir_.Path().c_str(), 0555);  // the folder refuses the temporary file
    const bool saved = SaveProjectFile(project, dir_ / "p.dv1");
    ::chmod(dir_.Path().c_str(), 0755);
    if (::geteuid() != 0) {  // root ignores folder permissions
        EXPECT_FALSE(saved);
        EXPECT_EQ(ReadFile(dir_ / "p.dv1"), "old content");
        EXPECT_TRUE(project.IsModified());
    }
    // No temporary file is left behind either way.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ProjectFileTest, SavingThroughALinkReplacesTheLinkedFileAndKeepsTheLink) {
    std::filesystem::create_directories(dir_ / "real");
    WriteFile(dir_ / "real/p.dv1", "old content");
    std::filesystem::create_symlink("real/p.dv1", dir_ / "hop.dv1");
    std::filesystem::create_symlink(dir_ / "hop.dv1", dir_ / "link.dv1");  // a chain of two links
    CDocvaneDoc project;
    project.AppendFile(dir_ / "Plan.dwg");
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "link.dv1"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.dv1"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "hop.dv1"));
    EXPECT_NE(ReadFile(dir_ / "real/p.dv1").find("Plan.dwg"), std::string::npos);
    EXPECT_EQ(project.PathName(), dir_ / "link.dv1");
    // The temporary file was made beside the real file, and none is left anywhere.
    for (const auto& folder : {dir_.Path(), dir_ / "real"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
        }
    }
    // A dangling link gets its file created where it points.
    std::filesystem::create_symlink("real/new.dv1", dir_ / "dangling.dv1");
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "dangling.dv1"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "dangling.dv1"));
    EXPECT_NE(ReadFile(dir_ / "real/new.dv1").find("Plan.dwg"), std::string::npos);
}

TEST_F(ProjectFileTest, NonFiniteCoordinatesAreUnreadableNumbers) {
    for (const char* number : {"inf", "-inf", "INF", "+infinity", "nan", "1e39", "-1e39"}) {
        CDocvaneDoc project;
        ReadText(
            project, dir_.Path(),
            std::string("<docvane><fileDocs><fileDoc><fileRelativePath>.\\A.docx</fileRelativePath>"
                        "<wordRefs><wordRef><pageFrom>1</pageFrom><pageTo>1</pageTo><point1X>") +
                number +
                "</point1X><point2X>1</point2X><point1Y>1</point1Y><point2Y>1</point2Y></wordRef>"
                "<wordRef><pageFrom>1</pageFrom><pageTo>1</pageTo><point1X>5</point1X><point2X>2</point2X>"
                "<point1Y>3</point1Y><point2Y>" +
                number + "</point2Y></wordRef></wordRefs></fileDoc></fileDocs></docvane>");
        ASSERT_EQ(project.FileCount(), 1u) << number;
        EXPECT_TRUE(project.File(0).wordRefs.empty()) << number;
    }
}

TEST_F(ProjectFileTest, ReaderToleratesMissingRepeatedForeignAndMalformedContent) {
    AppSettings().posY = 44;  // the reader falls back to the application default, not the project's
    AppSettings().clearExitDir = true;
    CDocvaneDoc project;
    project.propertyDoc.posY = 1;
    project.propertyDoc.clearExitDir = false;
    project.propertyDoc.startPage = 1;
    ReadText(
        project, dir_.Path(),
        "<docvane>"
        "<foreign><fileDocs/></foreign>"
        "<fileDocs>"
        "  <fileDoc><sheetNames><sheetName>lost</sheetName></sheetNames></fileDoc>"
        "  <fileDoc><fileRelativePath>..\\Other/Plan.dwg</fileRelativePath>"
        "    <fileRelativePath>.\\Second.dwg</fileRelativePath>"
        "    <xrefsBefore><xrefBefore/><xrefBefore><fileRelativePath>.\\r.dwg</fileRelativePath></xrefBefore>"
        "    </xrefsBefore>"
        "    "
        "<xrefsBefore><xrefBefore><fileRelativePath>.\\ignored.dwg</fileRelativePath></xrefBefore></"
        "xrefsBefore>"
        "    <wordRefs><wordRef><pageFrom>1</pageFrom><pageTo>2</pageTo><point1X>x</point1X>"
        "      <point2X>1</point2X><point1Y>1</point1Y><point2Y>1</point2Y></wordRef>"
        "      <wordRef><pageFrom>3abc</pageFrom><pageTo>4</pageTo><point1X>1.5e1</point1X>"
        "      <point2X>1</point2X><point1Y>1</point1Y><point2Y>1</point2Y></wordRef></wordRefs>"
        "  </fileDoc>"
        "</fileDocs>"
        "<fieldDocs><fieldDoc><name>a/b:c</name><value>v</value></fieldDoc><fieldDoc><name>only</name></"
        "fieldDoc>"
        "</fieldDocs>"
        "<propertyDoc><general><directories><clearExitDir>maybe</clearExitDir></directories>"
        "<numberingPdf><posY>abc</posY><startPage><!-- c -->0x10</startPage><PosX>99</PosX></numberingPdf>"
        "</general></propertyDoc>"
        "</docvane>");
    ASSERT_EQ(project.FileCount(), 1u);
    const FileDoc& file = project.File(0);
    EXPECT_EQ(file.fullPath, std::filesystem::path(dir_.Path()).parent_path().string() + "/Other/Plan.dwg");
    ASSERT_EQ(file.xrefsBefore.size(), 1u);
    EXPECT_EQ(file.xrefsBefore[0].fullPath, dir_ / "r.dwg");
    ASSERT_EQ(file.wordRefs.size(), 1u);  // a coordinate without a number reads as 0: not valid
    EXPECT_EQ(file.wordRefs[0].pageFrom, 3);
    EXPECT_EQ(file.wordRefs[0].point1X, 15.0f);
    ASSERT_EQ(project.fieldDocs.size(), 1u);
    EXPECT_EQ(project.fieldDocs[0].name, "abc");
    EXPECT_TRUE(project.propertyDoc.clearExitDir);
    EXPECT_EQ(project.propertyDoc.posY, 44);
    EXPECT_EQ(project.propertyDoc.startPage, 16);
    EXPECT_EQ(project.propertyDoc.posX, 10);  // element names are case-sensitive
}

TEST_F(ProjectFileTest, ScriptsComeBackWithCrLfAndMissingContainersKeepValues) {
    CDocvaneDoc project;
    project.propertyDoc.autocad.fileFormat = "2004";
    ReadText(
        project, dir_.Path(),
        "<docvane><propertyDoc><autocad><general><lispScript>a\r\nb\rc\nd</lispScript></general></autocad>"
        "<word><vbaScript>top-level: ignored</vbaScript></word></propertyDoc></docvane>");
    EXPECT_EQ(project.propertyDoc.lispScript, "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(project.propertyDoc.autocad.fileFormat, "2004");
    EXPECT_EQ(project.propertyDoc.vbaScript, "");
}

TEST_F(ProjectFileTest, LoadingAcceptsBomAndTrailingNulAndRefusesWhatIsNoProjectWithTheReason) {
    WriteFile(
        dir_ / "bom.dv1",
        "\xEF\xBB\xBF<docvane><fileDocs><fileDoc><fileRelativePath>.\\a.pdf</fileRelativePath></fileDoc>"
        "</fileDocs></docvane>\n" +
            std::string(1, '\0'));
    CDocvaneDoc bom;
    ASSERT_TRUE(LoadProjectFile(bom, dir_ / "bom.dv1"));
    ASSERT_EQ(bom.FileCount(), 1u);
    EXPECT_EQ(bom.File(0).fullPath, dir_ / "a.pdf");

    // Opening any of these as an empty project would let the next save replace the file.
    const std::string nested = [] {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            text += "<a>";
        }
        return "<docvane>\n" + text;
    }();
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
    } kUnreadable[] = {
        {"empty", "", "файл пуст"},
        {"blank", " \n\t\n", "ошибка XML: в файле нет ни одного элемента"},
        {"utf16", std::string("\xFF\xFE<\0d\0o\0", 8),
         "файл записан в кодировке UTF-16, а файл проекта должен быть в UTF-8"},
        {"utf16-no-mark", std::string("<\0d\0", 4),
         "файл записан в кодировке UTF-16, а файл проекта должен быть в UTF-8"},
        {"nul", "<docvane>\n<fileDocs>\n" + std::string(1, '\0') + "<fileDoc/></fileDocs></docvane>",
         "нулевой байт в строке 3: это не текстовый файл проекта"},
        {"binary",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0\x03\0>\0",
                     14),
         "нулевой байт в строке 1: это не текстовый файл проекта"},
        {"text", "this is not xml <<<", "ошибка XML в строке 1: нарушена разметка"},
        {"mismatched", "<docvane>\n<pdfFile>\n</pdfFil>\n</docvane>",
         "ошибка XML в строке 2: закрывающий тег не соответствует открытому элементу"},
        {"nested", nested, "ошибка XML в строке 2: элементы вложены глубже 100 уровней"},
        {"comment", "<!-- only a comment -->", "в файле нет корневого элемента"},
        {"other-root", "<root><fileDocs/></root>",
         "корневой элемент <root> не является элементом проекта <docvane>"},
    };
    for (const auto& c : kUnreadable) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_ / (std::string(c.name) + ".dv1");
        WriteFile(path, c.bytes);
        CDocvaneDoc project;
        std::string error;
        EXPECT_FALSE(LoadProjectFile(project, path, &error));
        EXPECT_EQ(error, c.reason);
        EXPECT_EQ(ReadFile(path), c.bytes);
    }

    CDocvaneDoc missing;
    std::string error;
    EXPECT_FALSE(LoadProjectFile(missing, dir_ / "none.dv1", &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(ProjectFileTest, PublishedDigestsAreKeptWithTheirFilesAndWrittenOnlyWhenRecorded) {
    // A project never published is saved as before: no digest element anywhere.
    CDocvaneDoc project;
    project.propertyDoc.projectDir = dir_.Path();
    project.AppendFile(dir_ / "A.pdf");
    project.AppendFile(dir_ / "B.dxf");
    const std::string plain = WriteProjectXml(project);
    EXPECT_EQ(plain.find("publishedFrom"), std::string::npos);

    project.File(1).publishedFrom = {{"fields", "f1"}, {"script", "s1"}, {"futurePart", "x"}};
    project.pdfFilePublishedFrom = {{"files", "l1"}};
    const std::string xml = WriteProjectXml(project);
    EXPECT_NE(xml.find("    <pdfFile>\n"
                       "        <fileRelativePath></fileRelativePath>\n"
                       "        <publishedFrom>\n"
                       "            <files>l1</files>\n"
                       "        </publishedFrom>\n"
                       "    </pdfFile>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("            <wordRefs/>\n"
                       "            <publishedFrom>\n"
                       "                <fields>f1</fields>\n"
                       "                <futurePart>x</futurePart>\n"
                       "                <script>s1</script>\n"
                       "            </publishedFrom>\n"
                       "        </fileDoc>\n"
                       "    </fileDocs>"),
              std::string::npos)
        << xml;

    CDocvaneDoc loaded;
    ReadText(loaded, dir_.Path(), xml.substr(0, xml.size() - 1));
    ASSERT_EQ(loaded.FileCount(), 2u);
    EXPECT_TRUE(loaded.File(0).publishedFrom.empty());
    EXPECT_EQ(loaded.File(1).publishedFrom, project.File(1).publishedFrom);  // unknown parts kept
    EXPECT_EQ(loaded.pdfFilePublishedFrom, project.pdfFilePublishedFrom);
    EXPECT_EQ(WriteProjectXml(loaded), xml);

    // An empty part is no record.
    CDocvaneDoc empty;
    ReadText(empty, dir_.Path(),
             "<docvane><fileDocs><fileDoc><fileRelativePath>.\\A.pdf</fileRelativePath>"
             "<publishedFrom><fields></fields><script>s</script></publishedFrom></fileDoc></fileDocs>"
             "</docvane>");
    EXPECT_EQ(empty.File(0).publishedFrom, (PublishedDigest{{"script", "s"}}));
}

TEST_F(ProjectFileTest, ProjectFilesOfEarlierVersionsAreSavedByteForByteWhenNothingWasPublished) {
    for (const char* name : {"demo.dv1", "demo-drawings.dv1", "demo-sheets.dv1"}) {
        SCOPED_TRACE(name);
        const std::string original = std::string(DOCVANE_TEST_DATA) + "/../../examples/demo/" + name;
        WriteFile(dir_ / name, ReadFile(original));
        CDocvaneDoc project;
        ASSERT_TRUE(LoadProjectFile(project, dir_ / name));
        ASSERT_TRUE(SaveProjectFile(project, dir_ / name));
        EXPECT_EQ(ReadFile(dir_ / name), ReadFile(original));
    }
}

TEST_F(ProjectFileTest, AbsolutePathsOutsideTheProjectTreeStayAbsolute) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = dir_.Path();
    project.AppendFile("/nonexistent-root-folder/Plan.dwg");
    const std::string xml = WriteProjectXml(project);
    EXPECT_NE(xml.find("<fileRelativePath>/nonexistent-root-folder/Plan.dwg</fileRelativePath>"),
              std::string::npos);
    CDocvaneDoc loaded;
    ReadText(loaded, dir_.Path(), xml.substr(0, xml.size() - 1));
    EXPECT_EQ(loaded.File(0).fullPath, "/nonexistent-root-folder/Plan.dwg");
}

}  // namespace
}  // namespace docvane

namespace docvane {
namespace {

// Every publishing option of a project against the application setting it comes from, named one by
// one so that a field the shared description forgets or mismatches shows up here.
void ExpectTakenFrom(const PropertyDoc& p, const ApplicationSettings& s) {
    EXPECT_EQ(p.clearExitDir, s.clearExitDir);
    EXPECT_EQ(p.isCombine, s.isCombine);
    EXPECT_EQ(p.hasMenu, s.hasMenu);
    EXPECT_EQ(p.isNumbering, s.isNumbering);
    EXPECT_EQ(p.startPage, s.startPage);
    EXPECT_EQ(p.pageFrom, s.pageFrom);
    EXPECT_EQ(p.posX, s.posX);
    EXPECT_EQ(p.posY, s.posY);
    EXPECT_EQ(p.fontHeight, s.fontHeight);
    EXPECT_EQ(p.fontName, s.fontName);
    EXPECT_EQ(p.autocad.insertXrefs, s.autocad.insertXrefs);
    EXPECT_EQ(p.autocad.copyXrefs, s.autocad.copyXrefs);
    EXPECT_EQ(p.autocad.xrefDir, s.autocad.xrefDir);
    EXPECT_EQ(p.autocad.fileFormat, s.autocad.fileFormat);
    EXPECT_EQ(p.autocad.clearComments, s.autocad.clearComments);
    EXPECT_EQ(p.autocad.splitIntoLayouts, s.autocad.splitIntoLayouts);
}

ApplicationSettings EveryValueChanged() {
    ApplicationSettings s;
    s.clearExitDir = !s.clearExitDir;
    s.isCombine = !s.isCombine;
    s.hasMenu = !s.hasMenu;
    s.isNumbering = !s.isNumbering;
    s.startPage += 10;
    s.pageFrom += 20;
    s.posX += 30;
    s.posY += 40;
    s.fontHeight += 50;
    s.fontName += " Cyr";
    s.autocad.insertXrefs = !s.autocad.insertXrefs;
    s.autocad.copyXrefs = !s.autocad.copyXrefs;
    s.autocad.xrefDir += "2";
    s.autocad.fileFormat = "2018";
    s.autocad.clearComments = !s.autocad.clearComments;
    s.autocad.splitIntoLayouts = !s.autocad.splitIntoLayouts;
    return s;
}

TEST(ProjectSettingsDefaultsTest, NewProjectsStartFromTheSettingsAndUnreadableFlagsAndNumbersFallBackToThem) {
    // One set of built-in defaults for both.
    ExpectTakenFrom(PropertyDoc{}, ApplicationSettings{});

    const ApplicationSettings changed = EveryValueChanged();
    {
        SCOPED_TRACE("a new project");
        ExpectTakenFrom(CDocvaneDoc(changed).propertyDoc, changed);
    }
    {
        SCOPED_TRACE("written and read back under other settings");
        CDocvaneDoc written(changed);
        const std::string xml = WriteProjectXml(written);
        CDocvaneDoc read{ApplicationSettings{}};
        ReadText(read, "/p", xml.c_str());
        ExpectTakenFrom(read.propertyDoc, changed);
    }
    {
        SCOPED_TRACE("every flag and number unreadable");
        AppSettings() = changed;
        CDocvaneDoc read{ApplicationSettings{}};
        ReadText(read, "/p",
                 "<docvane><propertyDoc><general><directories><clearExitDir>?</clearExitDir></directories>"
                 "<combinePdf><isCombine>?</isCombine><hasMenu>?</hasMenu></combinePdf><numberingPdf>"
                 "<isNumbering>?</isNumbering><startPage>?</startPage><pageFrom>?</pageFrom><posX>?</posX>"
                 "<posY>?</posY><fontHeight>?</fontHeight></numberingPdf></general><autocad><path>"
                 "<insertXrefs>?</insertXrefs><copyXrefs>?</copyXrefs></path><general><clearComments>?"
                 "</clearComments><splitIntoLayouts>?</splitIntoLayouts></general></autocad></propertyDoc>"
                 "</docvane>");
        AppSettings() = ApplicationSettings{};
        PropertyDoc expected = read.propertyDoc;  // the texts are not part of this case
        expected.fontName = changed.fontName;
        expected.autocad.xrefDir = changed.autocad.xrefDir;
        expected.autocad.fileFormat = changed.autocad.fileFormat;
        ExpectTakenFrom(expected, changed);
        EXPECT_EQ(read.propertyDoc.fontName, ApplicationSettings{}.fontName);
    }
}

}  // namespace
TEST(ProjectSettingsDefaultsTest, PdfAIsWrittenOnlyWhenOnAndNewProjectsTakeTheApplicationDefault) {
    CDocvaneDoc plain{ApplicationSettings{}};
    plain.propertyDoc.projectDir = "/p";
    const std::string without = WriteProjectXml(plain);
    EXPECT_EQ(without.find("pdfA"), std::string::npos);  // files of projects without it stay as they were

    ApplicationSettings settings;
    settings.pdfA = true;
    CDocvaneDoc archived(settings);
    archived.propertyDoc.projectDir = "/p";
    EXPECT_TRUE(archived.propertyDoc.pdfA);
    const std::string with = WriteProjectXml(archived);
    EXPECT_NE(with.find("            <combinePdf>\n                <isCombine>true</isCombine>\n"
                        "                <hasMenu>true</hasMenu>\n                <pdfA>true</pdfA>\n"),
              std::string::npos)
        << with;
    CDocvaneDoc read{ApplicationSettings{}};
    ReadText(read, "/p", with.c_str());
    EXPECT_TRUE(read.propertyDoc.pdfA);
    // Switched off again, the element goes and the file is the one it was before.
    archived.propertyDoc.pdfA = false;
    EXPECT_EQ(WriteProjectXml(archived), without);
}

}  // namespace docvane
