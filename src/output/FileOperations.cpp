#include "output/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <system_error>

#include "base/PathUtils.h"
#include "base/TempFolders.h"
#include "output/OutputPaths.h"
#include "output/OutputRecord.h"
#include "output/OutputSafety.h"
#include "output/ProtectedPaths.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"

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

namespace {
// Copies from into the open part file fd; false with errno set when a read or write fails.
bool CopyInto(const std::string& from, int fd) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0) {
        return false;
    }
    constexpr std::size_t kChunk = 1 << 20;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer.get(), kChunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        std::size_t done = 0;
        while (ok && done < static_cast<std::size_t>(got)) {
            const ssize_t written = ::write(fd, buffer.get() + done, static_cast<std::size_t>(got) - done);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                if (written == 0) {
                    errno = ENOSPC;
                }
                ok = false;
                break;
            }
            done += static_cast<std::size_t>(written);
        }
        if (!ok) {
            break;
        }
    }
    const int saved = errno;
    ::close(in);
    errno = saved;
    return ok;
}

thread_local int t_lastPlaceError = 0;

// PlaceFile that tells whether it wrote the target.
int PlaceFileWriting(const std::string& source, const std::string& target, PlaceWhen when, bool& written) {
    written = false;
    t_lastPlaceError = 0;
    const std::string from = ToLongPath(source);
    const std::string to = ToLongPath(target);
    struct timespec sourceTime {};
    if (!ModificationTime(from, sourceTime)) {
        return kSourceMissing;
    }
    std::error_code ec;
    struct stat targetInfo {};
    if (::lstat(to.c_str(), &targetInfo) == 0) {
        // Placing a file onto itself: it already is the result.
        if (fs::equivalent(from, to, ec)) {
            return kPlaceOk;
        }
        struct timespec targetTime {};
        if (when == PlaceWhen::TargetOlder && ModificationTime(to, targetTime) &&
            NotOlder(targetTime, sourceTime)) {
            return kPlaceOk;
        }
        // A folder of that name is nobody's old result, and a file in use stays as it is.
        if (S_ISDIR(targetInfo.st_mode) || IsLockedByOther(to)) {
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
    // The copy is made complete beside the target and only then renamed over it: a full disk or a
    // killed run never leaves a truncated file that looks like a result, and the old one stays.
    std::string part;
    const int fd = CreatePartFile(to, part);
    if (fd < 0) {
        t_lastPlaceError = errno;
        return kCopyFailed;
    }
    // The duplicate keeps the part locked (being written, not abandoned) until it has its name.
    const int held = ::dup(fd);
    bool ok = CopyInto(from, fd);
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(part.c_str(), to.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(part.c_str());
    }
    if (held >= 0) {
        ::close(held);
    }
    if (!ok) {
        t_lastPlaceError = error;
        return kCopyFailed;
    }
    written = true;
    return kPlaceOk;
}

// Why the last copy on this thread failed, in the user's words; empty when nothing is known.
std::string LastPlaceFailure() {
    switch (t_lastPlaceError) {
        case 0:
            return {};
        case ENOSPC:
            return "нет места на диске";
        case EDQUOT:
            return "превышена дисковая квота";
        case EACCES:
        case EPERM:
            return "нет доступа";
        case EROFS:
            return "диск только для чтения";
        case EIO:
            return "ошибка ввода-вывода";
        default:
            return std::strerror(t_lastPlaceError);
    }
}
}  // namespace

int PlaceFile(const std::string& source, const std::string& target) {
    bool written = false;
    return PlaceFileWriting(source, target, PlaceWhen::TargetOlder, written);
}

namespace {
// PlaceFile that never replaces a protected file other than own (the file whose result or copy is
// placed: placing it onto itself is no change).
// A placed file is recorded as the project's own output when project is given.
int PlaceGuarded(const ProtectedPaths* guard, const CDocvaneDoc* project, const std::string& own,
                 const std::string& source, const std::string& target,
                 PlaceWhen when = PlaceWhen::TargetOlder) {
    const std::string comparable = ComparablePath(target);
    if (comparable == ComparablePath(own)) {
        return kPlaceOk;
    }
    if (guard != nullptr && guard->ProtectsComparable(comparable)) {
        return kOldFileNotRemoved;
    }
    bool written = false;
    const int code = PlaceFileWriting(source, target, when, written);
    if (written && project != nullptr) {
        RecordPlacedOutput(*project, target);
    }
    return code;
}
}  // namespace

int PlaceOutput(const FileDoc& file, const std::string& source, const std::string& target, PlaceWhen when,
                const ProtectedPaths* guard) {
    const auto paths = file.owner != nullptr ? ProtectedPathsOf(*file.owner, guard) : nullptr;
    return PlaceGuarded(paths.get(), file.owner, file.fullPath, source, target, when);
}

bool PlacePublishedFile(const FileDoc& file, const std::string& source, const std::string& target,
                        PlaceWhen when, const ProtectedPaths* guard) {
    if (target.empty()) {
        return true;
    }
    switch (PlaceOutput(file, source, target, when, guard)) {
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
        case kCopyFailed: {
            const std::string reason = LastPlaceFailure();
            LogError("Невозможно скопировать временный файл в: " + target +
                     (reason.empty() ? "" : " (" + reason + ")"));
            return false;
        }
        default:
            return false;
    }
}

void CopyReferences(const CDocvaneDoc& project, const ProtectedPaths* given) {
    LogInfo("Копирование внешних ссылок в: " + project.editDir.fullPath + "/" +
            project.propertyDoc.autocad.xrefDir);
    const auto guard = ProtectedPathsOf(project, given);
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
            switch (PlaceGuarded(guard.get(), nullptr, ref.fullPath, ref.fullPath, target)) {
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
// True when entry is a folder on the way to path (the combined PDF is rebuilt after cleaning, and
// removing its folder would make that fail).
bool LeadsTo(const std::string& entry, const std::string& path) {
    const std::string folder = ComparablePath(entry);
    return !path.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// Part files of placings that were killed on the way; nobody else makes files of that name.
void RemoveAbandonedParts(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(ToLongPath(folder)), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string path = it->path().string();
        if (IsAbandonedPartFile(path)) {
            ::unlink(path.c_str());
        }
    }
}

// Removes the results the project recorded in folder that are no longer outputs (keep), and only
// while they are exactly as placed: whatever else the folder holds is someone else's.
void CleanFolder(const CDocvaneDoc& project, const std::string& folder, const std::set<std::string>& keep,
                 const ProtectedPaths& guard, const std::string& combinedPdf) {
    if (RefusedOutputFolder(folder) != FolderRefusal::None) {
        return;
    }
    const RecordedOutputs recorded = ReadRecordedOutputs(project, folder);
    RecordedOutputs remaining;
    for (const auto& [name, output] : recorded) {
        const std::string entry = JoinPath(folder, name);
        struct stat st {};
        if (::lstat(entry.c_str(), &st) != 0 || !StillAsRecorded(entry, output)) {
            continue;  // gone, or changed since: no longer ours to remove
        }
        const std::string comparable = ComparablePath(entry);
        if (keep.count(entry) != 0 || comparable == combinedPdf || guard.ProtectsComparable(comparable) ||
            LeadsTo(entry, combinedPdf)) {
            remaining.emplace(name, output);
            continue;
        }
        if (RemovePath(entry) != 0) {
            LogWarning("Не могу удалить файл: " + entry);
            remaining.emplace(name, output);
        }
    }
    if (!recorded.empty()) {
        WriteRecordedOutputs(project, folder, remaining);  // also drops the lines of earlier placings
    }
    RemoveAbandonedParts(folder);
}
}  // namespace

void CleanOutputFolders(const CDocvaneDoc& project, const ProtectedPaths* given) {
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
    const bool sameFolder = !pdfDir.empty() && ComparablePath(pdfDir) == ComparablePath(editDir);
    if (sameFolder) {
        pdfKeep.insert(editKeep.begin(), editKeep.end());
        editKeep = pdfKeep;
    }
    const auto guard = ProtectedPathsOf(project, given);
    const std::string combinedPdf = ComparablePath(project.pdfFile.fullPath);
    if (!pdfDir.empty()) {
        LogInfo("Очистка временных и лишних файлов в PDF папке: " + pdfDir);
        CleanFolder(project, pdfDir, pdfKeep, *guard, combinedPdf);
    }
    if (!editDir.empty()) {
        LogInfo("Очистка временных и лишних файлов в папке с ред. форматом: " + editDir);
        if (!sameFolder) {
            CleanFolder(project, editDir, editKeep, *guard, combinedPdf);
        }
    }
    // A combined PDF whose writing was killed left its part file beside it.
    const std::string combinedFolder = ParentPath(project.pdfFile.fullPath);
    if (!project.pdfFile.fullPath.empty() && RefusedOutputFolder(combinedFolder) == FolderRefusal::None) {
        RemoveAbandonedParts(combinedFolder);
    }
}

void CompactOutputRecords(const CDocvaneDoc& project) {
    std::set<std::string> folders;
    for (const std::string& folder : {project.pdfDir.fullPath, project.editDir.fullPath}) {
        if (folder.empty() || !folders.insert(ComparablePath(folder)).second ||
            RefusedOutputFolder(folder) != FolderRefusal::None) {
            continue;
        }
        const RecordedOutputs recorded = ReadRecordedOutputs(project, folder);
        RecordedOutputs remaining;
        for (const auto& [name, output] : recorded) {
            if (StillAsRecorded(JoinPath(folder, name), output)) {
                remaining.emplace(name, output);
            }
        }
        if (!recorded.empty()) {
            WriteRecordedOutputs(project, folder, remaining);
        }
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
    const CDocvaneDoc& project = *file.owner;
    const auto guard = ProtectedPathsOf(project);
    // The outputs go only when the project's record lists them unchanged; the temporary copies live in
    // the project's own folder.
    std::map<std::string, RecordedOutputs> records;
    std::set<std::string> changed;
    const auto removeRecorded = [&](const std::string& path) {
        if (path.empty() || guard->Protects(path)) {
            return;
        }
        const std::string folder = ParentPath(path);
        if (RefusedOutputFolder(folder) != FolderRefusal::None) {
            return;
        }
        auto found = records.find(folder);
        if (found == records.end()) {
            found = records.emplace(folder, ReadRecordedOutputs(project, folder)).first;
        }
        RecordedOutputs& recorded = found->second;
        const auto entry = recorded.find(FileName(path));
        if (entry == recorded.end()) {
            return;
        }
        if (!StillAsRecorded(path, entry->second) || RemovePath(path) == 0) {
            recorded.erase(entry);
            changed.insert(folder);
        }
    };
    const auto removeTemporary = [&](const std::string& path) {
        if (!path.empty() && !project.propertyDoc.tempDir.empty() && !guard->Protects(path)) {
            RemovePath(path);
        }
    };
    for (int sheet : sheets) {
        removeRecorded(EditableOutputPath(file, sheet));
        removeRecorded(PdfOutputPath(file, sheet));
        removeTemporary(PdfTempPath(file, sheet));
        removeTemporary(EditableTempPath(file, sheet));
    }
    for (const auto& folder : changed) {
        WriteRecordedOutputs(project, folder, records[folder]);
    }
}

}  // namespace docvane
