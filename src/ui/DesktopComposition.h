#pragma once
// The desktop program's composition root: its platform objects and the update source, installed into
// the core and kept alive while the object lives (main holds it until the window's event loop ends).
// The settings themselves are loaded by the application object once wxWidgets is up.
#include "platform/CurlUpdateSource.h"
#include "platform/LinuxPlatform.h"

namespace docvane {

class DesktopComposition {
  public:
    DesktopComposition();
    DesktopComposition(const DesktopComposition&) = delete;
    DesktopComposition& operator=(const DesktopComposition&) = delete;

  private:
    LinuxPlatform platform_;
    CurlUpdateSource updates_;
};

}  // namespace docvane
