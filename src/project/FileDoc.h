#pragma once
#include <string>
#include <vector>

#include "project/PathDoc.h"
#include "project/PublishedDigest.h"

namespace docvane {

struct FileDoc;

// One contents link of a word-processor document: a contents-table row that points to a page.
struct WordRef {
    float point1X = -1;  // left edge, mm from the page's left edge
    float point1Y = -1;  // top edge, mm above the page's bottom edge
    float point2X = -1;  // width, mm
    float point2Y = -1;  // height, mm
    int pageFrom = -1;   // 1-based page of the document that holds the row
    int pageTo = -1;     // page number printed in the row's last cell

    bool IsValid() const {
        return point1X > 0 && point1Y > 0 && point2X > 0 && point2Y > 0 && pageFrom > 0 && pageTo > 0;
    }
};

// One external reference of a drawing.
struct XrefFile : PathDoc {
    FileDoc* ownerFile = nullptr;  // the entry whose drawing holds the reference

    XrefFile() = default;
    XrefFile(const std::string& text, CDocvaneDoc* ownerDoc, FileDoc* owningFile)
        : PathDoc(text, ownerDoc), ownerFile(owningFile) {}
};

// One source file of a project.
struct FileDoc : PathDoc {
    std::vector<WordRef> wordRefs;
    std::vector<XrefFile> xrefsBefore;
    std::vector<XrefFile> xrefsAfter;
    std::vector<std::string> sheetNames;
    // What the published results were made from, recorded by the run that published them.
    PublishedDigest publishedFrom;

    FileDoc() = default;
    FileDoc(const std::string& text, CDocvaneDoc* ownerDoc) : PathDoc(text, ownerDoc) {}

    // Copies are deep; copied references keep pointing at the entry they were copied from.
    FileDoc(const FileDoc&) = default;
    FileDoc& operator=(const FileDoc&) = default;
};

// Whether publishing changed a file's record: paths, owner, contents links, both reference lists and
// the sheet names; statuses take no part.
bool operator==(const FileDoc& a, const FileDoc& b);

}  // namespace docvane
