#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

#include "pdf/CombinedPdf.h"
#include "pdf/FontLookup.h"
#include "pdf/PageGeometry.h"
#include "pdf/PageNumbering.h"
#include "support/ExternalTool.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using test::StageProject;

TEST(A4FormatsTest, CountsByAreaRoundedHalfAwayFromZero) {
    const double mm = kMmToPt;
    EXPECT_EQ(A4Formats(210 * mm, 297 * mm), 1);
    EXPECT_EQ(A4Formats(297 * mm, 210 * mm), 1);  // landscape: only the area matters
    EXPECT_EQ(A4Formats(297 * mm, 420 * mm), 2);
    EXPECT_EQ(A4Formats(420 * mm, 594 * mm), 4);
    EXPECT_EQ(A4Formats(594 * mm, 841 * mm), 8);
    EXPECT_EQ(A4Formats(841 * mm, 1189 * mm), 16);
    EXPECT_EQ(A4Formats(297 * mm, 630 * mm), 3);
    EXPECT_EQ(A4Formats(148 * mm, 210 * mm), 0);  // A5: 0.498
    EXPECT_EQ(A4Formats(612, 792), 1);            // US Letter
    EXPECT_EQ(A4Formats(1e200, 1e200), 1000000000000000L);
}

// Runs the stage over one PDF whose pages were edited by edit, and returns the word boxes.
std::vector<test::PageWords> NumberedPages(StageProject& stage, int pages,
                                           const std::function<void(PoDoFo::PdfMemDocument&)>& edit) {
    FileDoc& file = stage.AddSource("In.pdf");
    test::WriteFixturePdf(file.fullPath, pages, "body");
    if (edit) {
        test::EditPdf(file.fullPath, edit);
    }
    EXPECT_TRUE(BuildCombinedPdf(stage.Project())) << ::testing::PrintToString(stage.Log());
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    return test::WordBoxes(stage.CombinedPath());
}

// Where the number must appear on the displayed page: its centre half a point inside from the
// reference point, which lies `fromRight` from the right edge; its baseline `belowTop` under the top.
// pdftotext reports the unrotated size but places words as displayed: a quarter turn swaps the sides.
void ExpectNumberAt(const test::PageWords& page, const std::string& number, double fromRight, double belowTop,
                    bool quarterTurn = false) {
    const test::WordBox* word = test::FindWord(page, number);
    ASSERT_NE(word, nullptr) << "no " << number;
    SCOPED_TRACE("number " + number);
    const double centre = (word->xMin + word->xMax) / 2;
    const double width = quarterTurn ? page.height : page.width;
    EXPECT_NEAR(centre, width - fromRight + 0.5, 1.0);
    // The baseline lies between the top and the bottom of the glyph box, near the bottom.
    EXPECT_LT(word->yMin, belowTop);
    EXPECT_GT(word->yMax, belowTop);
    EXPECT_LT(word->yMax - belowTop, 4.0);
}

TEST(PageNumberingTest, NumbersFollowStartPageAndFirstNumberedPage) {
    StageProject stage;  // startPage 2, pageFrom 3, posX 10, posY 8, 12 pt
    const auto pages = NumberedPages(stage, 4, nullptr);
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[0].words.size(), 1u);  // only "body"
    EXPECT_EQ(pages[1].words.size(), 1u);
    const double x = 10 * kMmToPt, y = 8 * kMmToPt, f = 6;
    ExpectNumberAt(pages[2], "2", x, y + f);
    ExpectNumberAt(pages[3], "3", x, y + f);
}

TEST(PageNumberingTest, NumberStaysUprightNearTheDisplayedTopRightForEveryRotation) {
    StageProject stage;
    stage.Settings().startPage = 1;
    stage.Settings().pageFrom = 1;
    stage.Settings().fontHeight = 13;  // F = 6
    const long rotations[] = {0, 90, 180, 270, -90, 360};
    const auto pages = NumberedPages(stage, 6, [&](PoDoFo::PdfMemDocument& doc) {
        for (int i = 0; i < 6; ++i) {
            doc.GetPage(i)->GetObject()->GetDictionary().AddKey(
                "Rotate", PoDoFo::PdfVariant(static_cast<PoDoFo::pdf_int64>(rotations[i])));
        }
    });
    ASSERT_EQ(pages.size(), 6u);
    const double x = 10 * kMmToPt, y = 8 * kMmToPt, f = 6;
    ExpectNumberAt(pages[0], "1", x, y + f);
    ExpectNumberAt(pages[1], "2", y + f, x, true);
    ExpectNumberAt(pages[2], "3", y + f, x);
    ExpectNumberAt(pages[3], "4", y + f, x, true);
    ExpectNumberAt(pages[4], "5", y + f, x, true);  // -90 shows like 270
    ExpectNumberAt(pages[5], "6", x, y + f);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const test::WordBox* word = test::FindWord(pages[i], std::to_string(i + 1));
        ASSERT_NE(word, nullptr);
        EXPECT_LT(word->xMax - word->xMin, 8.0) << "a sideways number is tall and narrow";
        EXPECT_GT(word->yMax - word->yMin, 10.0);
    }
}

// The page's own content leaves a scale and a colour active. The number must not inherit them,
// whether the content is an array of streams or one stream.
TEST(PageNumberingTest, PageContentCannotMoveTheNumber) {
    StageProject stage;
    stage.Settings().startPage = 1;
    stage.Settings().pageFrom = 1;
    const auto pages = NumberedPages(stage, 3, [](PoDoFo::PdfMemDocument& doc) {
        using namespace PoDoFo;
        for (int i = 0; i < 3; ++i) {
            PdfObject* page = doc.GetPage(i)->GetObject();
            const PdfObject original = *page->GetDictionary().GetKey("Contents");
            PdfObject* leak = doc.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
            leak->GetStream()->Set(" 0.5 0 0 0.5 100 100 cm 1 0 0 rg ");
            PdfObject* empty = doc.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
            empty->GetStream()->Set("", 0);
            if (i == 0) {  // an array with empty streams around the real ones
                PdfArray contents;
                contents.push_back(empty->Reference());
                contents.push_back(original);
                contents.push_back(leak->Reference());
                contents.push_back(empty->Reference());
                page->GetDictionary().AddKey("Contents", contents);
            } else if (i == 1) {  // a single stream that leaves the state changed
                char* data = nullptr;
                pdf_long length = 0;
                PdfObject* stream = doc.GetObjects().GetObject(original.GetReference());
                stream->GetStream()->GetFilteredCopy(&data, &length);
                std::string text(data, static_cast<std::size_t>(length));
                podofo_free(data);
                text += " 0.5 0 0 0.5 100 100 cm ";
                stream->GetStream()->Set(text.c_str(), static_cast<pdf_long>(text.size()));
            } else {  // no content at all
                page->GetDictionary().RemoveKey("Contents");
            }
        }
    });
    ASSERT_EQ(pages.size(), 3u);
    const double x = 10 * kMmToPt, y = 8 * kMmToPt;
    for (int i = 0; i < 3; ++i) {
        ExpectNumberAt(pages[static_cast<std::size_t>(i)], std::to_string(i + 1), x, y + 6);
    }
}

TEST(PageNumberingTest, NumberIsPlacedInTheVisibleBoxNotAtTheOrigin) {
    StageProject stage;
    stage.Settings().startPage = 1;
    stage.Settings().pageFrom = 1;
    const auto pages = NumberedPages(stage, 1, [](PoDoFo::PdfMemDocument& doc) {
        PoDoFo::PdfObject* page = doc.GetPage(0)->GetObject();
        PoDoFo::PdfArray box;
        for (double v : {-200.0, 300.0, 395.0, 1141.0}) {
            box.push_back(PoDoFo::PdfVariant(v));
        }
        page->GetDictionary().AddKey("MediaBox", box);
    });
    ASSERT_EQ(pages.size(), 1u);
    ExpectNumberAt(pages[0], "1", 10 * kMmToPt, 8 * kMmToPt + 6);
}

TEST(PageNumberingTest, NumberingOffDrawsNothingButStillBracketsAndCounts) {
    StageProject stage;
    stage.Settings().isNumbering = false;
    const auto pages = NumberedPages(stage, 3, [](PoDoFo::PdfMemDocument& doc) {
        using namespace PoDoFo;
        PdfObject* page = doc.GetPage(0)->GetObject();
        PdfArray contents;
        contents.push_back(*page->GetDictionary().GetKey("Contents"));
        page->GetDictionary().AddKey("Contents", contents);
    });
    for (const auto& page : pages) {
        EXPECT_EQ(page.words.size(), 1u);
    }
    EXPECT_EQ(stage.Log().back(), "[?] Количество форматов А4: 3");
    PoDoFo::PdfMemDocument result(stage.CombinedPath().c_str());
    const PoDoFo::PdfObject* contents = result.GetPage(0)->GetObject()->GetIndirectKey("Contents");
    ASSERT_TRUE(contents->IsArray());
    const auto& list = contents->GetArray();
    ASSERT_EQ(list.size(), 3u);
    auto text = [&](const PoDoFo::PdfObject& element) {
        char* data = nullptr;
        PoDoFo::pdf_long length = 0;
        result.GetObjects().GetObject(element.GetReference())->GetStream()->GetFilteredCopy(&data, &length);
        std::string bytes(data, static_cast<std::size_t>(length));
        PoDoFo::podofo_free(data);
        return bytes;
    };
    EXPECT_EQ(text(list[0]), "q\n");
    EXPECT_EQ(text(list[2]), "\nQ");
}

TEST(PageNumberingTest, NumbersCanBeZeroOrNegative) {
    StageProject stage;
    stage.Settings().startPage = -1;
    stage.Settings().pageFrom = 1;
    const auto pages = NumberedPages(stage, 2, nullptr);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(test::FindWord(pages[0], "-1"), nullptr);
    EXPECT_NE(test::FindWord(pages[1], "0"), nullptr);
}

TEST(PageNumberingTest, TimesNewRomanComesOutAsLiberationSerifEmbedded) {
    StageProject stage;
    NumberedPages(stage, 3, nullptr);
    const std::string fonts = test::FontTable(stage.CombinedPath());
    EXPECT_NE(fonts.find("LiberationSerif"), std::string::npos) << fonts;
    for (const std::string& line : {std::string("LiberationSerif")}) {
        const auto at = fonts.find(line);
        const std::string row = fonts.substr(at, fonts.find('\n', at) - at);
        EXPECT_NE(row.find("WinAnsi"), std::string::npos) << row;
        EXPECT_NE(row.find("yes"), std::string::npos) << row;
    }
}

// The decoded TrueType programs embedded for the face (the /FontFile2 of each font descriptor whose
// /FontName, after any subset tag, is face).
std::vector<std::string> EmbeddedTrueTypePrograms(const std::string& path, const std::string& face) {
    PoDoFo::PdfMemDocument document;
    document.Load(path.c_str());
    std::vector<std::string> programs;
    for (PoDoFo::PdfObject* object : document.GetObjects()) {
        if (!object->IsDictionary()) {
            continue;
        }
        const PoDoFo::PdfObject* name = object->GetIndirectKey(PoDoFo::PdfName("FontName"));
        const PoDoFo::PdfObject* file = object->GetIndirectKey(PoDoFo::PdfName("FontFile2"));
        if (name == nullptr || !name->IsName() || file == nullptr || !file->HasStream()) {
            continue;
        }
        const std::string fontName = name->GetName().GetName();
        if (fontName.substr(fontName.find('+') + 1) != face) {
            continue;
        }
        char* data = nullptr;
        PoDoFo::pdf_long size = 0;
        file->GetStream()->GetFilteredCopy(&data, &size);
        const std::unique_ptr<char, void (*)(void*)> owned(data, &PoDoFo::podofo_free);
        programs.emplace_back(data, static_cast<std::size_t>(size));
    }
    return programs;
}

// Every page rendered in grey at a low resolution, one image after another.
std::string Rendered(const std::string& path) {
    const test::ToolResult result = test::RunTool({"pdftoppm", "-r", "40", "-gray", path});
    EXPECT_EQ(result.exitCode, 0) << path;
    return result.output;
}

TEST(PageNumberingTest, NumberFontIsASubsetThatDrawsLikeTheWholeFont) {
    StageProject stage;
    stage.Settings().startPage = -1;  // -1 .. 10: every digit and the minus sign
    stage.Settings().pageFrom = 1;
    const int pageCount = 12;
    const auto pages = NumberedPages(stage, pageCount, nullptr);
    ASSERT_EQ(pages.size(), static_cast<std::size_t>(pageCount));
    for (int i = 0; i < pageCount; ++i) {
        EXPECT_NE(test::FindWord(pages[i], std::to_string(i - 1)), nullptr) << "page " << i;
    }

    // Embedded, marked as a subset (a tagged name and pdffonts' "sub" column) and mapped to Unicode.
    const std::string fonts = test::FontTable(stage.CombinedPath());
    const auto at = fonts.find("+LiberationSerif");
    ASSERT_NE(at, std::string::npos) << fonts;
    std::istringstream row(fonts.substr(at, fonts.find('\n', at) - at));
    std::vector<std::string> columns;
    for (std::string column; row >> column;) {
        columns.push_back(column);
    }
    ASSERT_EQ(columns.size(), 8u) << fonts;  // name, type, encoding, emb, sub, uni, object, generation
    EXPECT_EQ(columns[1] + columns[2], "TrueTypeWinAnsi");
    EXPECT_EQ(columns[3] + columns[4] + columns[5], "yesyesyes");

    const std::string fontFile = FindFontFile(stage.Settings().fontName);
    const auto programs = EmbeddedTrueTypePrograms(stage.CombinedPath(), "LiberationSerif");
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_LT(programs[0].size() * 10, std::filesystem::file_size(fontFile));

    // The same numbers drawn on the same input with the whole font embedded look exactly alike.
    const std::string reference = stage.Folder() + "/whole-font.pdf";
    std::filesystem::copy_file(stage.Project().fileDocs.front()->fullPath, reference);
    test::EditPdf(reference, [&](PoDoFo::PdfMemDocument& document) {
        PoDoFo::PdfFont* font =
            document.CreateFont(stage.Settings().fontName.c_str(), false, false, false,
                                PoDoFo::PdfEncodingFactory::GlobalWinAnsiEncodingInstance(),
                                PoDoFo::PdfFontCache::eFontCreationFlags_None, true, fontFile.c_str());
        ASSERT_NE(font, nullptr);
        const ContentBrackets brackets = ContentBrackets::Create(document.GetObjects());
        for (int i = 0; i < pageCount; ++i) {
            PoDoFo::PdfObject& page = *document.GetPage(i)->GetObject();
            GuardPageContent(page, brackets);
            DrawPageNumber(page, *font, i - 1, stage.Settings());
        }
    });
    ASSERT_EQ(test::FontTable(reference).find("+LiberationSerif"), std::string::npos);
    const std::string expected = Rendered(reference);
    EXPECT_FALSE(expected.empty());
    EXPECT_TRUE(Rendered(stage.CombinedPath()) == expected) << "the subset draws differently";
}

}  // namespace
}  // namespace docvane
