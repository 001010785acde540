#include "worker/PlatformServices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ApplicationSettings.h"
#include "automation/ClassRegistry.h"
#include "automation/ObjectTransport.h"
#include "automation/RunningObjectTable.h"
#include "automation/ServerProcess.h"
#include "automation/acad/AcadSession.h"
#include "platform/SettingsFile.h"
#include "run/PublishState.h"
#include "support/FakeAutomationHost.h"
#include "support/TestSupport.h"

using ::testing::ElementsAre;

namespace docvane::test {
namespace {

// What a program's main does, with doubles: every seam answers from what was handed in, and a
// program that hands in nothing gets a core that reaches nothing rather than a platform object.
TEST(PlatformServicesTest, TheCoreUsesExactlyWhatMainHandsIn) {
    TempDir dir;
    RecordingChannel channel;
    FakeClassRegistry classes;
    FakeRunningObjectTable running;
    FakeObjectTransport transport;
    auto processes = std::make_shared<FakeProcessStarter>();
    const std::string server = dir / "acad-server";
    WriteFile(server, "#!/bin/sh\n");
    std::filesystem::permissions(server, std::filesystem::perms::owner_all);
    classes.commands[kAcadProgramId] = server;
    SettingsFile settings(dir / "settings.xml");
    settings.SetText("Directories", "edit", "Правка");

    InstallPlatformServices(PlatformServices{});
    EXPECT_EQ(GetClassRegistry().ServerCommand(kAcadProgramId), "");
    EXPECT_TRUE(GetRunningObjectTable().EnumRunning().empty());
    EXPECT_EQ(GetObjectTransport(), nullptr);
    EXPECT_FALSE(UserSettingsStore().Save());
    AppSettings().editDirName = "x";
    LoadSettings();
    EXPECT_EQ(AppSettings().editDirName, ApplicationSettings{}.editDirName);
    EXPECT_EQ(AppSettings().exePath, "");

    PlatformServices services;
    services.settings = &settings;
    services.classes = &classes;
    services.running = &running;
    services.transport = &transport;
    services.processes = processes;
    InstallPlatformServices(services);
    EXPECT_EQ(&GetClassRegistry(), &classes);
    EXPECT_EQ(&GetRunningObjectTable(), &running);
    EXPECT_EQ(GetObjectTransport(), &transport);
    EXPECT_EQ(&UserSettingsStore(), &settings);
    LoadSettings();
    EXPECT_EQ(AppSettings().editDirName, "Правка");
    EXPECT_EQ(AppSettings().exePath, server);  // a missing path is looked up in the class registry
    AppSettings().pdfDirName = "Готовые";
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(SettingsFile(dir / "settings.xml").GetText("Directories", "pdf").value_or(""), "Готовые");

    // The drawing program is started through the handed-in starter.
    GetPublishState().running = true;
    GetAcadSession().StartAcad();
    ASSERT_FALSE(processes->starts.empty());
    EXPECT_EQ(processes->starts.front().first, server);
    EXPECT_THAT(processes->starts.front().second, ElementsAre("/nologo", "/nossm", "/pl"));

    InstallPlatformServices(PlatformServices{});
    GetPublishState().running = false;
    GetPublishState().severity = 0;
    AppSettings() = ApplicationSettings{};
}

// A program's composition helper describes its bundle of platform objects in one call; every member
// reaches the core, the desktop opener included.
TEST(PlatformServicesTest, ABundleIsHandedInMemberByMember) {
    TempDir dir;
    struct Bundle {
        explicit Bundle(const std::string& settingsPath) : settings(settingsPath) {}
        SettingsFile settings;
        FakeClassRegistry classes;
        FakeRunningObjectTable running;
        FakeObjectTransport transport;
        std::shared_ptr<ProcessStarter> processes = std::make_shared<FakeProcessStarter>();
        std::vector<std::string> opened;
        std::function<bool(const std::string&)> openWithDesktop = [this](const std::string& path) {
            opened.push_back(path);
            return true;
        };
    } bundle(dir / "settings.xml");

    const PlatformServices services = ServicesOf(bundle);
    EXPECT_EQ(services.settings, &bundle.settings);
    EXPECT_EQ(services.processes, bundle.processes);
    ASSERT_TRUE(services.openWithDesktop);
    services.openWithDesktop("/x/All.pdf");
    EXPECT_THAT(bundle.opened, ElementsAre("/x/All.pdf"));
    InstallPlatformServices(services);
    EXPECT_EQ(&GetClassRegistry(), &bundle.classes);
    EXPECT_EQ(&GetRunningObjectTable(), &bundle.running);
    EXPECT_EQ(GetObjectTransport(), &bundle.transport);
    EXPECT_EQ(&UserSettingsStore(), &bundle.settings);
    InstallPlatformServices(PlatformServices{});
}

}  // namespace
}  // namespace docvane::test
