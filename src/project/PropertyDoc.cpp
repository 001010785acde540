#include "project/PropertyDoc.h"

#include <filesystem>
#include <system_error>

#include "app/ApplicationSettings.h"

namespace docvane {

void PropertyDoc::TakeDefaultsFrom(const ApplicationSettings& s) {
    clearExitDir = s.clearExitDir;
    isCombine = s.isCombine;
    hasMenu = s.hasMenu;
    isNumbering = s.isNumbering;
    startPage = s.startPage;
    pageFrom = s.pageFrom;
    posX = s.posX;
    posY = s.posY;
    fontHeight = s.fontHeight;
    fontName = s.fontName;
    autocad.insertXrefs = s.insertXrefs;
    autocad.copyXrefs = s.copyXrefs;
    autocad.xrefDir = s.xrefDir;
    autocad.fileFormat = s.fileFormat;
    autocad.clearComments = s.clearComments;
    autocad.splitIntoLayouts = s.splitIntoLayouts;
}

std::string ChooseTempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path system = fs::temp_directory_path(ec);
    if (ec) {
        system = "/tmp";
    }
    const fs::path base = system / "DV";
    if (!fs::exists(base, ec)) {
        return (base / "0").string();
    }
    std::size_t n = 0;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        ++n;
    }
    while (fs::exists(base / std::to_string(n), ec)) {
        ++n;
    }
    return (base / std::to_string(n)).string();
}

}  // namespace docvane
