#include "desktop/PropertiesRows.h"

#include "base/PathUtils.h"
#include "project/FileDoc.h"

namespace docvane {

std::vector<PropertyGroup> PropertyGroupsFor(const PathDoc* pdf, const FileDoc* file) {
    const PathDoc* shown = file != nullptr ? static_cast<const PathDoc*>(file) : pdf;
    const std::string path = shown != nullptr ? shown->fullPath : std::string();

    std::vector<PropertyGroup> groups;
    groups.push_back(PropertyGroup{"Свойства файла",
                                   {{"Имя файла", path.empty() ? "" : FileName(path)},
                                    {"Расширение файла", path.empty() ? "" : LowerExtension(path)}}});
    if (file != nullptr && IsDrawingFile(file->fullPath)) {
        if (!file->xrefsBefore.empty()) {
            PropertyGroup references{"Внешние ссылки", {}};
            for (const XrefFile& ref : file->xrefsBefore) {
                references.rows.push_back({FileName(ref.fullPath), ref.fullPath});
            }
            groups.push_back(std::move(references));
        }
        if (!file->sheetNames.empty()) {
            PropertyGroup sheets{"Листы", {}};
            for (std::size_t i = 0; i < file->sheetNames.size(); ++i) {
                sheets.rows.push_back({std::to_string(i + 1), file->sheetNames[i]});
            }
            groups.push_back(std::move(sheets));
        }
    }
    groups.push_back(PropertyGroup{"Информация", {{"Сообщение", shown != nullptr ? shown->statusText : ""}}});
    return groups;
}

}  // namespace docvane
