#pragma once
// Everything a test of the drawing-program session needs: isolated settings, a recording channel, a
// folder, the fake platform, a starter whose processes bring up fresh fake servers, fast limits and a
// session over all of it. A run is in progress (running flag set) for the bed's lifetime.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/acad/AcadSession.h"
#include "support/FakeAcadServer.h"
#include "support/FakeAutomationHost.h"
#include "support/TestSupport.h"

namespace docvane::test {

inline constexpr const char* kAcadPath = "/opt/autodesk/acad";

struct AcadTestBed {
    AcadTestBed();
    ~AcadTestBed();

    // Starts (through the fake starter) and attaches a fresh server; the drawing it opens at start is
    // closed by StartAcad.
    std::shared_ptr<FakeAcadServer> Start();
    std::shared_ptr<FakeAcadServer> Started(std::size_t index = 0) const { return servers.at(index); }
    // A server the user has open already, registered in the table.
    std::shared_ptr<FakeAcadServer> UserInstance(const std::string& drawing);

    IsolatedSettings settings;
    RecordingChannel channel;
    TempDir dir;
    FakeRunningObjectTable table;
    FakeClassRegistry registry;
    FakeObjectTransport transport;
    std::shared_ptr<FakeProcessStarter> starter = std::make_shared<FakeProcessStarter>();
    std::vector<std::shared_ptr<FakeAcadServer>> servers;      // started by the session
    std::vector<std::shared_ptr<FakeAcadServer>> userServers;  // open before the run
    std::function<void(FakeAcadServer&)> configureStarted;     // applied to every started server
    std::vector<std::string> prompts;
    PromptAnswer answer = PromptAnswer::Cancel;
    AcadSession session{starter};
};

}  // namespace docvane::test
