#include "desktop/UpdateCheck.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace docvane {

namespace {

constexpr const char* kUserSection = "User";
constexpr const char* kLastVersion = "lastVersion";

std::string Lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The installer is a program we are about to run: it must come over TLS with a checked certificate.
// Plain HTTP is accepted only from this machine itself (a local mirror, the tests).
bool IsAllowedInstallerUrl(const std::string& url) {
    const std::string lower = Lowered(url);
    if (lower.rfind("https://", 0) == 0) {
        return lower.size() > 8;
    }
    if (lower.rfind("http://", 0) != 0) {
        return false;
    }
    const std::string rest = lower.substr(7);
    for (const char* host : {"127.0.0.1", "localhost", "[::1]"}) {
        const std::string h(host);
        if (rest.rfind(h, 0) == 0 &&
            (rest.size() == h.size() || rest[h.size()] == ':' || rest[h.size()] == '/')) {
            return true;
        }
    }
    return false;
}

// A fresh folder only this user can enter, so nobody can swap the installer between download and start.
std::string MakeDownloadFolder(const std::string& tempRoot) {
    std::error_code ec;
    std::filesystem::create_directories(tempRoot, ec);
    std::string pattern = (std::filesystem::path(tempRoot) / "update-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        return {};
    }
    return std::string(buffer.data());
}

bool DownloadInstaller(UpdateEnvironment& env, const std::string& url, std::string& installerPath) {
    if (!IsAllowedInstallerUrl(url)) {
        return false;
    }
    const std::string folder = MakeDownloadFolder(env.tempRoot);
    if (folder.empty()) {
        return false;
    }
    installerPath = (std::filesystem::path(folder) / kInstallerFileName).string();
    const bool complete = env.source.Download(
        url, installerPath,
        [&env](std::uint64_t done, std::uint64_t total) { env.prompts.Progress(done, total); });
    env.prompts.EndProgress();
    std::error_code ec;
    if (complete && std::filesystem::is_regular_file(installerPath, ec) &&
        ::chmod(installerPath.c_str(), S_IRWXU) == 0) {
        return true;
    }
    std::filesystem::remove_all(folder, ec);
    return false;
}

}  // namespace

UpdateConfig ReadUpdateConfig(const SettingsStore& store) {
    UpdateConfig config;
    config.server = store.GetText(kUpdateSection, "server").value_or("");
    config.installer = store.GetText(kUpdateSection, "installer").value_or("");
    return config;
}

std::string VersionFileUrl(const std::string& server) {
    if (server.empty()) {
        return {};
    }
    std::string base = server.find("://") == std::string::npos ? "http://" + server : server;
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base + "/" + kVersionFileName;
}

std::string UpdateOfferText(const std::string& latest, const std::string& stored) {
    if (latest != stored) {
        return "Доступна новая версия приложения.\nУстановить?";
    }
    return "Последняя доступная версия: " + latest + ".\nВаша версия: " + kOwnVersion + ".\nУстановить?";
}

UpdateOutcome CheckForUpdate(bool manual, UpdateEnvironment& env) {
    const UpdateConfig config = ReadUpdateConfig(env.store);
    const std::string url = VersionFileUrl(config.server);
    const std::string latest = url.empty() ? std::string() : env.source.FetchFirstLine(url);
    if (latest.empty()) {
        return UpdateOutcome::NoAnswer;
    }
    const std::string stored = env.store.GetText(kUserSection, kLastVersion).value_or("");
    if (stored == latest && !manual) {
        return UpdateOutcome::Unchanged;
    }
    env.store.SetText(kUserSection, kLastVersion, latest);
    env.store.Save();
    if (stored.empty()) {
        if (manual) {
            env.prompts.ShowUnavailable();
        }
        return UpdateOutcome::FirstCheck;
    }
    if (!env.prompts.AskInstall(UpdateOfferText(latest, stored))) {
        return UpdateOutcome::Declined;
    }
    std::string installerPath;
    if (!DownloadInstaller(env, config.installer, installerPath)) {
        env.prompts.ShowDownloadFailed();
        return UpdateOutcome::DownloadFailed;
    }
    if (env.startProgram) {
        env.startProgram(installerPath);
    }
    if (env.closeMainWindow) {
        env.closeMainWindow();
    }
    return UpdateOutcome::HandedOver;
}

std::string UpdateDownloadRoot() {
    std::filesystem::path cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
        cache = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        cache = std::filesystem::path(home) / ".cache";
    } else {
        return {};
    }
    return (cache / "docvane" / "update").string();
}

void RemoveLeftoverDownloads(const std::string& root) {
    if (root.empty()) {
        return;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root, ec)) {
        if (entry.path().filename().string().rfind("update-", 0) == 0) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

}  // namespace docvane
