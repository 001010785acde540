#include <cstdio>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "output/DocumentStatus.h"
#include "output/ProjectDocument.h"
#include "project/DocvaneDoc.h"

namespace docvane::cli {

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
    const std::string path = AbsolutePath(args[0]);
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

}  // namespace docvane::cli
