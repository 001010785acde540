#include "cli/CommandLineComposition.h"

#include "app/ApplicationSettings.h"
#include "worker/PlatformServices.h"

namespace docvane::cli {

CommandLineComposition::CommandLineComposition() {
    InstallPlatformServices(ServicesOf(platform_));
    LoadSettings();
}

}  // namespace docvane::cli
