#include "project/FileDoc.h"

namespace docvane {

namespace {
bool SameReferences(const std::vector<XrefFile>& a, const std::vector<XrefFile>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].fullPath != b[i].fullPath || a[i].owner != b[i].owner || a[i].ownerFile != b[i].ownerFile) {
            return false;
        }
    }
    return true;
}
}  // namespace

bool operator==(const FileDoc& a, const FileDoc& b) {
    if (a.fullPath != b.fullPath || a.owner != b.owner) {
        return false;
    }
    if (a.wordRefs.size() != b.wordRefs.size() || a.xrefsBefore.size() != b.xrefsBefore.size() ||
        a.xrefsAfter.size() != b.xrefsAfter.size() || a.sheetNames.size() != b.sheetNames.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.wordRefs.size(); ++i) {
        const WordRef& x = a.wordRefs[i];
        const WordRef& y = b.wordRefs[i];
        if (x.pageFrom != y.pageFrom || x.pageTo != y.pageTo || x.point1X != y.point1X ||
            x.point1Y != y.point1Y || x.point2X != y.point2X || x.point2Y != y.point2Y) {
            return false;
        }
    }
    return SameReferences(a.xrefsBefore, b.xrefsBefore) && SameReferences(a.xrefsAfter, b.xrefsAfter) &&
           a.sheetNames == b.sheetNames;
}

}  // namespace docvane
