#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/ClassRegistryFile.h"
#include "platform/PosixServerProcess.h"
#include "support/RunProgram.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using Clock = std::chrono::steady_clock;

bool ProcessGone(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return text.empty() || close == std::string::npos || text.substr(close + 2, 1) == "Z";
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds bound) {
    const auto deadline = Clock::now() + bound;
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// docvane-cli publishing a word-processor document whose registered server is the framework's
// sample server behind a wrapper that records its process id (and may start slowly).
class CliServerLifetimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(runtime_.Path().c_str(), 0700);
        const std::string wrapper = dir_ / "word-server";
        test::WriteFile(wrapper,
                        "#!/bin/sh\necho $$ >> \"" + (dir_ / "pids") +
                            "\"\nsleep \"${DOCVANE_TEST_SERVER_DELAY:-0}\"\nexec /usr/bin/python3 \"" +
                            std::string(DOCVANE_TEST_DATA) + "/../servers/sample_server.py\" \"$@\"\n");
        std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
        ASSERT_TRUE(RegisterClassServer(config_ / "classes.conf", "Word.Application", wrapper));
        test::WriteFile(dir_ / "src/A.docx", "not really a document");
        test::WriteFile(dir_ / "p.dv1",
                        "<docvane><pdfFile><fileRelativePath>.\\All.pdf</fileRelativePath></pdfFile>"
                        "<pdfDir><dirRelativePath>.\\PDF</dirRelativePath></pdfDir><fileDocs><fileDoc>"
                        "<fileRelativePath>.\\src\\A.docx</fileRelativePath></fileDoc></fileDocs></docvane>");
    }
    std::map<std::string, std::string> Environment(const std::string& delay) {
        return {{"DOCVANE_CONFIG_HOME", config_.Path()},
                {"DOCVANE_RUNTIME_DIR", runtime_.Path()},
                {"DOCVANE_TEST_SERVER_DELAY", delay}};
    }
    std::vector<int> ServerIds() {
        std::vector<int> ids;
        std::ifstream in(dir_ / "pids");
        for (int id = 0; in >> id;) {
            ids.push_back(id);
        }
        return ids;
    }
    bool NoEntries() {
        std::error_code ec;
        return std::filesystem::is_empty(runtime_ / "running", ec) || ec;
    }

    test::TempDir config_;
    test::TempDir runtime_;
    test::TempDir dir_;
};

TEST_F(CliServerLifetimeTest, NoServerOutlivesARun) {
    const auto result = test::RunProgram({DOCVANE_CLI, "publish", dir_ / "p.dv1"}, Environment("0"));
    EXPECT_NE(result.exitCode, -1) << result.out << result.err;
    const auto ids = ServerIds();
    ASSERT_FALSE(ids.empty()) << result.out << result.err;
    for (const int id : ids) {
        EXPECT_TRUE(WaitUntil([id] { return ProcessGone(id); }, std::chrono::seconds(10))) << id;
    }
    EXPECT_TRUE(NoEntries());
}

TEST_F(CliServerLifetimeTest, KillingTheProgramWhileItsServerStartsLeavesNoServer) {
    // The program is started with this environment, as the user's shell would.
    std::map<std::string, std::optional<std::string>> saved;
    for (const auto& [name, value] : Environment("1")) {
        const char* previous = std::getenv(name.c_str());
        saved[name] = previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    PosixProcessStarter starter;
    auto cli = starter.Start(DOCVANE_CLI, {"publish", dir_ / "p.dv1"});
    for (const auto& [name, value] : saved) {
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    ASSERT_NE(cli, nullptr);
    ASSERT_TRUE(WaitUntil([this] { return !ServerIds().empty(); }, std::chrono::seconds(30)));
    cli->Terminate();  // kill -9
    ASSERT_TRUE(cli->WaitForExit(std::chrono::seconds(10)));
    const int server = ServerIds().front();
    EXPECT_TRUE(WaitUntil([server] { return ProcessGone(server); }, std::chrono::seconds(15)));
    EXPECT_TRUE(NoEntries());
}

}  // namespace
}  // namespace docvane
