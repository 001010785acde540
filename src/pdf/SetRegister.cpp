#include "pdf/SetRegister.h"

#include <cmath>
#include <utility>

#include "pdf/PageGeometry.h"

namespace docvane {

namespace {

struct IsoSize {
    const char* name;
    double shortMm;
    double longMm;
};

constexpr IsoSize kIsoSizes[] = {
    {"А0", 841, 1189}, {"А1", 594, 841}, {"А2", 420, 594},
    {"А3", 297, 420},  {"А4", 210, 297}, {"А5", 148, 210},
};

// Programs round a sheet's size to whole points or to a tenth of a millimetre differently.
constexpr double kToleranceMm = 2.0;

std::string CsvField(const std::string& text) {
    if (text.find_first_of(";\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

}  // namespace

std::string FormatName(double widthPt, double heightPt) {
    double a = std::abs(widthPt) / kMmToPt;
    double b = std::abs(heightPt) / kMmToPt;
    if (a > b) {
        std::swap(a, b);
    }
    for (const IsoSize& size : kIsoSizes) {
        if (std::abs(a - size.shortMm) <= kToleranceMm && std::abs(b - size.longMm) <= kToleranceMm) {
            return size.name;
        }
    }
    const auto whole = [](double mm) {
        return std::isfinite(mm) && mm < 1e9 ? std::to_string(std::lround(mm)) : std::string("?");
    };
    return whole(a) + "×" + whole(b) + " мм";
}

std::string FormatList(const std::vector<std::string>& names) {
    std::vector<std::pair<std::string, int>> counts;
    for (const std::string& name : names) {
        bool found = false;
        for (auto& [known, count] : counts) {
            if (known == name) {
                ++count;
                found = true;
                break;
            }
        }
        if (!found) {
            counts.emplace_back(name, 1);
        }
    }
    std::string list;
    for (const auto& [name, count] : counts) {
        if (!list.empty()) {
            list += ", ";
        }
        list += name;
        if (count > 1) {
            list += "×" + std::to_string(count);
        }
    }
    return list;
}

std::string PageRange(long first, long last) {
    return first == last ? std::to_string(first) : std::to_string(first) + "–" + std::to_string(last);
}

std::string RegisterCsv(const std::vector<RegisterRow>& rows) {
    std::string csv = "\xEF\xBB\xBF№;Файл;Лист;Страницы;Форматы;Форматов А4\r\n";
    std::size_t number = 0;
    for (const RegisterRow& row : rows) {
        csv += std::to_string(++number) + ';' + CsvField(row.file) + ';' + CsvField(row.sheet) + ';' +
               CsvField(row.pages) + ';' + CsvField(row.formats) + ';' + std::to_string(row.a4) + "\r\n";
    }
    return csv;
}

std::string RegisterPath(const std::string& combinedPath) {
    const std::size_t slash = combinedPath.rfind('/');
    const std::size_t dot = combinedPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? combinedPath.substr(0, dot) : combinedPath) + ".csv";
}

}  // namespace docvane
