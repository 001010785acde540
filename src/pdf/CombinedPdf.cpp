#include "pdf/CombinedPdf.h"

#include <podofo/podofo.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "base/PathUtils.h"
#include "base/TempFolders.h"
#include "output/OutputPaths.h"
#include "output/OutputSafety.h"
#include "output/ProtectedPaths.h"
#include "pdf/CombinedDocument.h"
#include "pdf/CombinedPdfSummary.h"
#include "pdf/CombinedPdfTexts.h"
#include "pdf/Comments.h"
#include "pdf/ContentsLinks.h"
#include "pdf/FontLookup.h"
#include "pdf/OutlineMenu.h"
#include "pdf/PageLabels.h"
#include "pdf/PageNumbering.h"
#include "pdf/PdfA.h"
#include "pdf/PdfLibrary.h"
#include "pdf/PublishedPdf.h"
#include "pdf/PublishedPdfReadAhead.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"
#include "run/PublishState.h"

namespace docvane {

using namespace PoDoFo;

namespace {

bool Running() {
    return GetPublishState().running.load();
}

bool ExistingFile(const std::string& path) {
    return IsAbsolutePath(path) && FileExists(path);
}

// Whether the old combined PDF may be replaced: a folder at that path, the project file, a source or a
// reference of the project, a file that is not a PDF (a mistyped path must not cost the user their
// documents), and a file another program holds are never replaced.
bool MayReplace(const CDocvaneDoc& project, const ProtectedPaths* guard, const std::string& path) {
    return !ProtectedPathsOf(project, guard)->Protects(path) && !IsLockedByOther(ToLongPath(path));
}

// Writes the document into a part file beside path and renames it over path once it is complete, so
// that a failure on the way (a full disk, a cancel, a damaged part) leaves the old combined PDF as it
// was. On failure logs the save error line and returns false.
bool WriteCombined(CombinedDocument& combined, const std::string& path) {
    std::string part;
    const int fd = CreatePartFile(ToLongPath(path), part);
    if (fd < 0) {
        LogError(pdftext::kCannotSaveLine + std::string(std::strerror(errno)));
        return false;
    }
    // The duplicate keeps the part locked (not abandoned) until it has its name.
    const int held = ::dup(fd);
    bool written = false;
    try {
        combined.Write(fd);
        written = true;
    } catch (const PdfError& error) {
        LogError(pdftext::kCannotSaveLine + LibraryMessage(error));
    } catch (...) {
        LogError(pdftext::kCannotSaveBare);
    }
    if (written && ::rename(part.c_str(), ToLongPath(path).c_str()) != 0) {
        LogError(pdftext::kCannotSaveLine + std::string(std::strerror(errno)));
        written = false;
    }
    if (!written) {
        ::unlink(part.c_str());
    }
    if (held >= 0) {
        ::close(held);
    }
    return written;
}

// Loads one published PDF, prepares it and appends it. Returns its page count, or -1 after logging
// the error line.
int AppendPublishedPdf(CombinedDocument& combined, const CDocvaneDoc& project, PublishedPdfReadAhead& reader,
                       std::size_t index, const std::string& pdfName, RegisterRow& row, PdfAState& pdfA) {
    try {
        const std::unique_ptr<PublishedPdf> part = reader.Take(index);
        if (part->Repaired()) {
            LogWarning(pdftext::kRepairedLine + pdfName);
            row.warnings.push_back(pdftext::kRepairedLine + pdfName);
        }
        PrepareForPdfA(*part, pdfName, pdfA, row.warnings);
        if (part->Document().GetPdfVersion() > combined.Document().GetPdfVersion()) {
            combined.Document().SetPdfVersion(part->Document().GetPdfVersion());
        }
        const std::string title = pdfName.substr(0, pdfName.size() >= 4 ? pdfName.size() - 4 : 0);
        if (project.propertyDoc.hasMenu) {
            AddMenuItem(*part, title);
        } else {
            ClearOutline(*part);
        }
        if (project.propertyDoc.autocad.clearComments) {
            RemoveComments(*part);
        }
        combined.Append(*part, title);
        return part->PageCount();
    } catch (const PdfError& error) {
        LogError(pdftext::kCannotAddOpening + LibraryMessage(error) + ") " + pdfName);
    } catch (const std::exception& error) {
        // Damage that repair could not mend, or a failure outside the library: still with its reason.
        LogError(pdftext::kCannotAddOpening + std::string(error.what()) + ") " + pdfName);
    } catch (...) {
        LogError(pdftext::kCannotAddLine + pdfName);
    }
    return -1;
}

}  // namespace

std::string ResolvePublishedPdf(const FileDoc& file, int sheet) {
    // A ready PDF is its own published PDF: a temporary file of the same name belongs to another file
    // of the project (a drawing "X.dxf" beside a ready "X.pdf").
    if (IsPdfFile(file.fullPath) && ExistingFile(ToLongPath(file.fullPath))) {
        return ToLongPath(file.fullPath);
    }
    const std::string temporary = ToLongPath(PdfTempPath(file, sheet));
    if (ExistingFile(temporary)) {
        return temporary;
    }
    const std::string fallback =
        ToLongPath(IsPdfFile(file.fullPath) ? file.fullPath : PdfOutputPath(file, sheet));
    return ExistingFile(fallback) ? fallback : std::string();
}

bool BuildCombinedPdf(CDocvaneDoc& project, const ProtectedPaths* guard) {
    PreparePdfLibrary();
    const std::string combinedPath = project.pdfFile.fullPath;
    CombinedPdfSummary summary;
    summary.path = combinedPath;
    // Whoever reports on the run hears of every ending of the stage, written or not.
    struct Notify {
        const CombinedPdfSummary& summary;
        ~Notify() { NotifyCombinedPdfObserver(summary); }
    } notify{summary};
    LogInfo(pdftext::kMergingLine + combinedPath);

    std::unique_ptr<CombinedDocument> combined;
    try {
        combined = std::make_unique<CombinedDocument>();
    } catch (...) {
        LogError(pdftext::kCannotSaveBare);
        return false;
    }

    if (InspectCombinedPdfTarget(ToLongPath(combinedPath)) == CombinedPdfTarget::NotAPdf) {
        LogError(kNotAPdfLine + combinedPath);
        return false;
    }
    if (!MayReplace(project, guard, combinedPath)) {
        LogError(pdftext::kCannotDeleteLine + combinedPath);
        return false;
    }

    // fontconfig reads its whole configuration on the first lookup: the numbering font is found while
    // the parts are merged.
    std::future<std::string> numberFont;
    if (project.propertyDoc.isNumbering) {
        try {
            numberFont = std::async(std::launch::async, FindFontFile, project.propertyDoc.fontName);
        } catch (const std::system_error&) {
            // No thread to spare: the numbering pass looks the font up itself.
        }
    }

    // Every part is known before the first is read, so reading can run ahead of merging.
    struct Part {
        const FileDoc* file;
        std::string pdfName;
    };
    std::vector<Part> parts;
    std::vector<std::string> paths;
    for (std::size_t fileIndex = 0; fileIndex < project.fileDocs.size(); ++fileIndex) {
        const auto& file = project.fileDocs[fileIndex];
        for (const int sheet : SheetIndexes(*file)) {
            parts.push_back({file.get(), PdfName(*file, sheet)});
            paths.push_back(ResolvePublishedPdf(*file, sheet));
            RegisterRow row;
            row.fileIndex = fileIndex;
            row.file = FileName(file->fullPath);
            if (sheet >= 0 && static_cast<std::size_t>(sheet) < file->sheetNames.size()) {
                row.sheet = file->sheetNames[static_cast<std::size_t>(sheet)];
            }
            summary.rows.push_back(std::move(row));
        }
    }
    PublishedPdfReadAhead reader(paths);

    PdfAState pdfA{project.propertyDoc.pdfA};
    std::vector<int> pageCounts;
    long long totalPages = 0;
    const FileDoc* previous = nullptr;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        if (parts[index].file != previous && !Running()) {
            return false;
        }
        previous = parts[index].file;
        if (paths[index].empty()) {
            LogError(pdftext::kMissingPublishedLine + parts[index].pdfName);
            return false;
        }
        summary.rows[index].firstPage = static_cast<int>(totalPages);
        const int pages = AppendPublishedPdf(*combined, project, reader, index, parts[index].pdfName,
                                             summary.rows[index], pdfA);
        if (pages < 0) {
            return false;
        }
        summary.rows[index].pageCount = pages;
        pageCounts.push_back(pages);
        totalPages += pages;
    }
    if (!Running()) {
        return false;
    }
    // Every part conformed: page numbers in grey, as PDF/A's output intent wants.
    combined->SetPdfA(pdfA.on);

    std::optional<std::string> numberFontFile;
    if (numberFont.valid()) {
        try {
            numberFontFile = numberFont.get();
        } catch (...) {
            // Looked up again by the numbering pass, which reports what fails.
        }
    }
    const long a4Count = ProcessCombinedPages(*combined, project, numberFontFile);
    if (a4Count < 0) {
        return false;
    }
    try {
        WritePageLabels(combined->Document(), PageLabelRanges(combined->PageCount(), project.propertyDoc));
        MeasureRegisterRows(*combined, project.propertyDoc, summary.rows);
    } catch (const PdfError& error) {
        LogError(pdftext::kCannotNumberLine + LibraryMessage(error));
        return false;
    }
    if (!Running()) {
        return false;
    }

    if (project.propertyDoc.hasMenu) {
        if (!AddContentsLinks(*combined, project, pageCounts)) {
            return false;
        }
        if (!Running()) {
            return false;
        }
    }

    if (pdfA.on) {
        combined->SetPdfA(false);
        std::string reason;
        bool finished = false;
        try {
            const std::string name = FileName(combinedPath);
            finished = FinishPdfA(*combined, name.substr(0, name.rfind('.')), reason);
        } catch (const PdfError& error) {
            reason = LibraryMessage(error);
        }
        if (finished) {
            summary.pdfA = true;
        } else {
            LogWarning(kNotPdfALine + reason + "): " + FileName(combinedPath));
            summary.warnings.push_back(kNotPdfALine + reason + "): " + FileName(combinedPath));
        }
    }
    LogInfo(pdftext::kSavingLine + combinedPath);
    if (!WriteCombined(*combined, combinedPath)) {
        return false;
    }
    LogInfo(pdftext::kTotalPagesLine + std::to_string(totalPages));
    LogInfo(pdftext::kA4CountLine + std::to_string(a4Count));
    summary.written = true;
    summary.pages = totalPages;
    summary.a4 = a4Count;
    WriteSetRegister(project, summary, guard);
    return true;
}

}  // namespace docvane
