#include "support/HandWrittenPdf.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace docvane::test {

std::string HandWrittenPdf(const std::vector<ObjectText>& objects, XrefStyle style,
                           const std::string& trailerExtra) {
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::map<int, std::size_t> offsets;
    for (const ObjectText& object : objects) {
        offsets[object.number] = out.size();
        out += std::to_string(object.number) + " 0 obj\n" + object.body + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    const int size = offsets.empty() ? 1 : offsets.rbegin()->first + 1;
    out += "xref\n0 " + std::to_string(size) + "\n";
    for (int i = 0; i < size; ++i) {
        char entry[32];
        const auto found = offsets.find(i);
        if (found == offsets.end()) {
            std::snprintf(entry, sizeof entry, "%010d %05d f", 0, 65535);
        } else {
            const std::size_t offset = found->second + (style == XrefStyle::ShiftedOffsets ? 7 : 0);
            std::snprintf(entry, sizeof entry, "%010zu %05d n", offset, 0);
        }
        out += entry;
        out += style == XrefStyle::NoBlank ? "\n" : " \n";
    }
    out += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R " + trailerExtra + ">>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::string StreamBody(const std::string& data, long length, const std::string& extraKeys) {
    const long declared = length >= 0 ? length : static_cast<long>(data.size());
    return "<< /Length " + std::to_string(declared) + " " + extraKeys + ">>\nstream\n" + data + "\nendstream";
}

std::string PageBody(int contents, const std::string& mediaBox) {
    return "<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox + " /Contents " + std::to_string(contents) +
           " 0 R /Resources << /Font << /F1 9 0 R >> >> >>";
}

std::vector<ObjectText> TwoPageObjects() {
    return {
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>"},
        {3, PageBody(5)},
        {4, PageBody(6)},
        {5, StreamBody("BT /F1 24 Tf 100 700 Td (Alpha one) Tj ET")},
        {6, StreamBody("BT /F1 24 Tf 100 700 Td (Beta two) Tj ET")},
        {9, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
    };
}

}  // namespace docvane::test
