#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ApplicationSettings.h"
#include "automation/word/WordSession.h"
#include "automation/word/WordTestFixture.h"
#include "output/OutputPaths.h"

namespace docvane {
namespace {

using test::Describe;
using test::Exists;
using test::FakeWordServer;
using test::ScopedWordServer;

using Strings = std::vector<std::string>;

std::vector<std::string> Omitted(int count) {
    return Strings(static_cast<std::size_t>(count), "O");
}

Strings Concat(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class WordSessionTest : public test::WordTestFixture {};

TEST_F(WordSessionTest, StartPutsApplicationAndPromptOptionsInOrderAsIntegers) {
    session_.StartWord();

    ASSERT_TRUE(session_.IsAttached());
    EXPECT_EQ(
        server_.Sequence(),
        (Strings{"Application.Visible", "Application.DisplayAlerts",
                 "Application.DisplayDocumentInformationPanel", "Application.WindowState",
                 "Application.Options", "Options.WarnBeforeSavingPrintingSendingMarkup",
                 "Options.SavePropertiesPrompt", "Options.DoNotPromptForConvert", "Options.PromptUpdateStyle",
                 "Options.ConfirmConversions", "Options.AllowReadingMode"}));
    Strings values;
    for (const auto& call : *server_.log) {
        if (call.kind == InvokeKind::PropertyPut) {
            EXPECT_EQ(call.namedArgs, std::vector<std::int32_t>{kDispidPropertyPut});
            values.push_back(Describe(call.args.at(0)));
        }
    }
    EXPECT_EQ(values, (Strings{"I:0", "I:0", "I:0", "I:2", "I:0", "I:0", "I:-1", "I:0", "I:0", "I:-1"}));
    EXPECT_TRUE(channel_.Texts().empty());
}

TEST_F(WordSessionTest, UnregisteredWordLogsItsErrorAndCancelsTheRun) {
    ScopedWordServer nothing(nullptr);
    session_.StartWord();

    EXPECT_FALSE(session_.IsAttached());
    EXPECT_EQ(channel_.Texts(),
              (Strings{"[X] Не могу запустить Word. Приложение не зарегистрировано в системе",
                       "[!] Отмена публикации..."}));
    EXPECT_FALSE(GetPublishState().running);
    EXPECT_EQ(GetPublishState().severity, 3);
}

TEST_F(WordSessionTest, TwoDocumentsOfARunShareOneWordInstance) {
    FileDoc& first = AddSource("first.docx");
    FileDoc& second = AddSource("second.doc");

    for (FileDoc* file : {&first, &second}) {
        session_.StartWord();
        ASSERT_TRUE(session_.OpenWordDocument(*file));
        ASSERT_TRUE(session_.ExportWordPdf(*file));
        ASSERT_TRUE(session_.SaveWordEditableCopy(*file));
        session_.CloseWordDocument();
        EXPECT_TRUE(session_.document.IsNull());
    }

    EXPECT_EQ(server_.instancesCreated, 1);
    EXPECT_EQ(server_.Calls("Application", "Visible").size(), 1u);
    EXPECT_EQ(server_.Calls("Documents", "Open").size(), 2u);
    EXPECT_TRUE(Exists(dir_ / "PDF/first.pdf"));
    EXPECT_TRUE(Exists(dir_ / "PDF/second.pdf"));
    EXPECT_EQ(test::ReadFile(dir_ / "EDIT/first.docx"), "document in format 16");
    EXPECT_EQ(test::ReadFile(dir_ / "EDIT/second.doc"), "document in format 0");
    EXPECT_TRUE(channel_.Texts().empty());
}

TEST_F(WordSessionTest, OpenSendsSixteenPositionalArgumentsAndShowsPrintLayout) {
    FileDoc& file = AddSource("Пояснительная записка.docx");
    session_.StartWord();
    server_.log->clear();

    ASSERT_TRUE(session_.OpenWordDocument(file));

    EXPECT_EQ(server_.Sequence(),
              (Strings{"Application.Documents", "Documents.Open", "Application.ActiveWindow", "Window.View",
                       "View.Type", "Document.ToggleFormsDesign"}));
    const auto open = server_.Calls("Documents", "Open").at(0);
    EXPECT_EQ(open.kind, InvokeKind::Method);
    EXPECT_EQ(Describe(open.args), Concat({"T:" + file.fullPath, "I:0", "I:1", "I:0", "T:", "T:", "I:0"},
                                          Concat(Omitted(4), Concat({"I:1"}, Omitted(4)))));
    EXPECT_EQ(Describe(server_.Calls("View", "Type").at(0).args), Strings{"I:3"});
    EXPECT_TRUE(Model(file).open);
    EXPECT_FALSE(session_.document.IsNull());
}

TEST_F(WordSessionTest, MissingSourceEndsBeforeWordIsAskedToOpenAnything) {
    session_.StartWord();
    FileDoc& file = project_.AppendFile(dir_ / "src/missing.docx");

    EXPECT_FALSE(session_.OpenWordDocument(file));
    EXPECT_EQ(channel_.Texts(), Strings{"[X] Исходный файл не найден: " + file.fullPath});
    EXPECT_TRUE(server_.Calls("Documents", "Open").empty());
}

TEST_F(WordSessionTest, DocumentWordCannotOpenGivesTheOpenErrorLine) {
    session_.StartWord();
    const std::string path = dir_ / "src/protected.docx";
    test::WriteFile(path, "locked");  // exists on disk, but the fake refuses it like a protected file
    FileDoc& file = project_.AppendFile(path);

    EXPECT_FALSE(session_.OpenWordDocument(file));
    EXPECT_EQ(channel_.Texts(), Strings{"[X] Не могу открыть файл: " + path + " (Документ защищен паролем)"});
    EXPECT_TRUE(session_.document.IsNull());
    EXPECT_TRUE(server_.Calls("Window", "View").empty());
}

TEST_F(WordSessionTest, FormsDesignIsToggledAfterOpeningAndBeforeClosingOnlyWhenSet) {
    FileDoc& file = AddSource("form.docm");
    session_.StartWord();
    ASSERT_TRUE(session_.OpenWordDocument(file));
    session_.CloseWordDocument();
    EXPECT_EQ(Model(file).formsDesignToggles, 2);
    EXPECT_EQ(server_.Sequence({"Document"}),
              (Strings{"Document.ToggleFormsDesign", "Document.ToggleFormsDesign", "Document.Close"}));
    EXPECT_EQ(Describe(server_.Calls("Document", "Close").at(0).args), Strings{"I:0"});
    EXPECT_FALSE(Model(file).open);

    AppSettings().toggleFormsDesign = false;
    ASSERT_TRUE(session_.OpenWordDocument(file));
    session_.CloseWordDocument();
    EXPECT_EQ(Model(file).formsDesignToggles, 2);
    EXPECT_TRUE(session_.document.IsNull());
}

TEST_F(WordSessionTest, ExportWritesTheTemporaryPdfAndPlacesIt) {
    FileDoc& file = AddSource("Plan.docx");
    OpenInWord(file);

    ASSERT_TRUE(session_.ExportWordPdf(file));

    EXPECT_EQ(server_.Sequence(), (Strings{"Application.ActiveWindow", "Window.View", "View.Type",
                                           "Document.ExportAsFixedFormat"}));
    EXPECT_EQ(Describe(server_.Calls("Document", "ExportAsFixedFormat").at(0).args),
              (Strings{"T:" + (dir_ / "temp/Plan.pdf"), "I:17", "I:0"}));
    EXPECT_TRUE(Exists(dir_ / "temp/Plan.pdf"));
    EXPECT_EQ(test::ReadFile(dir_ / "PDF/Plan.pdf").rfind("%PDF-", 0), 0u);
}

TEST_F(WordSessionTest, ExportWithoutPdfFolderLeavesThePdfInTheTemporaryFolder) {
    project_.pdfDir.fullPath.clear();
    FileDoc& file = AddSource("Plan.docx");
    OpenInWord(file);

    EXPECT_TRUE(session_.ExportWordPdf(file));
    EXPECT_TRUE(Exists(dir_ / "temp/Plan.pdf"));
    EXPECT_FALSE(Exists(dir_ / "PDF"));
    EXPECT_TRUE(channel_.Texts().empty());
}

struct SaveCase {
    const char* name;
    int format;
};

class WordSaveFormatTest : public test::WordTestFixture, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(WordSaveFormatTest, SaveAsSendsSeventeenArgumentsWithTheFormatOfTheExtension) {
    FileDoc& file = AddSource(GetParam().name);
    OpenInWord(file);

    ASSERT_TRUE(session_.SaveWordEditableCopy(file));

    const std::string temp = dir_ / (std::string("temp/") + GetParam().name);
    const auto save = server_.Calls("Document", "SaveAs2").at(0);
    EXPECT_EQ(Describe(save.args), Concat({"T:" + temp, "I:" + std::to_string(GetParam().format), "B:0", "O",
                                           "I:0", "T:", "B:0", "B:0", "I:1"},
                                          Omitted(8)));
    EXPECT_TRUE(Exists(temp));
    EXPECT_EQ(test::ReadFile(dir_ / (std::string("EDIT/") + GetParam().name)),
              "document in format " + std::to_string(GetParam().format));
}

INSTANTIATE_TEST_SUITE_P(Extensions, WordSaveFormatTest,
                         ::testing::Values(SaveCase{"old.doc", 0}, SaveCase{"OLD.DOC", 0},
                                           SaveCase{"new.docx", 16}, SaveCase{"macro.docm", 16}));

TEST_F(WordSessionTest, SaveSendsTheThreeWordOptionsAsAutomationBooleans) {
    AppSettings().lockComments = true;
    AppSettings().readOnlyRecommended = true;
    AppSettings().embedTrueTypeFonts = true;
    AppSettings().saveNativePictureFormat = false;
    FileDoc& file = AddSource("Plan.docx");
    OpenInWord(file);

    ASSERT_TRUE(session_.SaveWordEditableCopy(file));

    const auto args = Describe(server_.Calls("Document", "SaveAs2").at(0).args);
    ASSERT_EQ(args.size(), 17u);
    EXPECT_EQ(args[2], "B:-1");
    EXPECT_EQ(args[6], "B:-1");
    EXPECT_EQ(args[7], "B:-1");
    EXPECT_EQ(args[8], "I:0");
}

TEST_F(WordSessionTest, SaveWithoutEditableFolderKeepsTheCopyInTheTemporaryFolder) {
    project_.editDir.fullPath.clear();
    FileDoc& file = AddSource("Plan.docx");
    OpenInWord(file);

    EXPECT_TRUE(session_.SaveWordEditableCopy(file));
    EXPECT_TRUE(Exists(dir_ / "temp/Plan.docx"));
    EXPECT_FALSE(Exists(dir_ / "EDIT"));
}

TEST_F(WordSessionTest, EditableFolderThatIsTheSourceFolderLeavesTheSourceUntouched) {
    FileDoc& file = AddSource("Plan.docx");
    project_.editDir.fullPath = dir_ / "src";
    OpenInWord(file);

    EXPECT_TRUE(session_.SaveWordEditableCopy(file));
    EXPECT_EQ(test::ReadFile(file.fullPath), "source Plan.docx");
    EXPECT_TRUE(channel_.Texts().empty());
}

TEST_F(WordSessionTest, FailuresAroundTheTemporaryAndOutputFilesGiveTheirErrorLines) {
    FileDoc& file = AddSource("Plan.docx");
    OpenInWord(file);

    // Word reports success but writes nothing.
    Model(file).writeFails = true;
    EXPECT_FALSE(session_.ExportWordPdf(file));
    EXPECT_FALSE(session_.SaveWordEditableCopy(file));
    EXPECT_EQ(channel_.Texts(), (Strings{"[X] Временный файл не найден: " + (dir_ / "temp/Plan.pdf"),
                                         "[X] Временный файл не найден: " + (dir_ / "temp/Plan.docx")}));
    Model(file).writeFails = false;
    channel_.Clear();

    // Word refuses and says why: the line names it.
    Model(file).failWith = "Нет места на диске";
    EXPECT_FALSE(session_.ExportWordPdf(file));
    EXPECT_FALSE(session_.SaveWordEditableCopy(file));
    EXPECT_EQ(
        channel_.Texts(),
        (Strings{"[X] Временный файл не найден: " + (dir_ / "temp/Plan.pdf") + " (Нет места на диске)",
                 "[X] Временный файл не найден: " + (dir_ / "temp/Plan.docx") + " (Нет места на диске)"}));
    Model(file).failWith.clear();
    channel_.Clear();

    // The output folder cannot be created: a file stands where it should be.
    test::WriteFile(dir_ / "blocked", "x");
    project_.pdfDir.fullPath = dir_ / "blocked/PDF";
    EXPECT_FALSE(session_.ExportWordPdf(file));
    EXPECT_EQ(channel_.Texts(),
              Strings{"[X] Невозможно создать директорию для файла: " + (dir_ / "blocked/PDF/Plan.pdf")});
    channel_.Clear();

    // The previous temporary result is held by another program.
    test::WriteFile(dir_ / "temp/Plan.docx", "earlier copy");
    {
        test::FileLock lock(dir_ / "temp/Plan.docx");
        ASSERT_TRUE(lock.Held());
        EXPECT_FALSE(session_.SaveWordEditableCopy(file));
    }
    EXPECT_EQ(channel_.Texts(), Strings{"[X] Не могу удалить временный файл: " + (dir_ / "temp/Plan.docx")});
    channel_.Clear();

    // The temporary folder cannot be created.
    project_.propertyDoc.tempDir = dir_ / "blocked/temp";
    EXPECT_FALSE(session_.ExportWordPdf(file));
    EXPECT_EQ(channel_.Texts(),
              Strings{"[X] Не могу создать временную директорию для файла: " + (dir_ / "blocked/temp")});
}

TEST_F(WordSessionTest, StopWordQuitsWithoutSavingOnceAndReleasesBothReferences) {
    FileDoc& file = AddSource("Plan.docx");
    OpenInWord(file);

    session_.StopWord();
    EXPECT_EQ(channel_.Texts(), Strings{"[?] Останавливаю процесс Word..."});
    EXPECT_TRUE(server_.quit);
    EXPECT_EQ(Describe(server_.Calls("Application", "Quit").at(0).args), Strings{"I:0"});
    EXPECT_FALSE(session_.IsAttached());
    EXPECT_TRUE(session_.document.IsNull());

    session_.StopWord();
    EXPECT_EQ(channel_.Texts().size(), 1u);
    EXPECT_EQ(server_.Calls("Application", "Quit").size(), 1u);

    // A later run starts a new instance.
    session_.StartWord();
    EXPECT_EQ(server_.instancesCreated, 2);
}

}  // namespace
}  // namespace docvane
