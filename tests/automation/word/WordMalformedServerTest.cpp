#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "automation/word/WordContent.h"
#include "automation/word/WordServerFactory.h"
#include "automation/word/WordSession.h"
#include "automation/word/fakes/GarbageDispatch.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

// Whatever the server answers, a whole document pipeline runs to its end without throwing or
// crashing, and every contents reference it builds holds finite numbers.
TEST(WordMalformedServerTest, EveryStepSurvivesArbitraryAnswers) {
    test::IsolatedSettings settings;
    test::RecordingChannel channel;
    test::TempDir dir;
    CDocvaneDoc project;
    project.propertyDoc.tempDir = dir / "temp";
    project.pdfDir.fullPath = dir / "PDF";
    project.editDir.fullPath = dir / "EDIT";
    test::WriteFile(dir / "a.docx", "source");
    FileDoc& file = project.AppendFile(dir / "a.docx");
    const std::vector<std::string> scripts = {"",        "sub ",       "Sub Fill()\r\nEnd Sub",
                                              "x sub y", "sub \r\n_(", "\xD0"};

    std::size_t references = 0;
    for (unsigned seed = 0; seed < 1000; ++seed) {
        auto random = std::make_shared<std::mt19937>(seed);
        SetWordServerFactory([random](const std::string&) {
            return AutomationObject(std::make_shared<test::GarbageDispatch>(random));
        });
        GetPublishState().running = true;
        WordSession session;
        // Field names only now and then: a matching name makes the bounded read-back wait.
        const std::vector<FieldDoc> fields =
            seed % 50 == 0 ? std::vector<FieldDoc>{{"Шифр", "1"}} : std::vector<FieldDoc>{};
        std::vector<WordRef> refs;
        ASSERT_NO_THROW({
            session.StartWord();
            if (!session.OpenWordDocument(file)) {
                // Most garbage never yields a document; go on with one anyway to reach every step.
                session.application = AutomationObject(std::make_shared<test::GarbageDispatch>(random));
                session.document = AutomationObject(std::make_shared<test::GarbageDispatch>(random));
            }
            WriteDocumentProperties(session, fields);
            RunVbaScript(session, scripts[seed % scripts.size()]);
            UpdateWordFields(session);
            ScanContentsTables(session, refs);
            session.ExportWordPdf(file);
            session.SaveWordEditableCopy(file);
            session.CloseWordDocument();
            session.StopWord();
        }) << "seed "
           << seed;
        for (const WordRef& ref : refs) {
            EXPECT_TRUE(std::isfinite(ref.point1X) && std::isfinite(ref.point1Y) &&
                        std::isfinite(ref.point2X) && std::isfinite(ref.point2Y))
                << "seed " << seed;
            EXPECT_GE(ref.pageTo, 0) << "seed " << seed;
        }
        EXPECT_FALSE(session.IsAttached());
        references += refs.size();
    }
    // The answers reached the deepest step, the contents rows, more than once.
    EXPECT_GT(references, 0u);
    SetWordServerFactory(nullptr);
    GetPublishState().running = false;
    GetPublishState().severity = 0;
}

}  // namespace
}  // namespace docvane
