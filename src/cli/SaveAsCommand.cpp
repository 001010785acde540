#include <cstdio>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "output/ProjectDocument.h"
#include "project/DocvaneDoc.h"

namespace docvane::cli {

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
    const std::string from = AbsolutePath(args[0]);
    const std::string to = AbsolutePath(args[1]);
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
