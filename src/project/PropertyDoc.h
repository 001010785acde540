#pragma once
#include <string>

#include "app/PublicationOptions.h"

namespace docvane {

// The project settings: the project's own publication options (a new project copies those of the
// application settings), its run-time folders and its scripts.
struct PropertyDoc : PublicationOptions {
    std::string projectDir;  // run time only: the folder of the project file
    std::string tempDir;     // run time only: the project's temporary working folder
    std::string lispScript;  // run in every drawing; stored with the drawing-program group
    std::string vbaScript;   // run in every Word document
};

}  // namespace docvane
