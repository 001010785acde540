// Feeds arbitrary bytes to the project reader and the legacy importer, then writes and rereads the
// result: nothing may crash, and a written project must read back as the current format.
#include <tinyxml2.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "project/DocvaneDoc.h"
#include "project/LegacyImport.h"
#include "project/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace docvane;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto nul = bytes.find('\0');
    if (nul != std::string::npos) {
        bytes.resize(nul);
    }
    tinyxml2::XMLDocument xml(true, tinyxml2::PRESERVE_WHITESPACE);
    xml.Parse(bytes.data(), bytes.size());

    CDocvaneDoc project;
    project.propertyDoc.projectDir = "/nonexistent/docvane-fuzz/project";
    if (!xml.Error() && !ReadProjectXml(project, xml)) {
        ImportLegacyProject(project, xml);
    }
    const std::string written = WriteProjectXml(project);
    tinyxml2::XMLDocument again(true, tinyxml2::PRESERVE_WHITESPACE);
    again.Parse(written.data(), written.size() - 1);
    CDocvaneDoc reread;
    reread.propertyDoc.projectDir = project.propertyDoc.projectDir;
    if (again.Error() || !ReadProjectXml(reread, again) || reread.FileCount() != project.FileCount() ||
        reread.fieldDocs.size() != project.fieldDocs.size()) {
        std::abort();  // a project we wrote must read back with the same files and fields
    }
    return 0;
}
