#include <cstdio>
#include <filesystem>

#include "cli/Commands.h"
#include "project/DocvaneDoc.h"
#include "publish/DocumentStatus.h"
#include "publish/ProjectDocument.h"

namespace docvane::cli {

namespace {
bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            return true;
        }
    }
    return false;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}
}  // namespace

int RunStatus(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::puts(
            "Usage: docvane-cli status PROJECT.dv1\n"
            "Prints every file's status line, then the combined PDF's.\n"
            "Exit status: 0 up to date, 3 something needs publishing, 2 impossible or unreadable.");
        return kExitOk;
    }
    if (args.size() != 1) {
        std::fputs("docvane-cli status: expected one project file (see docvane-cli --help)\n", stderr);
        return kExitError;
    }
    const std::string path = Absolute(args[0]);
    CDocvaneDoc project;
    std::string error;
    if (!OpenProjectDocument(project, path, &error)) {
        std::fprintf(stderr, "docvane-cli status: cannot read the project %s (%s)\n", path.c_str(),
                     error.c_str());
        return kExitError;
    }
    const int combined = ComputeProjectStatus(project);
    for (const auto& file : project.fileDocs) {
        std::puts(file->statusText.c_str());
    }
    std::puts(project.pdfFile.statusText.c_str());
    if (combined < 0) {
        return kExitError;
    }
    return combined == 0 ? kExitOk : kExitNeedsPublishing;
}

int RunSaveAs(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::puts(
            "Usage: docvane-cli save-as PROJECT.dv1 NEW.dv1\n"
            "Saves the project under a new name in the current format (relative paths for NEW's folder).");
        return kExitOk;
    }
    if (args.size() != 2) {
        std::fputs(
            "docvane-cli save-as: expected the project file and the new file (see docvane-cli --help)\n",
            stderr);
        return kExitError;
    }
    const std::string from = Absolute(args[0]);
    const std::string to = Absolute(args[1]);
    CDocvaneDoc project;
    std::string error;
    if (!OpenProjectDocument(project, from, &error)) {
        std::fprintf(stderr, "docvane-cli save-as: cannot read the project %s (%s)\n", from.c_str(),
                     error.c_str());
        return kExitError;
    }
    if (!SaveProjectDocument(project, to, &error)) {
        std::fprintf(stderr, "docvane-cli save-as: cannot save the project as %s (%s)\n", to.c_str(),
                     error.c_str());
        return kExitError;
    }
    return kExitOk;
}

}  // namespace docvane::cli
