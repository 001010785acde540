#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "pdf/PdfLibrary.h"
#include "pdf/PublishedPdf.h"
#include "support/HandWrittenPdf.h"
#include "support/PdfInspection.h"
#include "support/RunProgram.h"
#include "support/StageProject.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::HandWrittenPdf;
using test::ObjectText;
using test::StreamBody;
using test::TwoPageObjects;
using test::XrefStyle;

const std::string kRepaired = "[!] Файл повреждён и восстановлен, проверьте его: in.pdf";
const std::string kAlpha = "BT /F1 24 Tf 100 700 Td (Alpha one) Tj ET";

std::string Sound() {
    return HandWrittenPdf(TwoPageObjects());
}

std::string WithObject(int number, const std::string& body) {
    auto objects = TwoPageObjects();
    for (ObjectText& object : objects) {
        if (object.number == number) {
            object.body = body;
        }
    }
    return HandWrittenPdf(objects);
}

// The sound file encrypted by qpdf with RC4 128 and an empty user password, then with the key length
// entry of its encryption dictionary ("/Length 128") replaced by lengthEntry (same width).
std::string EncryptedWithKeyLength(const test::TempDir& dir, const std::string& lengthEntry) {
    test::WriteFile(dir / "plain.pdf", Sound());
    const auto result =
        test::RunProgram({"/usr/bin/qpdf", "--allow-weak-crypto", "--object-streams=disable", "--encrypt", "",
                          "owner", "128", "--use-aes=n", "--", dir / "plain.pdf", dir / "locked.pdf"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::string bytes = test::ReadFile(dir / "locked.pdf");
    const std::string key = "/Filter /Standard /Length 128";
    const auto at = bytes.find(key);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) {
        bytes.replace(at + key.size() - 11, 11, lengthEntry);
    }
    return bytes;
}

struct Damage {
    const char* what;
    std::function<std::string(const test::TempDir&)> bytes;
};

// The sound file with the cross-reference entry of the second page (object 4) replaced: entry(offset
// of object 4, offset of the font object 9) gives the new 20-byte entry.
std::string WithSecondPageEntry(const std::function<std::string(long page, long font)>& entry) {
    std::string bytes = Sound();
    const auto offsetOf = [&bytes](int number) {
        return static_cast<long>(bytes.find("\n" + std::to_string(number) + " 0 obj") + 1);
    };
    const std::size_t table = bytes.find("xref\n");
    const std::size_t first = bytes.find('\n', bytes.find('\n', table) + 1) + 1;  // entry of object 0
    bytes.replace(first + 4 * 20, 20, entry(offsetOf(4), offsetOf(9)));
    return bytes;
}

std::string InUse(long offset) {
    char text[32];
    std::snprintf(text, sizeof text, "%010ld 00000 n \n", offset);
    return text;
}

// Merges the bytes as the published PDF "in.pdf" of a one-file project.
bool MergeOne(test::StageProject& stage, const std::string& bytes) {
    FileDoc& file = stage.AddSource("in.pdf");
    test::WriteFile(PdfTempPath(file, -1), bytes);
    return BuildCombinedPdf(stage.Project());
}

TEST(DamagedPdfTest, ReadableDamageIsRepairedWithAWarningAndLosesNothing) {
    const Damage cases[] = {
        {"junk before the header", [](auto&) { return "garbage from a mail gateway\n" + Sound(); }},
        {"offsets off by seven",
         [](auto&) { return HandWrittenPdf(TwoPageObjects(), XrefStyle::ShiftedOffsets); }},
        {"no blank in xref entries",
         [](auto&) { return HandWrittenPdf(TwoPageObjects(), XrefStyle::NoBlank); }},
        {"no cross-reference at all",
         [](auto&) {
             const std::string sound = Sound();
             return sound.substr(0, sound.find("xref\n")) + "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
         }},
        {"stream shorter than its data", [](auto&) { return WithObject(5, StreamBody(kAlpha, 12)); }},
        {"stream longer than its data", [](auto&) { return WithObject(5, StreamBody(kAlpha, 60)); }},
        {"reals in scientific notation",
         [](auto&) { return WithObject(3, test::PageBody(5, "[0 0 5.95e2 8.42E2]")); }},
        {"page written directly into /Kids",
         [](auto&) {
             auto objects = TwoPageObjects();
             objects[1].body = "<< /Type /Pages /Kids [3 0 R " + test::PageBody(6) + "] /Count 2 >>";
             objects.erase(objects.begin() + 3);
             return HandWrittenPdf(objects);
         }},
        // A page found only when the cross-reference table is rebuilt from the objects, as viewers do.
        {"page listed as free",
         [](auto&) { return WithSecondPageEntry([](long, long) { return "0000000000 00000 f \n"; }); }},
        {"page at offset 0", [](auto&) { return WithSecondPageEntry([](long, long) { return InUse(0); }); }},
        {"page entry inside the page object",
         [](auto&) { return WithSecondPageEntry([](long page, long) { return InUse(page + 9); }); }},
        {"page entry at another object",
         [](auto&) { return WithSecondPageEntry([](long, long font) { return InUse(font); }); }},
        {"key length given in bytes", [](auto& dir) { return EncryptedWithKeyLength(dir, "/Length 16 "); }},
        {"key length missing", [](auto& dir) { return EncryptedWithKeyLength(dir, "           "); }},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        test::StageProject stage;
        test::TempDir scratch;
        ASSERT_TRUE(MergeOne(stage, damage.bytes(scratch)));
        EXPECT_TRUE(stage.LogHas(kRepaired));
        EXPECT_TRUE(stage.Errors().empty());
        EXPECT_EQ(test::QpdfPageCount(stage.CombinedPath()), 2);
        const auto texts = test::PageTexts(stage.CombinedPath());
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_NE(texts[0].find("Alpha one"), std::string::npos) << texts[0];
        EXPECT_NE(texts[1].find("Beta two"), std::string::npos) << texts[1];
        const auto words = test::WordBoxes(stage.CombinedPath());
        ASSERT_EQ(words.size(), 2u);
        EXPECT_NEAR(words[0].width, 595, 0.5);
        EXPECT_NEAR(words[0].height, 842, 0.5);
    }
}

// The sound file as qpdf rewrites it with the given options.
std::string Rewritten(const test::TempDir& dir, const std::vector<std::string>& options) {
    test::WriteFile(dir / "plain.pdf", Sound());
    std::vector<std::string> argv{"/usr/bin/qpdf", "--allow-weak-crypto"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {dir / "plain.pdf", dir / "rewritten.pdf"});
    const auto result = test::RunProgram(argv);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return test::ReadFile(dir / "rewritten.pdf");
}

TEST(DamagedPdfTest, SoundFilesAreReadOnceWithoutWarning) {
    test::TempDir scratch;
    const std::vector<std::vector<std::string>> rewrites = {
        {"--compress-streams=y", "--object-streams=generate"},
        {"--linearize"},
        {"--encrypt", "", "owner", "128", "--use-aes=y", "--"},
        {"--encrypt", "", "owner", "256", "--"},
        {"--encrypt", "", "owner", "40", "--"},
    };
    std::vector<std::string> files{Sound(), EncryptedWithKeyLength(scratch, "/Length 128")};
    for (const auto& options : rewrites) {
        files.push_back(Rewritten(scratch, options));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        PublishedPdf part;
        part.LoadBytes(files[i]);
        EXPECT_FALSE(part.Repaired()) << "file " << i;
        EXPECT_EQ(part.PageCount(), 2) << "file " << i;
    }
    test::StageProject stage;
    ASSERT_TRUE(MergeOne(stage, Sound()));
    EXPECT_FALSE(stage.LogHas(kRepaired));
}

TEST(DamagedPdfTest, DamageThatCannotBeMendedEndsTheStageWithItsReason) {
    const Damage cases[] = {
        {"page that exists nowhere",
         [](auto&) { return WithObject(2, "<< /Type /Pages /Kids [3 0 R 8 0 R] /Count 2 >>"); }},
        {"no PDF at all", [](auto&) { return std::string("hello, this is a text file\n"); }},
        {"key of an impossible length", [](auto& dir) { return EncryptedWithKeyLength(dir, "/Length 64 "); }},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        test::StageProject stage;
        test::TempDir scratch;
        EXPECT_FALSE(MergeOne(stage, damage.bytes(scratch)));
        const auto errors = stage.Errors();
        ASSERT_EQ(errors.size(), 1u);
        const std::string opening = "[X] Не удалось добавить файл (";
        ASSERT_EQ(errors[0].rfind(opening, 0), 0u) << errors[0];
        EXPECT_GT(errors[0].find(") in.pdf"), opening.size()) << errors[0];  // a reason stands in between
        EXPECT_EQ(errors[0].substr(errors[0].size() - 8), ") in.pdf");
        EXPECT_FALSE(test::Exists(stage.CombinedPath()));  // nothing half-made at the combined path
    }
    test::StageProject stage;
    MergeOne(stage, WithObject(2, "<< /Type /Pages /Kids [3 0 R 8 0 R] /Count 2 >>"));
    EXPECT_EQ(stage.Errors(), std::vector<std::string>{
                                  "[X] Не удалось добавить файл (элемент дерева страниц не найден) in.pdf"});
}

TEST(DamagedPdfTest, EveryLibraryErrorHasAText) {
    for (int code = PoDoFo::ePdfError_ErrOk + 1; code <= PoDoFo::ePdfError_CannotEncryptedForUpdate; ++code) {
        const PoDoFo::PdfError error(static_cast<PoDoFo::EPdfError>(code));
        EXPECT_FALSE(LibraryMessage(error).empty()) << code;
    }
}

}  // namespace
}  // namespace docvane
