#pragma once

namespace tinyxml2 {
class XMLDocument;
}

namespace docvane {

class CDocvaneDoc;

// Maps a project of the earlier generation (root "DocElements") onto the project. False only when that
// root is absent; everything it does not recognise is skipped silently. The project is not marked
// modified.
bool ImportLegacyProject(CDocvaneDoc& project, const tinyxml2::XMLDocument& xml);

}  // namespace docvane
