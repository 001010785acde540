#include "desktop/SaveNames.h"

#include "base/PathUtils.h"

namespace docvane {

std::string WithSaveExtension(const std::string& path, const std::string& extension) {
    if (path.empty() || LowerExtension(path) == extension) {
        return path;
    }
    return path + extension;
}

std::string AskSaveName(const std::function<std::string()>& askName, const std::string& extension,
                        const std::function<bool(const std::string& path)>& confirmReplace) {
    for (;;) {
        const std::string path = WithSaveExtension(askName(), extension);
        if (path.empty() || !FileExists(path) || confirmReplace(path)) {
            return path;
        }
    }
}

std::string ReplaceQuestion(const std::string& path) {
    return "Файл \"" + path + "\" уже существует.\nЗаменить его?";
}

}  // namespace docvane
