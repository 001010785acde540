#pragma once
// The register of a published set: one row per published PDF of the combined PDF, in combined order,
// with its printed page numbers, its sheet formats and its A4-format count. Handed over with the set
// as "<combined name>.csv"; the A4 counts of its rows add up to the count the run logs.
#include <string>
#include <vector>

namespace docvane {

struct RegisterRow {
    std::size_t fileIndex = 0;  // the file's position in the project
    std::string file;           // the source's file name
    std::string sheet;          // the sheet of a split drawing, empty otherwise
    int firstPage = 0;          // 0-based page of the combined PDF where the part begins
    int pageCount = 0;
    std::string pages;    // first–last printed number ("3–5", "7"), empty when no page is numbered
    std::string formats;  // "А1×2, А4"
    std::vector<std::string> pageFormats;  // the format of every page, in order
    long a4 = 0;
    std::vector<std::string> warnings;  // warning lines of the combined stage about this part
};

// The name of a sheet format: "А0" to "А5" for the ISO sizes (either orientation, 2 mm tolerance),
// else the size in whole millimetres, short side first ("297×630 мм").
std::string FormatName(double widthPt, double heightPt);

// Counts equal names in order of first appearance: {"А1", "А4", "А1"} gives "А1×2, А4".
std::string FormatList(const std::vector<std::string>& names);

// "first–last", or the one number when they are equal.
std::string PageRange(long first, long last);

// The register as CSV for office programs: UTF-8 with a byte-order mark (Cyrillic stays intact),
// ';' between fields as spreadsheet programs in a Russian locale expect, CR LF line ends, fields
// quoted when they hold a separator, a quote or a line break.
std::string RegisterCsv(const std::vector<RegisterRow>& rows);

// "<combined name>.csv" beside the combined PDF: the combined path with its extension replaced.
std::string RegisterPath(const std::string& combinedPath);

}  // namespace docvane
