#pragma once
// Small PDFs written as text, object by object, so that tests can damage exactly one part of the
// structure (cross-reference, stream lengths, page tree, numbers) the way files from the field are.
#include <string>
#include <vector>

namespace docvane::test {

struct ObjectText {
    int number = 0;
    std::string body;  // what stands between "N 0 obj" and "endobj"
};

enum class XrefStyle {
    Sound,
    ShiftedOffsets,  // every offset points 7 bytes too far
    NoBlank,         // entries of 19 bytes: no blank before the line end
};

// The file: header, the objects in the order given, a cross-reference table and a trailer whose
// /Root is object 1. trailerExtra goes into the trailer dictionary.
std::string HandWrittenPdf(const std::vector<ObjectText>& objects, XrefStyle style = XrefStyle::Sound,
                           const std::string& trailerExtra = "");

// A stream object body; length overrides the true /Length when not negative.
std::string StreamBody(const std::string& data, long length = -1, const std::string& extraKeys = "");

// Two A4 pages showing "Alpha one" and "Beta two" in Helvetica: catalog 1, page tree 2, pages 3 and 4,
// contents 5 and 6, font 9. Tests edit the list before writing it.
std::vector<ObjectText> TwoPageObjects();
// A page dictionary of TwoPageObjects' shape with the given contents object and media box.
std::string PageBody(int contents, const std::string& mediaBox = "[0 0 595 842]");

}  // namespace docvane::test
