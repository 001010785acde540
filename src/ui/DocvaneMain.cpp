// docvane: the desktop program. Its composition root: a second start hands its project to the running
// instance before any window exists; the first start wires the window to the core.
#include <wx/app.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "base/PathUtils.h"
#include "platform/SingleInstance.h"
#include "ui/DesktopComposition.h"
#include "ui/DocvaneApp.h"

namespace {

std::string AbsoluteArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.empty() || arg[0] == '-') {
            continue;
        }
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(arg, ec);
        return ec ? arg : docvane::NormalizeLexically(absolute.string());
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string project = AbsoluteArgument(argc, argv);
        const std::string socket = docvane::InstanceSocketPath();
        if (docvane::HandOverToRunningInstance(socket, project)) {
            return 0;
        }
        // The platform objects live as long as main does.
        docvane::DesktopComposition composition;
        wxApp::SetInstance(new docvane::CDocvaneApp(project, socket));
        return wxEntry(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "docvane: unexpected failure: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "docvane: unexpected failure\n");
    }
    return 1;
}
