#include "ui/DesktopComposition.h"

#include "ui/UpdateWindows.h"
#include "worker/PlatformServices.h"

namespace docvane {

DesktopComposition::DesktopComposition() {
    InstallPlatformServices(ServicesOf(platform_));
    InstallUpdateSource(&updates_);
}

}  // namespace docvane
