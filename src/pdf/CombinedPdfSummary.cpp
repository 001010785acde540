#include "pdf/CombinedPdfSummary.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/PathUtils.h"
#include "output/ProtectedPaths.h"
#include "pdf/CombinedDocument.h"
#include "pdf/PageGeometry.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"

namespace docvane {

namespace {

std::mutex g_observerMutex;
std::function<void(const CombinedPdfSummary&)>& Observer() {
    static std::function<void(const CombinedPdfSummary&)> observer;
    return observer;
}

constexpr const char* kRegisterHeader = "\xEF\xBB\xBF№;Файл;Лист;";
constexpr const char* kCannotWriteRegisterLine = "Не могу записать реестр комплекта: ";
constexpr const char* kForeignRegisterLine = "Реестр комплекта не записан, файл с этим именем не реестр: ";

bool SameFile(const std::string& a, const std::string& b) {
    return ComparablePath(a) == ComparablePath(b);
}

}  // namespace

void SetCombinedPdfObserver(std::function<void(const CombinedPdfSummary&)> observer) {
    std::lock_guard<std::mutex> lock(g_observerMutex);
    Observer() = std::move(observer);
}

void NotifyCombinedPdfObserver(const CombinedPdfSummary& summary) {
    std::function<void(const CombinedPdfSummary&)> observer;
    {
        std::lock_guard<std::mutex> lock(g_observerMutex);
        observer = Observer();
    }
    if (observer) {
        observer(summary);
    }
}

void MeasureRegisterRows(CombinedDocument& combined, const PropertyDoc& settings,
                         std::vector<RegisterRow>& rows) {
    for (RegisterRow& row : rows) {
        std::vector<std::string> names;
        row.a4 = 0;
        long first = 0;
        long last = 0;
        bool numbered = false;
        for (int i = row.firstPage; i < row.firstPage + row.pageCount && i < combined.PageCount(); ++i) {
            const PageBox media = MediaBoxOf(combined.Page(i));
            row.a4 += A4Formats(media.width, media.height);
            names.push_back(FormatName(media.width, media.height));
            long number = i + 1;
            if (settings.isNumbering) {
                if (i < static_cast<long>(settings.pageFrom) - 1) {
                    continue;
                }
                number = static_cast<long>(i) + 1 + settings.startPage - settings.pageFrom;
            }
            if (!numbered) {
                first = number;
                numbered = true;
            }
            last = number;
        }
        row.formats = FormatList(names);
        row.pageFormats = std::move(names);
        row.pages = numbered ? PageRange(first, last) : std::string();
    }
}

bool IsOurRegister(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(ToLongPath(path), error);
    if (error || !std::filesystem::exists(status)) {
        return true;
    }
    if (!std::filesystem::is_regular_file(status)) {
        return false;
    }
    std::string bytes;
    if (!ReadWholeFile(ToLongPath(path), bytes)) {
        return false;
    }
    return bytes.rfind(kRegisterHeader, 0) == 0;
}

bool WriteSetRegister(const CDocvaneDoc& project, CombinedPdfSummary& summary, const ProtectedPaths* guard) {
    const std::string path = RegisterPath(summary.path);
    if (SameFile(path, summary.path)) {
        return false;  // a combined PDF named ".csv": the register would replace it
    }
    if (!IsOurRegister(path) || ProtectedPathsOf(project, guard)->Protects(path)) {
        LogWarning(kForeignRegisterLine + path);
        summary.warnings.push_back(kForeignRegisterLine + path);
        return false;
    }
    std::string error;
    if (!WriteFileAtomically(ToLongPath(path), RegisterCsv(summary.rows), &error)) {
        const std::string line = kCannotWriteRegisterLine + path + (error.empty() ? "" : " (" + error + ")");
        LogWarning(line);
        summary.warnings.push_back(line);
        return false;
    }
    summary.registerPath = path;
    return true;
}

}  // namespace docvane
