#include "publish/FileOperations.h"

#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <system_error>

#include "project/DocvaneDoc.h"
#include "publish/Log.h"
#include "publish/OutputPaths.h"
#include "publish/ProtectedPaths.h"
#include "publish/paths/PathUtils.h"

namespace fs = std::filesystem;

namespace docvane {

int EnsureDirectory(const std::string& folder) {
    const std::string longForm = ToLongPath(folder);
    if (FileExists(longForm)) {
        return 0;
    }
    std::error_code ec;
    if (!fs::create_directories(fs::path(longForm), ec) || ec) {
        return FileExists(longForm) && fs::is_directory(longForm, ec) ? 0 : kFolderNotCreated;
    }
    return 0;
}

namespace {
bool ModificationTime(const std::string& path, struct timespec& time) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    time = st.st_mtim;
    return true;
}

bool NotOlder(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec >= b.tv_nsec;
}
}  // namespace

int PlaceFile(const std::string& source, const std::string& target) {
    const std::string from = ToLongPath(source);
    const std::string to = ToLongPath(target);
    struct timespec sourceTime {};
    if (!ModificationTime(from, sourceTime)) {
        return kSourceMissing;
    }
    std::error_code ec;
    if (FileExists(to)) {
        // Placing a file onto itself: it already is the result.
        if (fs::equivalent(from, to, ec)) {
            return kPlaceOk;
        }
        struct timespec targetTime {};
        if (ModificationTime(to, targetTime) && NotOlder(targetTime, sourceTime)) {
            return kPlaceOk;
        }
        if (RemovePath(to) != 0) {
            return kOldFileNotRemoved;
        }
    }
    const fs::path parent = fs::path(to).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        fs::create_directories(parent, ec);
        if (ec || !fs::is_directory(parent, ec)) {
            return kFolderNotCreated;
        }
    }
    if (!fs::copy_file(from, to, fs::copy_options::none, ec) || ec) {
        return kCopyFailed;
    }
    return kPlaceOk;
}

namespace {
// PlaceFile that never replaces a protected file other than own (the file whose result or copy is
// placed: placing it onto itself is no change).
int PlaceGuarded(const ProtectedPaths* guard, const std::string& own, const std::string& source,
                 const std::string& target) {
    const std::string comparable = ComparablePath(target);
    if (comparable == ComparablePath(own)) {
        return kPlaceOk;
    }
    if (guard != nullptr && guard->ProtectsComparable(comparable)) {
        return kOldFileNotRemoved;
    }
    return PlaceFile(source, target);
}
}  // namespace

int PlaceOutput(const FileDoc& file, const std::string& source, const std::string& target) {
    const auto guard = file.owner != nullptr ? ProtectedPathsOf(*file.owner) : nullptr;
    return PlaceGuarded(guard.get(), file.fullPath, source, target);
}

bool PlacePublishedFile(const FileDoc& file, const std::string& source, const std::string& target) {
    if (target.empty()) {
        return true;
    }
    switch (PlaceOutput(file, source, target)) {
        case kPlaceOk:
            return true;
        case kSourceMissing:
            LogError("Временный файл не найден: " + source);
            return false;
        case kOldFileNotRemoved:
            LogError("Невозможно удалить старый файл: " + target);
            return false;
        case kFolderNotCreated:
            LogError("Невозможно создать директорию для файла: " + target);
            return false;
        case kCopyFailed:
            LogError("Невозможно скопировать временный файл в: " + target);
            return false;
        default:
            return false;
    }
}

void CopyReferences(const CDocvaneDoc& project) {
    LogInfo("Копирование внешних ссылок в: " + project.editDir.fullPath + "/" +
            project.propertyDoc.autocad.xrefDir);
    const auto guard = ProtectedPathsOf(project);
    std::set<std::string> earlierFiles;
    for (const auto& file : project.fileDocs) {
        std::set<std::string> thisFile;
        for (const auto& ref : file->xrefsAfter) {
            if (earlierFiles.count(ref.fullPath) != 0) {
                continue;
            }
            thisFile.insert(ref.fullPath);
            LogInfo("Копирую внешнюю ссылку: " + ref.fullPath);
            const std::string target = ReferenceTargetPath(ref);
            // The user's own references (and every other file of the project) are never replaced by
            // a newer reference of the same name from another drawing.
            switch (PlaceGuarded(guard.get(), ref.fullPath, ref.fullPath, target)) {
                case kSourceMissing:
                    LogWarning("Внешняя ссылка не найдена: " + ref.fullPath);
                    break;
                case kOldFileNotRemoved:
                    LogWarning("Не могу скопировать внешнюю ссылку. Файл используется: " + target);
                    break;
                case kFolderNotCreated:
                    LogWarning("Невозможно создать директорию для файла: " + target);
                    break;
                case kCopyFailed:
                    LogWarning("Невозможно скопировать внешнюю ссылкул в: " + target);
                    break;
                default:
                    break;
            }
        }
        earlierFiles.insert(thisFile.begin(), thisFile.end());
    }
}

namespace {
// Entries of a folder (full paths); nothing when it does not exist or cannot be listed.
std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> entries;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(ToLongPath(folder)), ec), end; !ec && it != end;
         it.increment(ec)) {
        entries.push_back(LongName(JoinPath(folder, it->path().filename().string())));
    }
    return entries;
}

// True when entry is a folder on the way to path (the combined PDF is rebuilt after cleaning, and
// removing its folder would make that fail).
bool LeadsTo(const std::string& entry, const std::string& path) {
    const std::string folder = ComparablePath(entry);
    return !path.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

void CleanFolder(const std::string& folder, const std::set<std::string>& keep, const ProtectedPaths& guard,
                 const std::string& combinedPdf) {
    for (const auto& entry : FolderEntries(folder)) {
        if (keep.count(entry) != 0 || guard.Protects(entry) || LeadsTo(entry, combinedPdf)) {
            continue;
        }
        if (RemovePath(entry) != 0) {
            LogWarning("Не могу удалить файл: " + entry);
        }
    }
}
}  // namespace

void CleanOutputFolders(const CDocvaneDoc& project) {
    const std::string& pdfDir = project.pdfDir.fullPath;
    const std::string& editDir = project.editDir.fullPath;
    std::set<std::string> pdfKeep;
    std::set<std::string> editKeep;
    editKeep.insert(editDir + "/" + project.propertyDoc.autocad.xrefDir);
    for (const auto& file : project.fileDocs) {
        for (int sheet : SheetIndexes(*file)) {
            pdfKeep.insert(PdfOutputPath(*file, sheet));
            editKeep.insert(EditableOutputPath(*file, sheet));
        }
    }
    // One folder for both kinds: each pass must keep the other kind's results too.
    if (!pdfDir.empty() && ComparablePath(pdfDir) == ComparablePath(editDir)) {
        pdfKeep.insert(editKeep.begin(), editKeep.end());
        editKeep = pdfKeep;
    }
    const auto guard = ProtectedPathsOf(project);
    const std::string combinedPdf = ComparablePath(project.pdfFile.fullPath);
    if (!pdfDir.empty()) {
        LogInfo("Очистка временных и лишних файлов в PDF папке: " + pdfDir);
        CleanFolder(pdfDir, pdfKeep, *guard, combinedPdf);
    }
    if (!editDir.empty()) {
        LogInfo("Очистка временных и лишних файлов в папке с ред. форматом: " + editDir);
        CleanFolder(editDir, editKeep, *guard, combinedPdf);
    }
}

void RemovePublishedFiles(const FileDoc& file) {
    std::vector<int> sheets{-1};
    for (std::size_t i = 0; i < file.sheetNames.size(); ++i) {
        sheets.push_back(static_cast<int>(i));
    }
    if (file.owner == nullptr) {
        return;  // a free-standing entry has no output paths
    }
    const auto guard = ProtectedPathsOf(*file.owner);
    for (int sheet : sheets) {
        for (const std::string& path : {EditableOutputPath(file, sheet), PdfOutputPath(file, sheet),
                                        PdfTempPath(file, sheet), EditableTempPath(file, sheet)}) {
            if (!path.empty() && !guard->Protects(path)) {
                RemovePath(path);
            }
        }
    }
}

}  // namespace docvane
