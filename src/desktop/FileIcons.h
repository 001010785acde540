#pragma once
// The icon names under which the desktop's icon theme may hold a file type's icon, best first, as the
// freedesktop.org specifications name them: the MIME type's own icon, the generic icon the
// shared-mime-info database gives it, then the generic icon of its media type.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace docvane {

// genericIcons: the text of shared-mime-info's "generic-icons" files ("type/subtype:icon-name" lines).
std::vector<std::string> MimeIconNames(const std::string& mime, const std::string& genericIcons);

// The "mime/generic-icons" files of $XDG_DATA_DIRS (default /usr/local/share:/usr/share), joined.
std::string ReadGenericIcons();

// The program's own icon for a type it publishes, drawn when the theme has no icon of that very type:
// themes give drawings and word documents one shared icon each (Adwaita: x-office-document for .pdf,
// .doc and .docx), so the list could not tell them apart.
struct FileBadge {
    std::string letters;  // the extension as printed on the page
    std::uint32_t rgb;    // the page's colour, 0xRRGGBB
};

// extension: with its dot, in any case (".PDF", ".dwg"); nothing for the types without a badge.
std::optional<FileBadge> FileBadgeFor(const std::string& extension);

// The theme's icon names worth trying for a file: for a type with a badge only its MIME type's own
// icon (the shared generic ones are what the badge replaces), for any other type all of MimeIconNames.
std::vector<std::string> ThemeIconNamesFor(const std::string& extension, const std::string& mime,
                                           const std::string& genericIcons);

}  // namespace docvane
