// The update check against a real HTTP server on this machine, through the libcurl client the desktop
// program uses: every branch of the check and of the download.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "desktop/UpdateCheck.h"
#include "platform/CurlUpdateSource.h"
#include "platform/SettingsFile.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::LocalHttpServer;

struct RecordedPrompts : UpdatePrompts {
    int unavailable = 0;
    int downloadFailed = 0;
    std::vector<std::string> offers;
    bool answer = false;
    std::uint64_t lastDone = 0;
    int progressCalls = 0;
    int ended = 0;
    void ShowUnavailable() override { ++unavailable; }
    bool AskInstall(const std::string& text) override {
        offers.push_back(text);
        return answer;
    }
    void ShowDownloadFailed() override { ++downloadFailed; }
    void Progress(std::uint64_t done, std::uint64_t) override {
        lastDone = done;
        ++progressCalls;
    }
    void EndProgress() override { ++ended; }
};

class UpdateCheckTest : public ::testing::Test {
  protected:
    UpdateCheckTest() : store(dir / "settings.xml"), source(FastLimits()) {
        store.SetText("Update", "server", server.BaseUrl());
        store.SetText("Update", "installer", server.BaseUrl() + "/Setup.exe");
    }

    static CurlLimits FastLimits() {
        CurlLimits limits;
        limits.connect = std::chrono::milliseconds(500);
        limits.versionRequest = std::chrono::milliseconds(700);
        limits.lowSpeedTime = std::chrono::seconds(1);
        return limits;
    }

    UpdateOutcome Check(bool manual) {
        UpdateEnvironment env{store,
                              source,
                              prompts,
                              downloadRoot.empty() ? dir / "tmp" : downloadRoot,
                              [this](const std::string& path) {
                                  started.push_back(path);
                                  return true;
                              },
                              [this] { ++closeRequests; }};
        return CheckForUpdate(manual, env);
    }

    std::string Stored() {
        return SettingsFile(dir / "settings.xml").GetText("User", "lastVersion").value_or("");
    }

    test::TempDir dir;
    LocalHttpServer server;
    SettingsFile store;
    CurlUpdateSource source;
    RecordedPrompts prompts;
    std::vector<std::string> started;
    int closeRequests = 0;
    std::string downloadRoot;
};

TEST_F(UpdateCheckTest, FirstCheckStoresTheVersionSilentlyAndAManualCheckThenSaysUnavailable) {
    server.Set("/Docvane.info", {200, "1.2.3\r\nignored second line\n"});
    EXPECT_EQ(Check(false), UpdateOutcome::FirstCheck);
    EXPECT_EQ(Stored(), "1.2.3");
    EXPECT_EQ(prompts.unavailable, 0);
    EXPECT_TRUE(prompts.offers.empty());

    // Same version: an automatic check stays silent, a manual one shows both numbers and offers anyway.
    EXPECT_EQ(Check(false), UpdateOutcome::Unchanged);
    EXPECT_TRUE(prompts.offers.empty());
    EXPECT_EQ(Check(true), UpdateOutcome::Declined);
    ASSERT_EQ(prompts.offers.size(), 1u);
    EXPECT_EQ(prompts.offers[0], "Последняя доступная версия: 1.2.3.\nВаша версия: 0.8.38.195.\nУстановить?");

    SettingsFile fresh(dir / "other.xml");
    fresh.SetText("Update", "server", server.BaseUrl());
    UpdateEnvironment env{fresh, source, prompts, dir / "tmp", nullptr, nullptr};
    EXPECT_EQ(CheckForUpdate(true, env), UpdateOutcome::FirstCheck);
    EXPECT_EQ(prompts.unavailable, 1);
}

TEST_F(UpdateCheckTest, ANewVersionIsOfferedOnceAndNoKeepsItSilentNextTime) {
    server.Set("/Docvane.info", {200, "1.0\n"});
    Check(false);
    server.Set("/Docvane.info", {200,
                                 "\xEF\xBB\xBF"
                                 "2.0\n"});
    EXPECT_EQ(Check(false), UpdateOutcome::Declined);
    ASSERT_EQ(prompts.offers.size(), 1u);
    EXPECT_EQ(prompts.offers[0], "Доступна новая версия приложения.\nУстановить?");
    EXPECT_EQ(Stored(), "2.0");
    EXPECT_EQ(Check(false), UpdateOutcome::Unchanged);
    EXPECT_EQ(prompts.offers.size(), 1u);
    EXPECT_EQ(server.Requests("/Setup.exe"), 0);
}

TEST_F(UpdateCheckTest, NoVersionMeansNoMessageEvenForAManualCheck) {
    // Missing file, a server that never answers, and no server configured at all.
    EXPECT_EQ(Check(true), UpdateOutcome::NoAnswer);
    server.Set("/Docvane.info", {200, "", LocalHttpServer::Mode::Silent});
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(Check(true), UpdateOutcome::NoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    store.SetText("Update", "server", "");
    EXPECT_EQ(Check(true), UpdateOutcome::NoAnswer);
    EXPECT_EQ(prompts.unavailable + prompts.downloadFailed + static_cast<int>(prompts.offers.size()), 0);
    EXPECT_EQ(Stored(), "");
}

TEST_F(UpdateCheckTest, AcceptedOfferDownloadsIntoAPrivateFolderStartsTheInstallerAndClosesTheWindow) {
    const std::string installer(300000, 'x');
    server.Set("/Docvane.info", {200, "1\n"});
    server.Set("/Setup.exe", {200, installer});
    Check(false);
    server.Set("/Docvane.info", {200, "2\n"});
    prompts.answer = true;
    EXPECT_EQ(Check(false), UpdateOutcome::HandedOver);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(std::filesystem::path(started[0]).filename(), "Setup.exe");
    EXPECT_EQ(test::ReadFile(started[0]), installer);
    struct stat info {};
    ASSERT_EQ(::stat(started[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(std::filesystem::path(started[0]).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(prompts.lastDone, installer.size());
    EXPECT_EQ(prompts.ended, 1);
    EXPECT_EQ(closeRequests, 1);
}

TEST_F(UpdateCheckTest, TheStartedInstallerIsKeptInTheUserCacheUntilALaterStart) {
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string saved = before != nullptr ? before : "";
    ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    downloadRoot = UpdateDownloadRoot();
    EXPECT_EQ(downloadRoot, dir / "cache/docvane/update");
    server.Set("/Docvane.info", {200, "1\n"});
    server.Set("/Setup.exe", {200, std::string(1000, 'x')});
    Check(false);
    server.Set("/Docvane.info", {200, "2\n"});
    prompts.answer = true;
    EXPECT_EQ(Check(false), UpdateOutcome::HandedOver);
    ASSERT_EQ(started.size(), 1u);
    // The exit removes the temporary folder; the installer is elsewhere.
    EXPECT_EQ(started[0].rfind(downloadRoot + "/update-", 0), 0u) << started[0];
    EXPECT_TRUE(std::filesystem::exists(started[0]));
    test::WriteFile(dir / "cache/docvane/update/keep.txt", "not ours");
    RemoveLeftoverDownloads(downloadRoot);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(started[0]).parent_path()));
    EXPECT_TRUE(std::filesystem::exists(dir / "cache/docvane/update/keep.txt"));
    if (before != nullptr) {
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CACHE_HOME");
    }
}

TEST_F(UpdateCheckTest, AFailedOrInterruptedDownloadLeavesNoInstallerAndSaysSo) {
    struct Case {
        const char* name;
        LocalHttpServer::Answer answer;
        std::string installerUrl;
    };
    const std::vector<Case> cases{
        {"missing", {404, "gone"}, ""},
        {"cut short", {200, std::string(100000, 'y'), LocalHttpServer::Mode::CutShort}, ""},
        {"stalled", {200, "", LocalHttpServer::Mode::Silent}, ""},
        {"plain http from elsewhere", {200, "z"}, "http://example.invalid/Setup.exe"},
        {"not configured", {200, "z"}, "-"},
    };
    int version = 1;
    server.Set("/Docvane.info", {200, "0\n"});
    Check(false);
    prompts.answer = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Set("/Setup.exe", c.answer);
        store.SetText("Update", "installer",
                      c.installerUrl.empty()  ? server.BaseUrl() + "/Setup.exe"
                      : c.installerUrl == "-" ? ""
                                              : c.installerUrl);
        server.Set("/Docvane.info", {200, std::to_string(version++) + "\n"});
        const int failedBefore = prompts.downloadFailed;
        EXPECT_EQ(Check(false), UpdateOutcome::DownloadFailed);
        EXPECT_EQ(prompts.downloadFailed, failedBefore + 1);
    }
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(closeRequests, 0);
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "tmp", ec)) {
        ADD_FAILURE() << "left behind: " << entry.path();
    }
}

TEST(UpdateAddressTest, VersionFileAddressFollowsTheConfiguredServer) {
    EXPECT_EQ(VersionFileUrl(""), "");
    EXPECT_EQ(VersionFileUrl("updates.example.org"), "http://updates.example.org/Docvane.info");
    EXPECT_EQ(VersionFileUrl("https://updates.example.org/docvane/"),
              "https://updates.example.org/docvane/Docvane.info");
}

}  // namespace
}  // namespace docvane
