// Reading the parts of a combined PDF ahead on other threads, and writing it through our file device.
#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/FileOutputDevice.h"
#include "pdf/PdfLibrary.h"
#include "pdf/PublishedPdfReadAhead.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using namespace PoDoFo;

// What a part looked like when it was taken: its page count, or how loading it failed.
struct Outcome {
    int pages = -1;  // -1: no document
    bool failed = false;
};

class ReadAheadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PreparePdfLibrary();
        for (int i = 0; i < 12; ++i) {
            const std::string path = dir_ / ("part" + std::to_string(i) + ".pdf");
            test::WriteFixturePdf(path, i % 3 + 1, "Part " + std::to_string(i) + " page ");
            paths_.push_back(path);
        }
        test::WriteFile(dir_ / "broken.pdf", "this is no PDF at all");
        paths_[4] = dir_ / "broken.pdf";
        paths_[7] = "";  // a part with nothing to read
        paths_[9] = dir_ / "missing.pdf";
    }

    static Outcome TakeOne(PublishedPdfReadAhead& reader, std::size_t index) {
        Outcome outcome;
        try {
            const std::unique_ptr<PublishedPdf> pdf = reader.Take(index);
            outcome.pages = pdf ? pdf->PageCount() : -1;
        } catch (const PdfError&) {
            outcome.failed = true;
        } catch (const std::exception&) {
            outcome.failed = true;
        }
        return outcome;
    }

    test::TempDir dir_;
    std::vector<std::string> paths_;
};

TEST_F(ReadAheadTest, EveryPartComesOutInOrderAsALoadOnTheCallersThreadWouldEnd) {
    struct Setting {
        std::size_t readers;
        std::size_t window;
    };
    for (const Setting setting : {Setting{1, 1}, Setting{2, 8}, Setting{4, 2}, Setting{3, 100}}) {
        SCOPED_TRACE("readers " + std::to_string(setting.readers) + ", window " +
                     std::to_string(setting.window));
        PublishedPdfReadAhead reader(paths_, setting.readers, setting.window);
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            const Outcome outcome = TakeOne(reader, i);
            if (i == 4 || i == 9) {
                EXPECT_TRUE(outcome.failed) << i;
            } else if (i == 7) {
                EXPECT_FALSE(outcome.failed);
                EXPECT_EQ(outcome.pages, -1);
            } else {
                EXPECT_FALSE(outcome.failed) << i;
                EXPECT_EQ(outcome.pages, static_cast<int>(i % 3 + 1)) << i;
            }
        }
    }
}

TEST_F(ReadAheadTest, SkippedPartsAndAnEarlyEndNeitherBlockNorLeak) {
    // Window 2: taking part 10 right after part 0 must not wait for parts nobody takes.
    {
        PublishedPdfReadAhead reader(paths_, 2, 2);
        EXPECT_EQ(TakeOne(reader, 0).pages, 1);
        EXPECT_EQ(TakeOne(reader, 10).pages, 2);
    }
    // A merge that stops at its first error drops the rest: the readers end with it (a reader left
    // waiting would hang here).
    {
        PublishedPdfReadAhead reader(paths_, 2, 8);
        EXPECT_EQ(TakeOne(reader, 0).pages, 1);
    }
}

// A document of one page whose content stream is `size` bytes, written through the device.
void WriteThroughDevice(const std::string& path, std::size_t size) {
    PdfMemDocument document;
    PdfPage* page = document.CreatePage(PdfPage::CreateStandardPageSize(ePdfPageSize_A4));
    std::string content;
    while (content.size() < size) {
        content += "0 0 m 10 10 l S\n";
    }
    page->GetContents()->GetStream()->Set(content.data(), static_cast<pdf_long>(content.size()),
                                          TVecFilters());
    page->GetObject()->GetDictionary().AddKey(PdfName("UserUnit"), 1.5);  // a real among the numbers
    FileOutputDevice file(path);
    document.Write(&file);
    file.Close();
}

TEST(FileOutputDeviceTest, DocumentsReadBackWhole) {
    test::TempDir dir;
    PreparePdfLibrary();
    // Small, and larger than what the device holds before writing to the file.
    for (const std::size_t size : {std::size_t{64}, std::size_t{9} << 20}) {
        SCOPED_TRACE(size);
        const std::string path = dir / "out.pdf";
        WriteThroughDevice(path, size);
        PdfMemDocument back;
        back.Load(path.c_str());
        ASSERT_EQ(back.GetPageCount(), 1);
        PdfObject* page = back.GetPage(0)->GetObject();
        EXPECT_DOUBLE_EQ(page->GetDictionary().GetKey(PdfName("UserUnit"))->GetReal(), 1.5);
        char* data = nullptr;
        pdf_long length = 0;
        back.GetPage(0)->GetContents()->GetStream()->GetFilteredCopy(&data, &length);
        const std::string content(data, static_cast<std::size_t>(length));
        podofo_free(data);
        EXPECT_GE(content.size(), size);
        EXPECT_EQ(content.substr(content.size() - 16), "0 0 m 10 10 l S\n");
    }
}

TEST(FileOutputDeviceTest, SeeksOverwriteInPlaceAndFailuresAreReported) {
    test::TempDir dir;
    const std::string path = dir / "seek.bin";
    {
        FileOutputDevice file(path);
        file.Print("%s %d", "header", 42);
        file.Write("0123456789", 10);
        EXPECT_EQ(file.Tell(), 19u);
        file.Seek(7);
        file.Write("XY", 2);
        EXPECT_EQ(file.Tell(), 9u);
        EXPECT_EQ(file.GetLength(), 19u);
        file.Close();
    }
    EXPECT_EQ(test::ReadFile(path), "header XY0123456789");

    EXPECT_THROW(FileOutputDevice(dir / "no/such/folder/out.pdf"), PdfError);
    // A full disk: whatever is buffered fails at Close() at the latest, never silently.
    bool reported = false;
    try {
        FileOutputDevice full("/dev/full");
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 6; ++i) {
            full.Write(block.data(), block.size());
        }
        full.Close();
    } catch (const PdfError& error) {
        reported = error.GetError() == ePdfError_InvalidDeviceOperation;
    }
    EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace docvane
