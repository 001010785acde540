#include "support/AcadTestBed.h"

#include "app/ApplicationSettings.h"
#include "run/PublishState.h"

namespace docvane::test {

AcadTestBed::AcadTestBed() {
    GetPublishState().running = true;
    GetPublishState().severity = 0;
    AcadLimits limits;
    limits.poll = std::chrono::milliseconds(1);
    limits.busy = std::chrono::seconds(2);
    limits.unanswered = std::chrono::milliseconds(150);
    limits.cancelGrace = std::chrono::milliseconds(150);
    limits.ready = std::chrono::milliseconds(100);
    limits.registration = std::chrono::milliseconds(150);
    limits.closeRunning = std::chrono::milliseconds(500);
    limits.quit = std::chrono::milliseconds(100);
    session.SetLimits(limits);
    session.SetPrompt([this](const std::string& caption, const std::string& text) {
        prompts.push_back(caption + "|" + text);
        return answer;
    });
    AppSettings().exePath = kAcadPath;
    starter->startable = {kAcadPath};
    starter->onStart = [this](FakeServerProcess& process) {
        auto server = FakeAcadServer::Create(kAcadPath);
        server->AddOpenDocument("Drawing1.dwg");
        FakeServerProcess* started = &process;
        server->onQuit = [started] { started->exited = true; };
        if (configureStarted) {
            configureStarted(*server);
        }
        table.RegisterServer(server);
        servers.push_back(server);
    };
}

AcadTestBed::~AcadTestBed() {
    GetPublishState().running = false;
    GetPublishState().severity = 0;
}

std::shared_ptr<FakeAcadServer> AcadTestBed::Start() {
    session.StartAcad();
    return servers.empty() ? nullptr : servers.back();
}

std::shared_ptr<FakeAcadServer> AcadTestBed::UserInstance(const std::string& drawing) {
    auto server = FakeAcadServer::Create("/opt/autodesk/user/acad");
    server->AddOpenDocument(drawing);
    table.RegisterServer(server);
    userServers.push_back(server);
    return server;
}

}  // namespace docvane::test
