#include "output/DocumentStatus.h"

#include "base/PathUtils.h"
#include "output/OutputPaths.h"
#include "output/PublishDigest.h"
#include "project/DocvaneDoc.h"

namespace docvane {

namespace {
int Set(PathDoc& entry, int code, const std::string& text, Colour colour) {
    entry.statusText = text;
    entry.statusColor = colour;
    return code;
}

const char* kAccessDenied = "Отсутствует доступ к опубликованному файлу: ";
const char* kSourceChanged = "Исходный файл изменен, требуется перепубликация: ";
const char* kPublishedMissing = "Опубликованный файл не найден, требуется перепубликация: ";

// The recorded parts of a file's digest, in the order their change is reported, with code and text.
struct DigestReason {
    const char* part;
    int code;
    const char* text;
};
const DigestReason kFileDigestReasons[] = {
    {kDigestFields, kStatusFieldsChanged, "Поля проекта изменены, требуется перепубликация: "},
    {kDigestScript, kStatusScriptChanged, "Пользовательский скрипт изменен, требуется перепубликация: "},
    {kDigestSettings, kStatusSettingsChanged, "Настройки публикации изменены, требуется перепубликация: "},
    {kDigestSource, kStatusSourceReplaced, "Исходный файл заменен, требуется перепубликация: "},
    {kDigestReferences, kStatusReferencesReplaced, "Внешние ссылки изменены, требуется перепубликация: "},
};
const DigestReason kCombinedDigestReasons[] = {
    {kDigestSettings, kStatusCombinedSettingsChanged,
     "Настройки общего PDF изменены, требуется перепубликация: "},
    {kDigestFiles, kStatusFileListChanged, "Состав или порядок файлов изменен, требуется перепубликация: "},
};

template <std::size_t N>
const DigestReason* ChangedReason(const PublishedDigest& recorded, const PublishedDigest& current,
                                  const DigestReason (&reasons)[N]) {
    for (const DigestReason& reason : reasons) {
        if (ChangedPart(recorded, current, {reason.part}) != nullptr) {
            return &reason;
        }
    }
    return nullptr;
}

// A result made from other inputs is to be replaced: one held open elsewhere makes publishing
// impossible now, as an outdated one does. 0 when every existing result can be replaced.
int LockedResult(FileDoc& file, const std::vector<int>& sheets) {
    for (int sheet : sheets) {
        const std::string pdfOutput = PdfOutputPath(file, sheet);
        const std::string pdf = pdfOutput.empty() ? PdfTempPath(file, sheet) : pdfOutput;
        if (FileExists(pdf) && CanOpenExclusively(pdf) < 0) {
            return Set(file, kStatusPdfLocked, kAccessDenied + pdf, kColourError);
        }
        const std::string editable = EditableOutputPath(file, sheet);
        if (!editable.empty() && FileExists(editable) && CanOpenExclusively(editable) < 0) {
            return Set(file, kStatusEditableLocked, kAccessDenied + editable, kColourError);
        }
    }
    return 0;
}
}  // namespace

int ComputeStatus(FileDoc& file) {
    const std::string& source = file.fullPath;
    if (!FileExists(source)) {
        return Set(file, kStatusSourceMissing, "Исходный файл не найден: " + source, kColourMissing);
    }
    int result = kStatusUpToDate;
    const bool split =
        file.owner != nullptr && file.owner->propertyDoc.autocad.splitIntoLayouts && IsDrawingFile(source);
    if (split && file.sheetNames.empty()) {
        result = Set(file, kStatusNoSheets, "Листы не найдены, требуется перепубликация: " + source,
                     kColourNeedsPublishing);
    }
    const std::vector<int> sheets = split ? SheetIndexes(file) : std::vector<int>{-1};
    for (int sheet : sheets) {
        const std::string pdfOutput = PdfOutputPath(file, sheet);
        const std::string pdf = pdfOutput.empty() ? PdfTempPath(file, sheet) : pdfOutput;
        if (FileExists(pdf)) {
            if (IsNewer(source, pdf)) {
                if (CanOpenExclusively(pdf) < 0) {
                    return Set(file, kStatusPdfLocked, kAccessDenied + pdf, kColourError);
                }
                result = Set(file, kStatusPdfOlder, kSourceChanged + pdfOutput, kColourNeedsPublishing);
            }
        } else {
            result = Set(file, kStatusPdfMissing, kPublishedMissing + pdfOutput, kColourNeedsPublishing);
        }
        const std::string editable = EditableOutputPath(file, sheet);
        if (editable.empty()) {
            continue;
        }
        if (!FileExists(editable)) {
            if (result != kStatusUpToDate) {
                return result;
            }
            return Set(file, kStatusEditableMissing, kPublishedMissing + editable, kColourNeedsPublishing);
        }
        if (IsNewer(source, editable)) {
            if (CanOpenExclusively(editable) < 0) {
                return Set(file, kStatusEditableLocked, kAccessDenied + editable, kColourError);
            }
            if (result != kStatusUpToDate) {
                return result;
            }
            return Set(file, kStatusEditableOlder, kSourceChanged + editable, kColourNeedsPublishing);
        }
    }
    if (result != kStatusUpToDate) {
        return result;
    }
    const bool hasEditDir = file.owner != nullptr && !file.owner->editDir.fullPath.empty();
    if (hasEditDir) {
        for (const auto& ref : file.xrefsBefore) {
            for (int sheet : sheets) {
                if (FileExists(ref.fullPath) && IsNewer(ref.fullPath, EditableOutputPath(file, sheet))) {
                    return Set(file, kStatusReferenceNewer,
                               "Внешняя ссылка изменена, требуется перепубликация: " + ref.fullPath,
                               kColourNeedsPublishing);
                }
            }
        }
    }
    if (!file.publishedFrom.empty()) {
        if (const DigestReason* reason =
                ChangedReason(file.publishedFrom, CurrentDigest(file), kFileDigestReasons)) {
            if (const int locked = LockedResult(file, sheets); locked < 0) {
                return locked;
            }
            return Set(file, reason->code, reason->text + source, kColourNeedsPublishing);
        }
    }
    return Set(file, kStatusUpToDate, "Файл не нуждается в публикации: " + source, kColourUpToDate);
}

int ComputeProjectStatus(CDocvaneDoc& project) {
    PathDoc& combined = project.pdfFile;
    int summary = 0;
    for (auto& file : project.fileDocs) {
        const int code = ComputeStatus(*file);
        if (code < 0) {
            summary = Set(combined, code, "Публикация невозможна", kColourError);
        } else if (code > 0 && summary >= 0) {
            summary =
                Set(combined, code, "Файлы изменились, требуется перепубликация", kColourNeedsPublishing);
        }
    }
    if (FileExists(combined.fullPath)) {
        if (CanOpenExclusively(combined.fullPath) < 0) {
            return Set(combined, kStatusPdfLocked, kAccessDenied + combined.fullPath, kColourError);
        }
        if (summary != 0) {
            return summary;
        }
        if (!project.pdfFilePublishedFrom.empty()) {
            if (const DigestReason* reason = ChangedReason(
                    project.pdfFilePublishedFrom, CurrentCombinedDigest(project), kCombinedDigestReasons)) {
                return Set(combined, reason->code, reason->text + combined.fullPath, kColourNeedsPublishing);
            }
        }
        return Set(combined, 0, "Файл не нуждается в публикации: " + combined.fullPath, kColourUpToDate);
    }
    Set(combined, 0, "Опубликованный файл отсутствует: " + combined.fullPath, kColourNeedsPublishing);
    return summary < 0 ? summary : kStatusCombinedMissing;
}

}  // namespace docvane
