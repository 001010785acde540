#include "desktop/FileFailures.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace docvane {

std::string ReadFailureReason(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        return "Файл не найден.";
    }
    if (std::filesystem::is_directory(status)) {
        return "Это папка, а не файл.";
    }
    if (::access(path.c_str(), R_OK) != 0) {
        return "Нет прав на чтение файла.";
    }
    return "Файл не удается прочитать.";
}

std::string WriteFailureReason(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        return "Папка не найдена.";
    }
    if (std::filesystem::is_directory(file, ec)) {
        return "Это папка, а не файл.";
    }
    const bool exists = std::filesystem::exists(file, ec);
    if ((exists && ::access(path.c_str(), W_OK) != 0) ||
        (!folder.empty() && ::access(folder.c_str(), W_OK | X_OK) != 0)) {
        return "Нет прав на запись.";
    }
    return "Файл не удается записать.";
}

}  // namespace docvane
