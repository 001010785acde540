#include "desktop/FileIcons.h"

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
        if (line.size() > mime.size() && line.compare(0, mime.size(), mime) == 0 && line[mime.size()] == ':') {
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
        const std::string dir = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
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

}  // namespace docvane
