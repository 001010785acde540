#pragma once
// The icon names under which the desktop's icon theme may hold a file type's icon, best first, as the
// freedesktop.org specifications name them: the MIME type's own icon, the generic icon the
// shared-mime-info database gives it, then the generic icon of its media type.
#include <string>
#include <vector>

namespace docvane {

// genericIcons: the text of shared-mime-info's "generic-icons" files ("type/subtype:icon-name" lines).
std::vector<std::string> MimeIconNames(const std::string& mime, const std::string& genericIcons);

// The "mime/generic-icons" files of $XDG_DATA_DIRS (default /usr/local/share:/usr/share), joined.
std::string ReadGenericIcons();

}  // namespace docvane
