#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "pdf/PageGeometry.h"
#include "support/CliTest.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using nlohmann::json;
using test::ReadFile;
using test::WriteFile;

class CliReportTest : public test::CliTest {
  protected:
    json Report() { return json::parse(ReadFile(dir_ / "report.json"), nullptr, false); }
};

// Every key of the documented schema is there with its type.
void ExpectSchema(const json& report) {
    ASSERT_TRUE(report.is_object());
    const std::pair<const char*, json::value_t> top[] = {{"schema", json::value_t::string},
                                                         {"version", json::value_t::number_unsigned},
                                                         {"started", json::value_t::boolean},
                                                         {"project", json::value_t::string},
                                                         {"mode", json::value_t::string},
                                                         {"pdfA", json::value_t::boolean},
                                                         {"result", json::value_t::string},
                                                         {"exitStatus", json::value_t::number_unsigned},
                                                         {"seconds", json::value_t::number_float},
                                                         {"totals", json::value_t::object},
                                                         {"files", json::value_t::array},
                                                         {"combined", json::value_t::object},
                                                         {"run", json::value_t::object}};
    for (const auto& [key, type] : top) {
        ASSERT_TRUE(report.contains(key)) << key;
        EXPECT_EQ(report[key].type(), type) << key;
    }
    EXPECT_EQ(report["schema"], "docvane-publish-report");
    for (const char* key : {"files", "published", "skipped", "failed", "warnings", "errors"}) {
        EXPECT_TRUE(report["totals"][key].is_number_integer()) << key;
    }
    for (const json& file : report["files"]) {
        for (const char* key : {"path", "outcome"}) {
            EXPECT_TRUE(file[key].is_string()) << key;
        }
        for (const char* key : {"statusBefore", "statusAfter"}) {
            EXPECT_TRUE(file[key]["code"].is_number_integer()) << key;
            EXPECT_TRUE(file[key]["text"].is_string()) << key;
        }
        EXPECT_TRUE(file["seconds"].is_number());
        EXPECT_TRUE(file["warnings"].is_array());
        EXPECT_TRUE(file["errors"].is_array());
        EXPECT_TRUE(file["parts"].is_array());
    }
    for (const char* key : {"path", "written", "pdfA", "warnings", "errors"}) {
        EXPECT_TRUE(report["combined"].contains(key)) << key;
    }
}

TEST_F(CliReportTest, ReportsEveryFileTheRunsResultAndTotals) {
    const double mm = kMmToPt;
    std::filesystem::create_directories(dir_ / "src");
    test::WriteFixturePdf(dir_ / "src/A.pdf", 2, "a");
    test::WriteFixturePdf(dir_ / "src/B.pdf", {{420 * mm, 297 * mm, "b1"}, {210 * mm, 297 * mm, "b2"}});
    WriteFile(dir_ / "p.dv1",
              test::ProjectXml(".\\out\\Комплект.pdf", ".\\PDF", "", {".\\src\\A.pdf", ".\\src\\B.pdf"}));
    auto result = Cli({"publish", dir_ / "p.dv1", "--report", dir_ / "report.json"});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    json report = Report();
    ExpectSchema(report);
    EXPECT_EQ(report["result"], "success");
    EXPECT_EQ(report["mode"], "fast");
    ASSERT_EQ(report["files"].size(), 2u);
    const json& b = report["files"][1];
    EXPECT_EQ(b["outcome"], "published");
    EXPECT_EQ(b["statusBefore"]["code"], 2);  // no PDF yet
    EXPECT_EQ(b["statusAfter"]["code"], 0);
    EXPECT_EQ(b["pages"], 2);
    EXPECT_EQ(b["formats"], "А3, А4");
    EXPECT_EQ(b["a4"], 3);
    EXPECT_EQ(report["totals"]["a4"], 5);
    EXPECT_EQ(report["totals"]["pages"], 4);
    EXPECT_EQ(report["totals"]["published"], 2);
    EXPECT_EQ(report["combined"]["register"], dir_ / "out/Комплект.csv");
    EXPECT_NE(result.out.find("[?] Количество форматов А4: 5"), std::string::npos);
    EXPECT_TRUE(test::Exists(dir_ / "out/Комплект.csv"));

    // Nothing changed: both files are skipped; then one source is gone and the run ends with its error.
    result = Cli({"publish", dir_ / "p.dv1", "--report", dir_ / "report.json"});
    report = Report();
    EXPECT_EQ(report["totals"]["skipped"], 2);
    EXPECT_EQ(report["files"][0]["outcome"], "skipped");
    std::filesystem::remove(dir_ / "src/B.pdf");
    result = Cli({"publish", dir_ / "p.dv1", "--full", "--report", dir_ / "report.json"});
    EXPECT_EQ(result.exitCode, 2);
    report = Report();
    ExpectSchema(report);
    EXPECT_EQ(report["result"], "errors");
    EXPECT_EQ(report["exitStatus"], 2);
    EXPECT_EQ(report["mode"], "full");
    EXPECT_EQ(report["files"][0]["outcome"], "published");
    EXPECT_EQ(report["files"][1]["statusBefore"]["code"], -1);
    EXPECT_EQ(report["files"][1]["errors"],
              json::array({"Исходный файл не найден: " + (dir_ / "src/B.pdf")}));
    EXPECT_EQ(report["totals"]["errors"], 1);
    EXPECT_FALSE(report["combined"]["written"]);

    // A run that cannot start still says why.
    result = Cli({"publish", dir_ / "missing.dv1", "--report", dir_ / "report.json"});
    EXPECT_EQ(result.exitCode, 2);
    report = Report();
    EXPECT_EQ(report["started"], false);
    EXPECT_EQ(report["result"], "errors");
    EXPECT_TRUE(report["reason"].is_string());
}

}  // namespace
}  // namespace docvane
