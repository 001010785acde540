// Starts a stand-in server (a program id's server or, by default, the small sample server of the
// framework tests) several times and prints the time from start to the first answered call, then the
// round trips per second of small calls and the throughput of large texts. Not a test: run it on demand
// and record the figures. Usage: TransportBench [SERVER] [STARTS] [CALLS]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "automation/Automation.h"
#include "platform/PosixServerProcess.h"
#include "platform/SocketObjectTransport.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

int main(int argc, char** argv) {
    const std::string server =
        argc > 1 ? argv[1] : std::string(DOCVANE_SOURCE_DIR) + "/tests/servers/sample_server.py";
    const int starts = argc > 2 ? std::atoi(argv[2]) : 10;
    const int calls = argc > 3 ? std::atoi(argv[3]) : 5000;
    const fs::path runtime = fs::temp_directory_path() / ("docvane-bench-rt-" + std::to_string(::getpid()));
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    ::setenv("DOCVANE_RUNTIME_DIR", runtime.c_str(), 1);

    docvane::SocketTransportOptions options;
    options.runningFolder = (runtime / "running").string();
    docvane::SocketObjectTransport transport(docvane::DefaultProcessStarter(), options);

    double slowest = 0;
    double total = 0;
    for (int i = 0; i < starts; ++i) {
        const auto started = Clock::now();
        docvane::AutomationObject app = transport.Activate(server);
        // The drawing program answers Name; the sample server answers Echo.
        const bool answered =
            !app.IsNull() && (docvane::GetProperty(app, "Name").Tag() == docvane::ValueTag::Text ||
                              docvane::CallMethod(app, "Echo", {docvane::AutomationValue::Int(1)}).Tag() ==
                                  docvane::ValueTag::Int32);
        if (!answered) {
            std::fprintf(stderr, "the server %s did not answer\n", server.c_str());
            return 1;
        }
        const double seconds = Seconds(started);
        total += seconds;
        slowest = std::max(slowest, seconds);
        docvane::CallMethodChecked(app, "Quit");
    }
    std::printf("start to first answer: mean %.3f s, slowest %.3f s over %d starts\n", total / starts,
                slowest, starts);

    docvane::AutomationObject app = transport.Activate(server);
    auto started = Clock::now();
    for (int i = 0; i < calls; ++i) {
        docvane::CallMethod(app, "Echo", {docvane::AutomationValue::Int(i)});
    }
    const double small = Seconds(started);
    std::printf("small calls: %d in %.3f s, %.0f per second, %.1f us each\n", calls, small, calls / small,
                small * 1e6 / calls);

    const std::string big(1 << 20, 'x');
    started = Clock::now();
    const int bigCalls = 50;
    for (int i = 0; i < bigCalls; ++i) {
        docvane::CallMethod(app, "Echo", {docvane::TextArgument(big)});
    }
    const double large = Seconds(started);
    std::printf("1 MiB texts there and back: %d in %.3f s, %.1f MiB/s\n", bigCalls, large,
                2.0 * bigCalls / large);
    docvane::CallMethodChecked(app, "Quit");
    app.Reset();
    fs::remove_all(runtime);
    return 0;
}
