#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "automation/Automation.h"
#include "automation/word/WordContent.h"
#include "automation/word/WordSession.h"
#include "automation/word/WordValues.h"

namespace docvane {

namespace {
bool IsContentsHeader(const std::string& text) {
    return text.find("Обозначение") != std::string::npos && text.find("Наименование") != std::string::npos &&
           text.find("Примечание") != std::string::npos;
}

// Text without its last count characters (UTF-8 aware); empty when it has no more than that.
std::string DropLastCharacters(const std::string& text, int count) {
    std::size_t end = text.size();
    for (int dropped = 0; dropped < count && end > 0; ++dropped) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    return text.substr(0, end);
}

// A row's range text is every cell's text followed by the cell end mark "\r\a", then the row's own
// end mark; the last cell's text is what stands after the last remaining "\a".
std::string LastCellText(const std::string& rowText) {
    const std::string cells = DropLastCharacters(rowText, 4);
    const std::size_t mark = cells.rfind('\a');
    return mark == std::string::npos ? cells : cells.substr(mark + 1);
}

// The first run of decimal digits in text; nothing when there is none or it names no possible page.
std::optional<int> FirstNumber(const std::string& text) {
    std::int64_t value = 0;
    bool taken = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            taken = true;
            value = value * 10 + (c - '0');
            if (value > std::numeric_limits<int>::max()) {
                return std::nullopt;
            }
        } else if (taken) {
            break;
        }
    }
    return taken ? std::optional<int>(static_cast<int>(value)) : std::nullopt;
}

float ToMillimetres(float points) {
    return static_cast<float>(static_cast<double>(points) / kWordPointsPerMillimetre);
}

float HeaderWidth(const AutomationObject& headerRow) {
    const AutomationObject cells = ObjectProperty(headerRow, "Cells");
    const std::int64_t count = CountProperty(cells);
    float width = 0;
    for (std::int64_t i = 1; i <= count; ++i) {
        width += SingleOf(GetProperty(ItemOf(cells, static_cast<std::int32_t>(i)), "Width"));
    }
    return width;
}

void ScanTable(const AutomationObject& table, std::vector<WordRef>& refs) {
    const AutomationObject rows = ObjectProperty(table, "Rows");
    const AutomationObject headerRow = ItemOf(rows, 1);
    if (!IsContentsHeader(TextProperty(ObjectProperty(headerRow, "Range"), "Text"))) {
        return;
    }
    const float width = HeaderWidth(headerRow);
    const std::int64_t rowCount = CountProperty(rows);
    // Rows of one page share its page setup: asked once per page, as every call is a round trip.
    std::optional<std::int32_t> heightPage;
    float pageHeight = 0;
    for (std::int64_t r = 2; r <= rowCount; ++r) {
        const AutomationObject row = ItemOf(rows, static_cast<std::int32_t>(r));
        const AutomationObject range = ObjectProperty(row, "Range");
        const std::optional<int> target = FirstNumber(LastCellText(TextProperty(range, "Text")));
        if (!target) {
            continue;
        }
        const float x = SingleOf(GetPropertyAt(range, "Information", kWordInfoHorizontalPosition));
        const float top = SingleOf(GetPropertyAt(range, "Information", kWordInfoVerticalPosition));
        const std::int32_t page = IntegerOf(GetPropertyAt(range, "Information", kWordInfoPageNumber));
        if (heightPage != page) {
            pageHeight = SingleOf(GetProperty(ObjectProperty(range, "PageSetup"), "PageHeight"));
            heightPage = page;
        }
        const float y = pageHeight - top;
        const float height = SingleOf(GetProperty(ItemOf(ObjectProperty(row, "Cells"), 1), "Height"));
        WordRef ref;
        ref.point1X = ToMillimetres(x);
        ref.point1Y = ToMillimetres(y);
        ref.point2X = ToMillimetres(width);
        ref.point2Y = ToMillimetres(height);
        ref.pageFrom = page;
        ref.pageTo = *target;
        refs.push_back(ref);
    }
}
}  // namespace

void ScanContentsTables(const WordSession& session, std::vector<WordRef>& refs) {
    refs.clear();
    const AutomationObject tables = ObjectProperty(session.document, "Tables");
    const std::int64_t count = CountProperty(tables);
    for (std::int64_t t = 1; t <= count; ++t) {
        ScanTable(ItemOf(tables, static_cast<std::int32_t>(t)), refs);
    }
}

}  // namespace docvane
