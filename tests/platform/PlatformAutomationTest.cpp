#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "automation/Automation.h"
#include "automation/acad/FindAcadExecutable.h"
#include "platform/ClassRegistryFile.h"
#include "platform/PosixServerProcess.h"
#include "platform/RunningObjectDirectory.h"
#include "support/FakeAcadServer.h"
#include "support/FakeAutomationHost.h"
#include "support/ScopedEnv.h"
#include "support/TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace docvane {
namespace {

namespace fs = std::filesystem;

void MakeExecutable(const std::string& path, const std::string& script) {
    test::WriteFile(path, script);
    fs::permissions(path, fs::perms::owner_all);
}

TEST(ClassRegistryFileTest, RegistersLooksUpAndReplacesServers) {
    test::TempDir dir;
    const std::string path = dir / "conf/classes.conf";
    test::WriteFile(path, "# servers\nWord.Application = /usr/bin/word-server\nbroken line\n");
    ClassRegistryFile registry(path);
    EXPECT_EQ(registry.ServerCommand("Word.Application"), "/usr/bin/word-server");
    EXPECT_EQ(registry.ServerCommand("AutoCAD.Application"), "");

    ASSERT_TRUE(RegisterClassServer(path, "AutoCAD.Application", "/opt/a/server"));
    ASSERT_TRUE(RegisterClassServer(path, "AutoCAD.Application", "/opt/b/server"));
    EXPECT_EQ(registry.ServerCommand("AutoCAD.Application"), "/opt/b/server");
    EXPECT_EQ(registry.ServerCommand("Word.Application"), "/usr/bin/word-server");
    EXPECT_EQ(test::ReadFile(path),
              "# servers\nWord.Application = /usr/bin/word-server\nbroken "
              "line\nAutoCAD.Application=/opt/b/server\n");

    // A relative command would depend on the working folder; it names no server.
    ASSERT_TRUE(RegisterClassServer(path, "Relative.Application", "bin/server"));
    EXPECT_EQ(registry.ServerCommand("Relative.Application"), "");
    EXPECT_FALSE(RegisterClassServer(path, "Bad=Id", "/x"));
    EXPECT_FALSE(RegisterClassServer(path, "Id", "/x\n/y"));
}

TEST(ClassRegistryFileTest, TheDrawingProgramIsFoundThroughTheRegistry) {
    test::TempDir dir;
    ClassRegistryFile registry(dir / "classes.conf");
    SetClassRegistry(&registry);
    const std::string server = dir / "acad-server";
    MakeExecutable(server, "#!/bin/sh\n");
    ASSERT_TRUE(RegisterClassServer(registry.Path(), "AutoCAD.Application", server));
    EXPECT_EQ(FindAcadExecutable(), server);

    // A registered file that cannot be run is passed over.
    fs::permissions(server, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(FindAcadExecutable(), server);
    SetClassRegistry(nullptr);
}

TEST(RunningObjectDirectoryTest, ListsRegisteredEntriesAndReachesThemThroughTheTransport) {
    test::TempDir dir;
    const std::string folder = dir / "running";
    const std::string first = RegisterRunningObject(folder, "!AutoCAD.Application", dir / "a.sock");
    const std::string second = RegisterRunningObject(folder, "!Word.Application", dir / "w.sock");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(::access(folder.c_str(), R_OK), 0);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    test::WriteFile(folder + "/zz.entry", "no line end");

    RunningObjectDirectory table(folder);
    auto entries = table.EnumRunning();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].displayName.value_or(""), "!AutoCAD.Application");
    EXPECT_EQ(entries[0].address, dir / "a.sock");
    EXPECT_EQ(entries[1].address, dir / "w.sock");
    EXPECT_FALSE(entries[2].displayName.has_value());

    // Without a transport nothing can be reached.
    EXPECT_TRUE(table.GetObject(entries[0]).IsNull());

    test::FakeObjectTransport transport;
    auto server = test::FakeAcadServer::Create();
    transport.connect = [&](const std::string& address) {
        return address == dir / "a.sock" ? server->Application() : AutomationObject();
    };
    SetRunningObjectTable(&table);
    EXPECT_FALSE(FindRunningObject("AutoCAD", "Application").IsNull());
    SetRunningObjectTable(nullptr);

    RevokeRunningObject(first);
    EXPECT_EQ(table.EnumRunning().size(), 2u);
}

TEST(RunningObjectDirectoryTest, AFolderOthersCanWriteIsNotTrusted) {
    test::TempDir dir;
    const std::string folder = dir / "running";
    ASSERT_FALSE(RegisterRunningObject(folder, "!AutoCAD.Application", "/x.sock").empty());
    ::chmod(folder.c_str(), 0777);
    EXPECT_THAT(RunningObjectDirectory(folder).EnumRunning(), IsEmpty());
    EXPECT_TRUE(RegisterRunningObject(folder, "!AutoCAD.Application", "/y.sock").empty());
}

// A process id that is certainly free: a child that has ended and been reaped.
int EndedProcessId() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// The socket file a server killed with SIGKILL leaves: bound, nobody listening.
void LeaveSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

TEST(RunningObjectDirectoryTest, EntriesOfEndedProcessesGoWithTheirSocketsOnTheNextLookUp) {
    test::TempDir dir;
    const std::string folder = dir / "running";
    ASSERT_FALSE(RegisterRunningObject(folder, "AutoCAD", dir / "live.sock").empty());
    const int dead = EndedProcessId();
    const std::string socket = dir / ("AutoCAD.Application-" + std::to_string(dead) + ".sock");
    LeaveSocket(socket);
    const std::string entry = folder + "/" + std::to_string(dead) + "-0.entry";
    test::WriteFile(entry, "AutoCAD\n" + socket + "\n");
    // An entry of a dead process naming a file that is no socket: the entry goes, the file stays.
    const std::string notes = dir / "notes.txt";
    test::WriteFile(notes, "x");
    const int other = EndedProcessId();
    test::WriteFile(folder + "/" + std::to_string(other) + "-0.entry", "AutoCAD\n" + notes + "\n");

    RunningObjectDirectory table(folder);
    const auto entries = table.EnumRunning();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].address, dir / "live.sock");
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(socket));
    EXPECT_TRUE(fs::exists(notes));
    EXPECT_EQ(RemoveEntriesOfEndedProcesses(folder), 0);
}

TEST(ClassRegistryFileTest, AFileOthersOwnOrMayWriteIsNotObeyed) {
    test::TempDir dir;
    const std::string folder = dir / "config";
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
    const std::string path = folder + "/classes.conf";
    ASSERT_TRUE(RegisterClassServer(path, "AutoCAD.Application", "/opt/acad/server"));
    ClassRegistryFile registry(path);
    ASSERT_EQ(registry.ServerCommand("AutoCAD.Application"), "/opt/acad/server");
    EXPECT_EQ(registry.Refusal(), "");

    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::function<void()> mend;
        const char* reason;
    };
    std::vector<Case> cases{
        {"file writable by others", [&] { ::chmod(path.c_str(), 0646); },
         [&] { ::chmod(path.c_str(), 0600); }, "в него могут писать другие пользователи"},
        {"folder writable by the group", [&] { ::chmod(folder.c_str(), 0770); },
         [&] { ::chmod(folder.c_str(), 0700); }, "в его папку могут писать другие пользователи"},
    };
    if (::getuid() == 0) {
        // Only the administrator can give a file away; nobody is uid 65534 on Debian.
        cases.push_back({"file of another user", [&] { ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0); },
                         [&] { ASSERT_EQ(::chown(path.c_str(), 0, 0), 0); },
                         "он принадлежит другому пользователю"});
    }
    for (const auto& item : cases) {
        SCOPED_TRACE(item.what);
        item.spoil();
        EXPECT_EQ(registry.ServerCommand("AutoCAD.Application"), "");
        EXPECT_EQ(registry.Refusal(), "Реестр классов не используется: " + path + " (" + item.reason + ")");
        item.mend();
        EXPECT_EQ(registry.ServerCommand("AutoCAD.Application"), "/opt/acad/server");
    }
    // A registry that does not exist is no refusal: it names nothing.
    EXPECT_EQ(ClassRegistryFile(folder + "/missing.conf").Refusal(), "");
}

TEST(RunningObjectDirectoryTest, TheUserRuntimeFolderIsPrivate) {
    test::TempDir dir;
    const test::ScopedEnv runtime("DOCVANE_RUNTIME_DIR", dir / "rt");
    EXPECT_EQ(UserRuntimeDirectory(), dir / "rt");
    EXPECT_EQ(RunningObjectDirectory().Folder(), dir / "rt/running");
    EXPECT_EQ(UserRuntimeDirectoryRefusal(), "");
    EXPECT_EQ(RunningObjectDirectory().Refusal(), "");
    ::chmod((dir / "rt").c_str(), 0775);
    EXPECT_EQ(UserRuntimeDirectory(), "");
    const std::string refusal = "Папка для связи с программами не используется: " + (dir / "rt") +
                                " (в папку могут писать другие пользователи)";
    EXPECT_EQ(UserRuntimeDirectoryRefusal(), refusal);
    EXPECT_EQ(RunningObjectDirectory().Refusal(), refusal);
}

TEST(PosixServerProcessTest, StartsWithExactlyTheGivenArgumentsAndReportsReadiness) {
    test::TempDir dir;
    const std::string program = dir / "server";
    MakeExecutable(
        program,
        "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" \"$DOCVANE_READY_FD\" > \"$(dirname \"$0\")/args\"\n"
        "printf r >&3\nexec sleep 30\n");
    PosixProcessStarter starter;
    auto process = starter.Start(program, {"/nologo", "/nossm", "/pl"});
    ASSERT_NE(process, nullptr);
    EXPECT_GT(process->Id(), 0);
    EXPECT_TRUE(process->WaitUntilReady(std::chrono::seconds(20), {}));
    EXPECT_EQ(test::ReadFile(dir / "args"), "3\n/nologo\n/nossm\n/pl\n3\n");
    EXPECT_FALSE(process->HasExited());

    process->Terminate();
    EXPECT_TRUE(process->WaitForExit(std::chrono::seconds(20)));
    process->Terminate();  // harmless once ended
}

TEST(PosixServerProcessTest, AServerStartsWithNoSignalsBlockedWhateverTheCaller) {
    test::TempDir dir;
    const std::string program = dir / "server";
    MakeExecutable(program,
                   "#!/bin/sh\ngrep SigBlk /proc/self/status > \"$(dirname \"$0\")/mask\"\nprintf r >&3\n");
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);  // as the command line's worker thread has it
    PosixProcessStarter starter;
    auto process = starter.Start(program, {});
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(process->WaitUntilReady(std::chrono::seconds(20), {}));
    EXPECT_TRUE(process->WaitForExit(std::chrono::seconds(20)));
    EXPECT_EQ(test::ReadFile(dir / "mask"), "SigBlk:\t0000000000000000\n");
}

TEST(PosixServerProcessTest, AProgramThatEndsWithoutReportingIsNotReady) {
    test::TempDir dir;
    const std::string program = dir / "quitter";
    MakeExecutable(program, "#!/bin/sh\nexit 3\n");
    PosixProcessStarter starter;
    auto process = starter.Start(program, {});
    ASSERT_NE(process, nullptr);
    EXPECT_FALSE(process->WaitUntilReady(std::chrono::seconds(20), {}));
    EXPECT_TRUE(process->WaitForExit(std::chrono::seconds(20)));
}

TEST(PosixServerProcessTest, TheReadinessWaitEndsOnRequest) {
    test::TempDir dir;
    const std::string program = dir / "silent";
    MakeExecutable(program, "#!/bin/sh\nexec sleep 30\n");
    PosixProcessStarter starter;
    auto process = starter.Start(program, {});
    ASSERT_NE(process, nullptr);
    int asked = 0;
    EXPECT_FALSE(process->WaitUntilReady(std::chrono::seconds(20), [&asked] { return ++asked > 2; }));
    EXPECT_EQ(asked, 3);
    process->Terminate();
    EXPECT_TRUE(process->WaitForExit(std::chrono::seconds(20)));
}

TEST(PosixServerProcessTest, MissingOrRelativeProgramsDoNotStart) {
    test::TempDir dir;
    PosixProcessStarter starter;
    EXPECT_EQ(starter.Start(dir / "missing", {"/nologo"}), nullptr);
    EXPECT_EQ(starter.Start("sh", {}), nullptr);
    EXPECT_EQ(starter.Start("", {}), nullptr);
    EXPECT_EQ(starter.Start(dir.Path(), {}), nullptr);
}

}  // namespace
}  // namespace docvane
