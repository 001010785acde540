#include "desktop/FileIcons.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace docvane {

std::vector<std::string> MimeIconNames(const std::string& mime, const std::string& genericIcons) {
    std::vector<std::string> names;
    const std::size_t slash = mime.find('/');
    if (mime.empty() || slash == std::string::npos || slash == 0) {
        return names;
    }
    std::string own = mime;
    own[slash] = '-';
    names.push_back(own);
    std::istringstream lines(genericIcons);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > mime.size() && line.compare(0, mime.size(), mime) == 0 &&
            line[mime.size()] == ':') {
            std::string generic = line.substr(mime.size() + 1);
            while (!generic.empty() && (generic.back() == '\r' || generic.back() == ' ')) {
                generic.pop_back();
            }
            if (!generic.empty()) {
                names.push_back(generic);
            }
            break;
        }
    }
    names.push_back(mime.substr(0, slash) + "-x-generic");
    return names;
}

std::string ReadGenericIcons() {
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs != nullptr && *dirs != '\0' ? dirs : "/usr/local/share:/usr/share";
    std::string text;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = list.find(':', start);
        const std::string dir =
            list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && dir[0] == '/') {
            std::ifstream in(dir + "/mime/generic-icons");
            if (in) {
                std::ostringstream content;
                content << in.rdbuf();
                text += content.str();
                text += '\n';
            }
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return text;
}

std::optional<FileBadge> FileBadgeFor(const std::string& extension) {
    std::string lower = extension;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // A colour per type, so that rows tell the types apart at a glance where the letters are small.
    static const struct {
        const char* extension;
        FileBadge badge;
    } badges[] = {
        {".pdf", {"PDF", 0xD32F2F}}, {".dwg", {"DWG", 0xE08A00}},   {".dxf", {"DXF", 0x2E7D32}},
        {".doc", {"DOC", 0x1A3F8F}}, {".docx", {"DOCX", 0x2B7CD3}}, {".docm", {"DOCM", 0x6A3FB5}},
    };
    for (const auto& entry : badges) {
        if (lower == entry.extension) {
            return entry.badge;
        }
    }
    return std::nullopt;
}

std::vector<std::string> ThemeIconNamesFor(const std::string& extension, const std::string& mime,
                                           const std::string& genericIcons) {
    std::vector<std::string> names = MimeIconNames(mime, genericIcons);
    if (FileBadgeFor(extension).has_value() && names.size() > 1) {
        names.resize(1);
    }
    return names;
}

}  // namespace docvane
