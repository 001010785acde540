// docvane-cli: the headless front end of Docvane.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/CommandLineComposition.h"
#include "cli/Commands.h"

namespace docvane::cli {

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage:\n"
        "  docvane-cli publish PROJECT.dv1 [--full] [--combined-pdf PATH] [--no-save] [--pdfa]\n"
        "                      [--report FILE.json]\n"
        "      Publishes the project (only changed files unless --full) and builds the combined PDF,\n"
        "      printing every log line. Exit status: 0 success, 3 warnings, 2 errors or no start.\n"
        "      Ctrl+C asks the run to stop; again after two seconds abandons the servers.\n"
        "  docvane-cli status PROJECT.dv1\n"
        "      Prints the status of every file of the project, then the combined PDF's status.\n"
        "      Exit status: 0 nothing to publish, 3 something needs publishing,\n"
        "      2 publishing is impossible now or the project cannot be read.\n"
        "  docvane-cli save-as PROJECT.dv1 NEW.dv1\n"
        "      Loads the project (current or older format) and saves it under a new name in the\n"
        "      current format, relative paths recomputed for NEW's folder. Exit status 0 or 2.\n"
        "  docvane-cli --help\n"
        "\n"
        "Settings are read from $DOCVANE_CONFIG_HOME, or $XDG_CONFIG_HOME/Ostrel/Docvane.\n",
        out);
}

}  // namespace docvane::cli

int main(int argc, char** argv) {
    using namespace docvane::cli;
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        if (args.empty()) {
            PrintUsage(stderr);
            return kExitError;
        }
        const std::string command = args.front();
        args.erase(args.begin());
        if (command == "--help" || command == "-h" || command == "help") {
            PrintUsage(stdout);
            return kExitOk;
        }
        // The composition root: the platform objects live as long as main does.
        CommandLineComposition composition;
        if (command == "status") {
            return RunStatus(args);
        }
        if (command == "publish") {
            return RunPublish(args);
        }
        if (command == "save-as") {
            return RunSaveAs(args);
        }
        std::fprintf(stderr, "docvane-cli: unknown command \"%s\"\n\n", command.c_str());
        PrintUsage(stderr);
        return kExitError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "docvane-cli: unexpected failure: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "docvane-cli: unexpected failure\n");
    }
    return kExitError;
}
